#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "driver/input_file.h"

namespace fsprog {

// Splits a definition file into lines, streaming it in blocks, so that memory
// does not grow with the file or with the length of a line.
//  - A line feed ends a line and is not part of it; a carriage return right
//    before it is dropped, any other carriage return stays.
//  - The last line needs no line feed; a file ending in one has no empty line
//    behind it.
//  - A NUL cuts the line's text.
//  - A line longer than kMaxLineLength keeps its first kMaxLineLength
//    characters and is marked overLong; the rest is skipped.
//  - A read error ends the file.
class LineReader {
 public:
  static constexpr std::size_t kMaxLineLength = 255;

  struct Line {
    std::string_view text;  // valid until the next call of next()
    bool overLong = false;
  };

  explicit LineReader(InputFile& file, std::size_t blockSize = 64 * 1024);

  // Reads the first block. False when the file cannot be read at all (on
  // Linux a directory opens fine and fails here).
  bool start();

  // The next line, or false at the end of the file.
  bool next(Line& line);

 private:
  bool refill();

  InputFile& file_;
  std::vector<char> block_;
  std::size_t position_ = 0;
  std::size_t end_ = 0;
  bool finished_ = false;
  char text_[kMaxLineLength + 1];
};

}  // namespace fsprog
