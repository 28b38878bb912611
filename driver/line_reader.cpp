#include "driver/line_reader.h"

#include <algorithm>
#include <cstring>

namespace fsprog {

LineReader::LineReader(InputFile& file, std::size_t blockSize)
    : file_(file), block_(std::max<std::size_t>(blockSize, 1)) {}

bool LineReader::refill() {
  if (finished_) return false;
  long count = file_.read(block_.data(), block_.size());
  if (count <= 0) {
    finished_ = true;
    position_ = end_ = 0;
    return false;
  }
  position_ = 0;
  end_ = static_cast<std::size_t>(count);
  return true;
}

bool LineReader::start() {
  long count = file_.read(block_.data(), block_.size());
  if (count < 0) return false;
  position_ = 0;
  end_ = static_cast<std::size_t>(count);
  finished_ = count == 0;
  return true;
}

bool LineReader::next(Line& line) {
  if (position_ == end_ && !refill()) return false;

  std::size_t total = 0;  // characters of the line, the line feed not counted
  std::size_t kept = 0;   // of those, in text_ (one more than the limit, so
                          // that a carriage return before the feed is seen)
  char last = '\0';
  bool lineFeed = false;
  while (position_ < end_ || refill()) {
    const char* start = block_.data() + position_;
    std::size_t available = end_ - position_;
    const char* feed = static_cast<const char*>(std::memchr(start, '\n', available));
    std::size_t take = feed != nullptr ? static_cast<std::size_t>(feed - start) : available;
    std::size_t copy = std::min(take, sizeof text_ - kept);
    std::memcpy(text_ + kept, start, copy);
    kept += copy;
    total += take;
    if (take > 0) last = start[take - 1];
    position_ += take;
    if (feed != nullptr) {
      ++position_;
      lineFeed = true;
      break;
    }
  }

  std::size_t length = total;
  if (lineFeed && last == '\r') --length;
  line.overLong = length > kMaxLineLength;
  length = std::min(length, kMaxLineLength);
  const char* nul = static_cast<const char*>(std::memchr(text_, '\0', length));
  if (nul != nullptr) length = static_cast<std::size_t>(nul - text_);
  line.text = std::string_view(text_, length);
  return true;
}

}  // namespace fsprog
