#include <cstdio>

#include "driver/input_file.h"

namespace fsprog {
namespace {

class StdioInputFile : public InputFile {
 public:
  explicit StdioInputFile(std::FILE* file) : file_(file) {}
  ~StdioInputFile() override { std::fclose(file_); }
  StdioInputFile(const StdioInputFile&) = delete;
  StdioInputFile& operator=(const StdioInputFile&) = delete;

  long read(char* buffer, std::size_t size) override {
    std::size_t count = std::fread(buffer, 1, size, file_);
    if (count == 0 && std::ferror(file_)) return -1;
    return static_cast<long>(count);
  }

 private:
  std::FILE* file_;
};

}  // namespace

std::unique_ptr<InputFile> StdioFileSystem::openForReading(const std::string& name) {
  // Binary: line ends are handled by the line reader alike on every system.
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (file == nullptr) return nullptr;
  return std::make_unique<StdioInputFile>(file);
}

}  // namespace fsprog
