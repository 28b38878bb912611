#include "driver/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes.h"

namespace fsprog {
namespace {

struct ReadLine {
  std::string text;
  bool overLong;
  bool operator==(const ReadLine& other) const {
    return text == other.text && overLong == other.overLong;
  }
};

std::ostream& operator<<(std::ostream& out, const ReadLine& line) {
  return out << '"' << line.text << '"' << (line.overLong ? " (over-long)" : "");
}

// Reads a whole file in blocks of the given size, through a reader whose own
// buffer is smaller still, so that lines straddle every boundary.
std::vector<ReadLine> readAll(const std::string& content, std::size_t fileBlock = 3,
                              long failAfter = -1) {
  testing::MemoryFile file(content, fileBlock, failAfter);
  LineReader reader(file, 5);
  EXPECT_TRUE(reader.start());
  std::vector<ReadLine> lines;
  LineReader::Line line;
  while (reader.next(line)) lines.push_back({std::string(line.text), line.overLong});
  return lines;
}

TEST(LineReader, LineEnds) {
  using Lines = std::vector<ReadLine>;
  EXPECT_EQ(readAll(""), Lines{});
  EXPECT_EQ(readAll("\n"), (Lines{{"", false}}));
  EXPECT_EQ(readAll("A\nB\n"), (Lines{{"A", false}, {"B", false}}));
  EXPECT_EQ(readAll("A\nB"), (Lines{{"A", false}, {"B", false}}));  // no final line feed
  EXPECT_EQ(readAll("A\r\nB\r\n"), (Lines{{"A", false}, {"B", false}}));
  EXPECT_EQ(readAll("A\rB\r\r\n"), (Lines{{"A\rB\r", false}}));  // only CR before LF goes
  EXPECT_EQ(readAll("\r\r\r"), (Lines{{"\r\r\r", false}}));
  EXPECT_EQ(readAll("\n\n"), (Lines{{"", false}, {"", false}}));
}

TEST(LineReader, NulCutsTheLine) {
  EXPECT_EQ(readAll(std::string("AB\0CD\nE", 7)),
            (std::vector<ReadLine>{{"AB", false}, {"E", false}}));
}

TEST(LineReader, LengthLimit) {
  const std::string max(255, 'x');
  EXPECT_EQ(readAll(max + "\n"), (std::vector<ReadLine>{{max, false}}));
  EXPECT_EQ(readAll(max + "\r\n"), (std::vector<ReadLine>{{max, false}}));
  EXPECT_EQ(readAll(max + "\r"), (std::vector<ReadLine>{{max, true}}));  // the CR counts here
  EXPECT_EQ(readAll(max + "y\nnext"), (std::vector<ReadLine>{{max, true}, {"next", false}}));
  // Ten megabytes on one line: cut, and the next line is intact.
  EXPECT_EQ(readAll(std::string(10 << 20, 'z') + "\nnext", 65536),
            (std::vector<ReadLine>{{std::string(255, 'z'), true}, {"next", false}}));
}

TEST(LineReader, ReadErrorsEndTheFile) {
  testing::MemoryFile unreadable("PID=3102\n", 4, 0);
  LineReader reader(unreadable);
  EXPECT_FALSE(reader.start());
  // An error after the first block ends the file like its end would.
  EXPECT_EQ(readAll("AAAA\nBBBB\nCCCC\n", 3, 7),
            (std::vector<ReadLine>{{"AAAA", false}, {"BB", false}}));
}

}  // namespace
}  // namespace fsprog
