#include "definition/matchers.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace fsprog {
namespace {

TEST(MatchKeyword, FindsOnlyAtTheStartButMovesTheCursorWherever) {
  struct Case {
    const char* line;
    const char* keyword;
    std::size_t cursorBefore;
    int result;
    std::size_t cursorAfter;
  };
  const Case cases[] = {
      {"PID=3102", "PID", 0, 1, 3},
      {"XPID=1", "PID", 0, 0, 4},                // found, but not in column 1
      {"PIDPID", "PID", 1, 0, 6},                // a moved cursor cannot find column 1
      {"FS1 KEY STATE CODE=4", "PID", 0, 0, 0},  // not found: cursor stays
      {"", "PID", 0, 0, 0},
      {"PI", "PID", 0, 0, 0},  // the keyword must lie wholly inside the line
  };
  for (const Case& c : cases) {
    std::size_t cursor = c.cursorBefore;
    EXPECT_EQ(matchKeyword(c.line, c.keyword, cursor), c.result) << c.line;
    EXPECT_EQ(cursor, c.cursorAfter) << c.line;
  }
}

TEST(MatchKeywordPair, AllowsOnlyBlanksBetweenTheWords) {
  struct Case {
    const char* line;
    int result;
    std::size_t cursorAfter;
  };
  const Case cases[] = {
      {"FS1 KEY STATE CODE=4", 1, 13},
      {"FS1 STATE KEY CODE=4", 0, 2},    // KEY found, no STATE behind it
      {"FS1 KEYSTATE", 1, 12},           // an empty gap is allowed
      {"FS1 KEY\t STATE", 1, 14},        // tabs and spaces mix
      {"FS1 KEY X STATE", 0, 15},        // cursor moves though the gap is bad
      {"FS1 KEY KEY STATE", 0, 17},      // only the first KEY is tried
      {"FS1 KEY \n STATE", 0, 15},       // a line feed is no blank
  };
  for (const Case& c : cases) {
    std::size_t cursor = 2;
    EXPECT_EQ(matchKeywordPair(c.line, "KEY", "STATE", cursor), c.result) << c.line;
    EXPECT_EQ(cursor, c.cursorAfter) << c.line;
  }
}

TEST(ReadFieldValue, ReadsNumbersAndValueWords) {
  struct Case {
    std::string line;
    int result;
    int value;      // checked only when result is 1
    int mouseWord;  // likewise
  };
  const std::string p = "FS1 KEY STATE ";
  const Case cases[] = {
      {p + "CODE=1E", 1, 0x1E, 0},
      {p + "CODE = 0X1E", 1, 0x1E, 0},
      {p + "CODE=MOUSE_L", 1, 241, 1},
      {p + "CODE=MOUSE_LEFT", 1, 241, 1},
      {p + "CODE=MOUSE_C", 1, 244, 1},
      {p + "CODE=MOUSE_R", 1, 242, 1},
      {p + "CODE=MOUSE_X", 0, 0, 0},
      {p + "CODE=MOUSE_", 0, 0, 0},
      {p + "CODE=WAIT_A", 1, 253, 0},
      {p + "CODE=\t\tWAIT_B", 1, 254, 0},
      {p + "CODE=WAIT_AB", 1, 253, 0},
      {p + "CODE=WAIT_", 1, 0, 0},  // no word: the number 0
      {p + "CODE=0", 1, 0, 0},
      {p + "CODE=X", 1, 0, 0},
      {p + "CODE=0X", 1, 0, 0},
      {p + "CODE=", 0, 0, 0},   // "=" in the last position
      {p + "CODE= ", 0, 0, 0},  // nothing but a blank behind it
      {p + "CODE:1", 0, 0, 0},
      {p + "CODEX CODE=5", 0, 0, 0},  // only the first CODE is tried
      {p + "XCODE=5", 1, 5, 0},
      {p + "CODE=1FF", 1, 0x1FF, 0},
      {p + "CODE=-1", 1, -1, 0},
      {p + "CODE=FFFFFFFFFF", 1, INT_MAX, 0},
      {p + "CODE=-FFFFFFFFFF", 1, INT_MIN, 0},
      {p + "CODE=80000000", 1, INT_MAX, 0},
      {p + "CODE=-80000000", 1, INT_MIN, 0},
      {p + "CODE=7FFFFFFF", 1, INT_MAX, 0},
      {p + "CODE=0MOUSE_L", 1, 0, 0},  // the word must stand right after "="
  };
  for (const Case& c : cases) {
    int value = -12345;
    int mouseWord = -1;
    ASSERT_EQ(readFieldValue(c.line, "CODE", 13, value, mouseWord), c.result) << c.line;
    if (c.result == 1) {
      EXPECT_EQ(value, c.value) << c.line;
      EXPECT_EQ(mouseWord, c.mouseWord) << c.line;
    }
  }
}

TEST(ReadFieldValue, ShortLinesNeverMatch) {
  int value = 0;
  int mouseWord = 0;
  EXPECT_EQ(readFieldValue("", "A", 0, value, mouseWord), 0);
  EXPECT_EQ(readFieldValue("A", "A", 0, value, mouseWord), 0);
  EXPECT_EQ(readFieldValue("A=", "A", 0, value, mouseWord), 0);
  EXPECT_EQ(readFieldValue("A=1", "A", 1, value, mouseWord), 0);  // search starts behind it
}

TEST(ParseLong32, BehavesLikeA32BitStrtol) {
  struct Case {
    const char* text;
    int base;
    std::int32_t value;
  };
  const Case cases[] = {
      {"  \t\n\v\f\r12", 10, 12},
      {"+7", 10, 7},
      {"-1", 10, -1},
      {"", 10, 0},
      {"-", 10, 0},
      {"01", 10, 1},
      {"1A", 10, 1},
      {"99999999999", 10, INT_MAX},
      {"2147483647", 10, INT_MAX},
      {"2147483648", 10, INT_MAX},
      {"-2147483648", 10, INT_MIN},
      {"-2147483649", 10, INT_MIN},
      {"0x1e", 16, 0x1E},
      {"0X", 16, 0},
      {"0xg", 16, 0},
      {"-0x10", 16, -16},
      {"ffffffff", 16, INT_MAX},
      {"0x", 10, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parseLong32(c.text, c.base), c.value) << c.text;
  }
  // Only the bytes of the view are read, whatever follows them in memory.
  EXPECT_EQ(parseLong32(std::string_view("123456", 2), 10), 12);
}

}  // namespace
}  // namespace fsprog
