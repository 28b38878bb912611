#include "definition/interpreter.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace fsprog {
namespace {

// Runs lines through the interpreter as the driver does: a cleared 8-byte
// frame per line, with canary bytes 4 to 7 that must never change.
class InterpreterTest : public ::testing::Test {
 protected:
  void SetUp() override { state.reset(); }

  struct Outcome {
    int result;
    std::array<std::uint8_t, 8> frame;
    int switchChanged;
  };

  Outcome interpret(const std::string& line) {
    Outcome outcome{};
    outcome.frame = {0, 0, 0, 0, 0xA5, 0xA5, 0xA5, 0xA5};
    outcome.switchChanged = -1;
    outcome.result = interpretLine(state, console, line, outcome.frame.data(), outcome.switchChanged);
    EXPECT_EQ(outcome.frame[4], 0xA5) << line;
    EXPECT_EQ(outcome.frame[7], 0xA5) << line;
    return outcome;
  }

  LoadState state;
  StringConsole console;
};

struct Row {
  const char* line;
  int result;
  std::array<std::uint8_t, 4> record;  // all zero where nothing is written
  int switchChanged;
};

// A file read in load mode from the start of a run; see the comment per row.
const Row kWorkedExample[] = {
    {"; Foot switch settings", 0, {0, 0, 0, 0}, 0},
    {"PID=3102", 1, {0x00, 0x80, 0x00, 0x00}, 0},  // PID record: bytes 0 and 1
    {"VID = 2C7E", 0, {0, 0, 0, 0}, 0},
    {"FS1 KEY STATE CODE=04 SHIFT=1", 1, {0x00, 0x11, 0x04, 0x02}, 1},
    {"FS1 FRONT EDGE CODE=MOUSE_L", 1, {0x00, 0x21, 0xF1, 0x00}, 0},
    {"fs2 key macro code=0b", 1, {0x00, 0x42, 0x0B, 0x00}, 1},
    {"FS2 KEY MACRO CODE=WAIT_A", 1, {0x00, 0x42, 0xFD, 0x00}, 0},
    {"FS2 KEY MACRO CODE=0E CTRL=1 ALT=1", 1, {0x00, 0x42, 0x0E, 0x05}, 0},
    {"FS2 KEY MACRO CODE=00", 1, {0x00, 0x42, 0x00, 0x00}, 0},
    {"AUX9 REAR EDGE CODE=2C ; space bar", 1, {0x00, 0x39, 0x2C, 0x00}, 1},
    {"FS3 STATE KEY CODE=04", 0, {0, 0, 0, 0}, 0},   // mode words in the wrong order
    {"AUX1 KEY STATE CODE=04", 0, {0, 0, 0, 0}, 0},  // AUX1 is out of range
    {"FS1 KEY STATE CODE=05", 1, {0x00, 0x11, 0x05, 0x00}, 1},
    {"NOSAVE", 0, {0, 0, 0, 0}, 0},
};

TEST_F(InterpreterTest, WorkedExampleInLoadMode) {
  for (const Row& row : kWorkedExample) {
    Outcome outcome = interpret(row.line);
    EXPECT_EQ(outcome.result, row.result) << row.line;
    EXPECT_EQ((std::array<std::uint8_t, 4>{outcome.frame[0], outcome.frame[1], outcome.frame[2],
                                           outcome.frame[3]}),
              row.record)
        << row.line;
    EXPECT_EQ(outcome.switchChanged, row.switchChanged) << row.line;
  }
  EXPECT_EQ(state.productId, 0x3102);
  EXPECT_EQ(state.vendorId, 0x2C7E);
  EXPECT_EQ(state.currentSwitch, 1);
  EXPECT_EQ(state.saveSettings, 0);
  // Load mode keeps no books and prints nothing.
  EXPECT_EQ(state.keysDefined, 0);
  EXPECT_EQ(state.macroStep, 0);
  EXPECT_EQ(state.modeMasks, (std::array<std::int32_t, 5>{0, 0, 0, 0, 0}));
  EXPECT_EQ(console.text, "");
}

TEST_F(InterpreterTest, WorkedExampleInAnalysisMode) {
  state.analysisOnly = 1;
  for (const Row& row : kWorkedExample) {
    Outcome outcome = interpret(row.line);
    EXPECT_EQ(outcome.result, row.result) << row.line;
    EXPECT_EQ(outcome.frame[1], row.record[1]) << row.line;
    EXPECT_EQ(outcome.switchChanged, row.switchChanged) << row.line;
  }
  EXPECT_EQ(state.keysDefined, 1);
  EXPECT_EQ(state.modeMasks, (std::array<std::int32_t, 5>{0x206, 0x2, 0x2, 0x200, 0x4}));
  const std::string expected =
      "PID=0x3102\n"
      "VID=0x2c7e\n"
      "FS 1  Key State                Code= 0x04 ,Combination=2 \n"
      "FS 1  Front Edge               Code= 0xf1 ,Combination=0 \n"
      "FS 2  Macro[ 1]                Code= 0x0b ,Combination=0 \n"
      "FS 2  Macro[ 2]                Code= 0xfd ,Combination=0 \n"
      "FS 2  Macro[ 3]                Code= 0x0e ,Combination=5 \n"
      "FS 2  Macro[ 4]                Code= 0x00 End of MACRO. Ignore after this.\n"
      "AUX 9 Rear Edge                Code= 0x2c ,Combination=0 \n"
      "AUX1 is out of range\n"
      "FS 1  Key State                Code= 0x05 ,Combination=0 \tMultiple definition ! \n";
  EXPECT_EQ(console.text, expected);
}

TEST_F(InterpreterTest, LineFormsThatYieldNothing) {
  state.analysisOnly = 1;
  struct Case {
    const char* line;
    const char* printed;
  };
  const Case cases[] = {
      {"", ""},
      {"; only a comment", ""},
      {" FS1 KEY STATE CODE=04", ""},   // keyword not in column 1
      {"\tPID=3102", ""},
      {"FS1 KEY STATE CODE=04 PID", ""},  // PID further on blocks every test
      {"AUX9 KEY STATE CODE=04 FS", ""},
      {"FS3 STATE KEY CODE=04", ""},
      {"FS1 KEY STATE CODE", ""},
      {"FS1 KEY STATE CTRL=1", ""},  // no CODE
      {"FS9 KEY STATE CODE=04", "FS9 is out of range\n"},
      {"FS-1 KEY STATE CODE=04", "FS-1 is out of range\n"},
      {"FS99999999999 KEY STATE CODE=04", "FS2147483647 is out of range\n"},
      {"AUX1 KEY STATE CODE=04", "AUX1 is out of range\n"},
      {"AUX15 KEY STATE CODE=04", "AUX15 is out of range\n"},
      {"AUX KEY STATE CODE=04", "AUX0 is out of range\n"},
      {"PID 3102", ""},  // no "="
      {"PID=", ""},      // "=" in the last position
      {"PIDX=5", ""},
      {"VID", ""},
      {"HELLO", ""},
  };
  for (const Case& c : cases) {
    console.text.clear();
    Outcome outcome = interpret(c.line);
    EXPECT_EQ(outcome.result, 0) << c.line;
    EXPECT_EQ(outcome.frame[1], 0) << c.line;
    EXPECT_EQ(console.text, c.printed) << c.line;
  }
  EXPECT_EQ(state.productId, 0);
  EXPECT_EQ(state.vendorId, kDefaultVendorId);
  EXPECT_EQ(state.keysDefined, 0);
  EXPECT_EQ(state.currentSwitch, 1);  // the lines without CODE did move it
}

TEST_F(InterpreterTest, SwitchNumbersAndModes) {
  struct Case {
    const char* line;
    std::uint8_t switchAndMode;
  };
  const Case cases[] = {
      {"FS KEY STATE CODE=04", 0x10},  // no number: FS0
      {"FS01 KEY STATE CODE=04", 0x11},
      {"FS 1 KEY STATE CODE=04", 0x11},
      {"FS+8 REAR EDGE CODE=04", 0x38},
      {"AUX 10 KEY STATE CODE=04", 0x1A},
      {"AUX14 KEY STATE CODE=04", 0x1E},
      {"AUX14 KEY MACRO CODE=04", 0x4E},
      {"FS2 FRONT\t EDGE CODE=04", 0x22},
      {"fs4 Key Macro Code=04", 0x44},
  };
  for (const Case& c : cases) {
    Outcome outcome = interpret(c.line);
    EXPECT_EQ(outcome.result, 1) << c.line;
    EXPECT_EQ(outcome.frame[1], c.switchAndMode) << c.line;
  }
}

TEST_F(InterpreterTest, FieldsAndTheirValues) {
  struct Case {
    const char* line;
    int result;
    std::uint8_t code;
    std::uint8_t combination;
  };
  const Case cases[] = {
      {"FS1 KEY STATE CODE=04 ; CTRL=1", 1, 0x04, 0x00},  // the comment goes first
      {"FS1 KEY STATE START=1 ALT=1 SHIFT=1 CTRL=1 CODE=04", 1, 0x04, 0x0F},
      {"FS1 KEY STATE CODE=04 CTRL=2", 1, 0x04, 0x00},  // only the lowest bit
      {"FS1 KEY STATE CODE=04 CTRL=3", 1, 0x04, 0x01},
      {"FS1 KEY STATE CODE=04 CTRL=MOUSE_L", 1, 0x04, 0x01},  // 241 is odd
      {"FS1 KEY STATE CODE=04 CTRL=WAIT_B", 1, 0x04, 0x00},   // 254 is even
      {"FS1 KEY STATE CODE=100", 1, 0x00, 0x00},              // low byte only
      {"FS1 KEY STATE CODE=-1", 1, 0xFF, 0x00},
      {"FS1 CTRL=1 KEY STATE CODE=04", 1, 0x04, 0x00},  // a field before the mode is not seen
      {"FS8 CODE=04 KEY STATE", 0, 0, 0},
  };
  for (const Case& c : cases) {
    Outcome outcome = interpret(c.line);
    EXPECT_EQ(outcome.result, c.result) << c.line;
    EXPECT_EQ(outcome.frame[2], c.code) << c.line;
    EXPECT_EQ(outcome.frame[3], c.combination) << c.line;
  }
}

TEST_F(InterpreterTest, HeaderLines) {
  state.analysisOnly = 1;
  EXPECT_EQ(interpret("PID=3103 FS1 KEY STATE CODE=04").result, 1);  // only a PID line
  EXPECT_EQ(state.productId, 0x3103);
  EXPECT_EQ(state.currentSwitch, 0);
  EXPECT_EQ(interpret("pid = 0x3101").result, 1);
  EXPECT_EQ(state.productId, 0x3101);
  EXPECT_EQ(interpret("PID=0").result, 0);  // sets 0, no record
  EXPECT_EQ(state.productId, 0);
  EXPECT_EQ(interpret("VID=XYZ").result, 0);
  EXPECT_EQ(state.vendorId, 0);
  EXPECT_EQ(interpret("VID=12345").result, 0);  // stored as read, no range check
  EXPECT_EQ(state.vendorId, 0x12345);
  EXPECT_EQ(interpret("NOSAVEX").result, 0);
  EXPECT_EQ(state.saveSettings, 0);
  EXPECT_EQ(interpret("DEFAULT_TBL=1").result, 0);
  EXPECT_EQ(state.defaultTable, 1);
  EXPECT_EQ(console.text, "PID=0x3103\nPID=0x3101\nPID=0x0000\nVID=0x0000\nVID=0x12345\n");

  // After an accepted key line the header lines are warned about, then read.
  console.text.clear();
  EXPECT_EQ(interpret("FS1 KEY STATE CODE=04").result, 1);
  console.text.clear();
  EXPECT_EQ(interpret("PID=3102").result, 1);
  EXPECT_EQ(interpret("VID").result, 0);
  EXPECT_EQ(console.text, "PID is necessary for the head.\nPID=0x3102\nVID is necessary for the head.\n");
}

TEST_F(InterpreterTest, SwitchChangeHappensBeforeTheFieldsAreRead) {
  Outcome outcome = interpret("FS8 CODE=04 KEY STATE");
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.switchChanged, 1);
  EXPECT_EQ(state.currentSwitch, 8);
  outcome = interpret("FS8 KEY STATE CODE=04");
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.switchChanged, 0);
  // A line out of range or without a mode moves nothing.
  EXPECT_EQ(interpret("FS9 KEY STATE CODE=04").switchChanged, 0);
  EXPECT_EQ(interpret("FS1 CODE=04").switchChanged, 0);
  EXPECT_EQ(state.currentSwitch, 8);
}

TEST_F(InterpreterTest, MacroLengthLimitsByModel) {
  state.analysisOnly = 1;
  struct Case {
    const char* pid;
    int firstRefused;  // 0: none of 20 steps
  };
  const Case cases[] = {{"PID=3102", 9}, {"PID=3103", 17}, {"PID=3101", 0}, {"PID=0", 0}};
  for (const Case& c : cases) {
    state.reset();
    state.analysisOnly = 1;
    interpret(c.pid);
    interpret("FS1 KEY STATE CODE=01");  // makes FS1 the current switch
    for (int step = 1; step <= 20; ++step) {
      console.text.clear();
      int result = interpret("FS1 KEY MACRO CODE=04").result;
      bool refused = c.firstRefused != 0 && step >= c.firstRefused;
      EXPECT_EQ(result, refused ? 0 : 1) << c.pid << " step " << step;
      if (refused) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "\tMacro count [%2d] is out of range.\n", step);
        EXPECT_EQ(console.text, expected);
      }
    }
    EXPECT_EQ(state.macroStep, 20) << c.pid;
  }
}

TEST_F(InterpreterTest, MacroCountRestartsWhenTheSwitchComesBack) {
  state.analysisOnly = 1;
  interpret("PID=3102");
  for (int i = 0; i < 8; ++i) interpret("FS1 KEY MACRO CODE=04");
  interpret("FS2 KEY STATE CODE=04");
  console.text.clear();
  Outcome outcome = interpret("FS1 KEY MACRO CODE=04");
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(state.macroStep, 1);
  // Its first step again, and FS1 already has a macro: a repeated definition.
  EXPECT_EQ(console.text,
            "FS 1  Macro[ 1]                Code= 0x04 ,Combination=0 \tMultiple definition ! \n");
}

TEST_F(InterpreterTest, RepeatedDefinitions) {
  struct Case {
    const char* first;
    const char* second;
    bool repeated;
  };
  const Case cases[] = {
      {"FS1 KEY STATE CODE=04", "FS1 KEY STATE CODE=05", true},
      {"FS1 KEY STATE CODE=04", "FS1 FRONT EDGE CODE=05", false},
      {"FS1 FRONT EDGE CODE=04", "FS1 REAR EDGE CODE=05", false},
      {"FS1 REAR EDGE CODE=04", "FS1 REAR EDGE CODE=05", true},
      {"FS1 KEY STATE CODE=0", "FS1 KEY MACRO CODE=1", false},  // code 0 does not count
      {"FS1 KEY STATE CODE=4", "FS1 KEY MACRO CODE=1", true},
      {"FS1 KEY MACRO CODE=1", "FS1 KEY STATE CODE=0", true},
      {"FS1 KEY MACRO CODE=1", "FS1 FRONT EDGE CODE=4", true},
      {"FS1 KEY STATE CODE=04", "FS2 KEY STATE CODE=04", false},
  };
  for (const Case& c : cases) {
    state.reset();
    state.analysisOnly = 1;
    interpret(c.first);
    console.text.clear();
    EXPECT_EQ(interpret(c.second).result, 1);
    EXPECT_EQ(console.text.find("Multiple definition") != std::string::npos, c.repeated)
        << c.first << " / " << c.second;
  }
}

TEST_F(InterpreterTest, CopesWithAnyBytes) {
  // Non-ASCII bytes are left as they are; a NUL ends the line.
  std::string line = "FS1 KEY STATE CODE=04";
  line += '\0';
  line += " CTRL=1";
  Outcome outcome = interpret(line);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.frame[3], 0);
  EXPECT_EQ(interpret("\xFF\xFE PID=1").result, 0);
  EXPECT_EQ(interpret(std::string(5000, 'K')).result, 0);
}

}  // namespace
}  // namespace fsprog
