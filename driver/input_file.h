#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace fsprog {

// A definition file opened for reading, as raw bytes.
class InputFile {
 public:
  virtual ~InputFile() = default;
  // Reads up to `size` bytes: the count read, 0 at the end, -1 on an error.
  virtual long read(char* buffer, std::size_t size) = 0;
};

// Opens definition files; tests and fuzzers substitute files held in memory.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // nullptr when the file cannot be opened.
  virtual std::unique_ptr<InputFile> openForReading(const std::string& name) = 0;
};

// Files through the C library, read in binary: the same on every system.
class StdioFileSystem : public FileSystem {
 public:
  std::unique_ptr<InputFile> openForReading(const std::string& name) override;
};

}  // namespace fsprog
