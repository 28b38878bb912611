#include "definition/listing.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "definition/interpreter.h"

namespace fsprog {
namespace {

// printf into a std::string: the expected texts are written as the format
// and arguments that each piece of an entry is made of.
std::string f(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

const std::string kBlanks14 = "              ";
const std::string kIgnored = "\n\tThe combinations key is ignored.";
const std::string kMultiple = "\tMultiple definition ! ";
const std::string kNoMacro = "\tCan not use MACRO. ";
std::string code(int value, int combination) {
  return f(" Code= 0x%02x ,Combination=%x ", value, combination);
}

std::string analyse(const std::string& file) {
  LoadState state;
  state.reset();
  state.analysisOnly = 1;
  StringConsole console;
  std::size_t start = 0;
  while (start < file.size()) {
    std::size_t end = file.find('\n', start);
    if (end == std::string::npos) end = file.size();
    std::uint8_t frame[8] = {};
    int switchChanged = 0;
    interpretLine(state, console, file.substr(start, end - start), frame, switchChanged);
    start = end + 1;
  }
  return console.text;
}

const char* const kTwelveLines =
    "; sample definitions\n"
    "PID=%x\n"
    "FS1 KEY STATE CODE=04\n"
    "FS2 FRONT EDGE CTRL=1 CODE=MOUSE_LEFT\n"
    "FS2 REAR EDGE CODE=MOUSE_RIGHT\n"
    "FS3 KEY MACRO CODE=0B\n"
    "FS3 KEY MACRO CTRL=1 CODE=WAIT_A\n"
    "FS3 KEY MACRO SHIFT=1 CODE=1C\n"
    "FS3 KEY MACRO CODE=0\n"
    "FS4 KEY STATE CODE=00\n"
    "AUX9 KEY STATE ALT=1 CODE=3A\n"
    "FS1 KEY STATE CODE=05\n";

// Lines 3 and 8 to 12 print the same under every product id; the macro
// entries carry `macroTail` before their line end.
std::string commonHead() { return f("FS %d  ", 1) + "Key State " + kBlanks14 + code(0x04, 0) + "\n"; }
std::string commonTail(const std::string& macroTail) {
  return f("FS %d  ", 3) + f("Macro[%2d] ", 3) + kBlanks14 + code(0x1C, 2) + macroTail + "\n" +
         f("FS %d  ", 3) + f("Macro[%2d] ", 4) + kBlanks14 +
         " Code= 0x00 End of MACRO. Ignore after this." + macroTail + "\n" +
         f("FS %d  ", 4) + "Key State " + kBlanks14 + " Code= 0x00 Does not use this. " + "\n" +
         f("AUX%2d ", 9) + "Key State " + kBlanks14 + code(0x3A, 4) + "\n" +
         f("FS %d  ", 1) + "Key State " + kBlanks14 + code(0x05, 0) + kMultiple + "\n";
}

TEST(Listing, TwelveLineExampleWithProductId3103) {
  std::string expected = f("PID=0x%04x\n", 0x3103) + commonHead() +
                         f("FS %d  ", 2) + "Front Edge" + "(Mouse LEFT  )" + code(0xF1, 1) + kIgnored + "\n" +
                         f("FS %d  ", 2) + "Rear Edge " + "(Mouse RIGHT )" + code(0xF2, 0) + "\n" +
                         f("FS %d  ", 3) + f("Macro[%2d] ", 1) + kBlanks14 + code(0x0B, 0) + "\n" +
                         f("FS %d  ", 3) + f("Macro[%2d] ", 2) + kBlanks14 + " WAIT(A)     " + kIgnored + "\n" +
                         commonTail("");
  EXPECT_EQ(analyse(f(kTwelveLines, 0x3103)), expected);
}

std::string otherModelEntries(int productId, const std::string& macroTail) {
  return f("PID=0x%04x\n", productId) + commonHead() +
         f("FS %d  ", 2) + "Front Edge              " + code(0xF1, 1) + "\n" +
         f("FS %d  ", 2) + "Rear Edge               " + code(0xF2, 0) + "\n" +
         f("FS %d  ", 3) + f("Macro[%2d] ", 1) + kBlanks14 + code(0x0B, 0) + macroTail + "\n" +
         f("FS %d  ", 3) + f("Macro[%2d] ", 2) + kBlanks14 + code(0xFD, 1) + macroTail + "\n" +
         commonTail(macroTail);
}

TEST(Listing, TwelveLineExampleWithProductId3102) {
  EXPECT_EQ(analyse(f(kTwelveLines, 0x3102)), otherModelEntries(0x3102, ""));
}

TEST(Listing, TwelveLineExampleWithProductId3101HasNoMacros) {
  EXPECT_EQ(analyse(f(kTwelveLines, 0x3101)), otherModelEntries(0x3101, kNoMacro));
}

TEST(Listing, EntriesInDetail) {
  struct Case {
    const char* file;
    std::string lastEntry;  // what the file's last line prints
  };
  const Case cases[] = {
      {"PID=3102\nFS7 REAR EDGE CODE=MOUSE_CENTER SHIFT=1",
       f("FS %d  ", 7) + "Rear Edge               " + code(0xF4, 2) + "\n"},
      {"PID=3102\nfs5 key state code=mouse_r ctrl=1",
       f("FS %d  ", 5) + "Key State " + "(Mouse RIGHT )" + code(0xF2, 1) + kIgnored + "\n"},
      {"PID=3103\nFS2 KEY STATE CODE=04\nFS2 KEY STATE ALT=1 CODE=WAIT_B",
       f("FS %d  ", 2) + "Key State " + kBlanks14 + " WAIT(B)     " + kIgnored + kMultiple + "\n"},
      {"PID=3102\nFS1 KEY STATE CODE=04\nFS1 KEY STATE CTRL=1 CODE=MOUSE_L",
       f("FS %d  ", 1) + "Key State " + "(Mouse LEFT  )" + code(0xF1, 1) + kMultiple + kIgnored + "\n"},
      {"PID=3103\nFS8 FRONT EDGE CODE=WAIT_A",
       f("FS %d  ", 8) + "Front Edge" + kBlanks14 + " WAIT(A)     " + "\n"},
      {"PID=3103\nFS8 KEY STATE CODE=FD",  // a wait by number
       f("FS %d  ", 8) + "Key State " + kBlanks14 + " WAIT(A)     " + "\n"},
      {"PID=3102\nFS8 KEY STATE CODE=FE",
       f("FS %d  ", 8) + "Key State " + kBlanks14 + code(0xFE, 0) + "\n"},
      {"PID=3103\nFS8 KEY STATE CODE=F1",  // the label follows the word, not the value
       f("FS %d  ", 8) + "Key State " + kBlanks14 + code(0xF1, 0) + "\n"},
      {"FS1 KEY STATE CODE=1FF", f("FS %d  ", 1) + "Key State " + kBlanks14 + " Code= 0x1ff ,Combination=0 \n"},
      {"FS1 KEY STATE CODE=-1", f("FS %d  ", 1) + "Key State " + kBlanks14 + " Code= 0xffffffff ,Combination=0 \n"},
      {"FS1 KEY MACRO CODE=04\nFS1 KEY STATE CODE=0",  // macroStep still counts
       f("FS %d  ", 1) + "Key State " + kBlanks14 + " Code= 0x00 End of MACRO. Ignore after this." +
           kMultiple + "\n"},
      {"PID=3101\nFS1 KEY MACRO CODE=0",
       f("FS %d  ", 1) + f("Macro[%2d] ", 1) + kBlanks14 +
           " Code= 0x00 End of MACRO. Ignore after this." + kNoMacro + "\n"},
      {"AUX14 FRONT EDGE CODE=MOUSE_L CTRL=1",  // no PID yet: the short edge form
       f("AUX%2d ", 14) + "Front Edge              " + code(0xF1, 1) + "\n"},
  };
  for (const Case& c : cases) {
    std::string text = analyse(c.file);
    ASSERT_GE(text.size(), c.lastEntry.size()) << c.file;
    EXPECT_EQ(text.substr(text.size() - c.lastEntry.size()), c.lastEntry) << c.file;
  }
}

TEST(Listing, MacroStepsBeyondNinetyNineWidenTheColumn) {
  std::string file;
  for (int i = 0; i < 100; ++i) file += "FS1 KEY MACRO CODE=04\n";
  std::string text = analyse(file);
  EXPECT_NE(text.find("FS 1  Macro[99]                Code="), std::string::npos);
  EXPECT_NE(text.find("FS 1  Macro[100]                Code="), std::string::npos);
}

}  // namespace
}  // namespace fsprog
