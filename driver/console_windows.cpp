// Standard output on Windows. stdout stays in the C runtime's text mode, as
// in any Windows console program: each "\n" reaches a file or pipe as
// "\r\n".
#include <climits>
#include <cstdio>
#include <cwchar>
#include <string>

#include "driver/stdout_console.h"

namespace fsprog {
namespace {

class WindowsStdoutConsole : public Console {
 public:
  void write(std::string_view bytes) override {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  }

  // Wide text is converted by the C runtime's locale (set by the entry
  // point), one character at a time and whole: the usage line shows every
  // character of the invocation name. A character that the locale's code
  // page lacks prints as '?'.
  void writeWide(std::wstring_view text) override {
    std::string bytes;
    std::mbstate_t state{};
    char converted[MB_LEN_MAX];
    for (wchar_t c : text) {
      std::size_t count = std::wcrtomb(converted, c, &state);
      if (count == static_cast<std::size_t>(-1)) {
        bytes += '?';
        state = std::mbstate_t{};
      } else {
        bytes.append(converted, count);
      }
    }
    write(bytes);
  }
};

}  // namespace

std::unique_ptr<Console> createStdoutConsole() { return std::make_unique<WindowsStdoutConsole>(); }

}  // namespace fsprog
