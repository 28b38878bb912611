#include <cstdio>

#include "driver/stdout_console.h"

namespace fsprog {
namespace {

class PosixStdoutConsole : public Console {
 public:
  void write(std::string_view bytes) override {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  }

  // All texts are ASCII; the one wide string that may not be (the invocation
  // name) was widened byte for byte, so narrowing it the same way restores it.
  void writeWide(std::wstring_view text) override {
    std::string bytes;
    bytes.reserve(text.size());
    for (wchar_t c : text) {
      bytes += static_cast<unsigned long>(c) < 0x100 ? static_cast<char>(c) : '?';
    }
    write(bytes);
  }
};

}  // namespace

std::unique_ptr<Console> createStdoutConsole() { return std::make_unique<PosixStdoutConsole>(); }

}  // namespace fsprog
