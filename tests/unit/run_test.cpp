// The run driver from the command line to the exit code, with the file
// system and the HID platform faked.
#include "driver/run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes.h"

namespace fsprog {
namespace {

using testing::FakeHid;
using testing::hex;
using Strings = std::vector<std::string>;

const std::wstring kSettings = L"\\\\?\\hid#vid_2c7e&pid_3102&mi_01#{4d1e55b2}";

const char* const kUsageScreen =
    "Usage : fsprog [FileName] [/t]\n"
    "        FileName : Key code definition file (Default TolvarCode.txt)\n"
    "        /t       : Only the analysis result of the definition file is displayed.\n"
    " Ver. 3.00\n"
    "\n";

class RunTest : public ::testing::Test {
 protected:
  int run(const std::vector<std::string>& args) {
    std::vector<CommandArgument> arguments{{L"fsprog", "fsprog"}};
    for (const std::string& arg : args) {
      arguments.push_back({std::wstring(arg.begin(), arg.end()), arg});
    }
    RunEnvironment environment{console, files, hid};
    return runFsprog(arguments, environment, state);
  }

  LoadState state;
  StringConsole console;
  testing::MemoryFileSystem files;
  FakeHid hid;
};

TEST_F(RunTest, CommandLine) {
  files.files["TolvarCode.txt"] = "";
  files.files["a.txt"] = "";
  files.files["-t"] = "";
  struct Case {
    Strings args;
    int exitCode;
    const char* opened;  // "" when no file is opened
    int analysisOnly;
  };
  const Case cases[] = {
      {{}, 0, "TolvarCode.txt", 0},
      {{"/t"}, 0, "TolvarCode.txt", 1},
      {{"/T"}, 0, "TolvarCode.txt", 1},
      {{"/t", "a.txt"}, 0, "a.txt", 1},
      {{"a.txt", "b.txt", "/t"}, 0, "a.txt", 1},  // the second name is ignored
      {{"-t"}, 0, "-t", 0},                        // looks like an option, is a name
      {{"/help"}, 100, "/help", 0},
      {{"/t1"}, 100, "/t1", 0},
      {{"/h"}, kExitUsage, "", 0},
      {{"/H"}, kExitUsage, "", 0},
      {{"/?"}, kExitUsage, "", 0},
      {{"missing.txt", "/h"}, kExitUsage, "", 0},  // the file is never opened
      {{"/t", "/?", "a.txt"}, kExitUsage, "", 1},  // no analysis
  };
  for (const Case& c : cases) {
    files.opened.clear();
    console.text.clear();
    EXPECT_EQ(run(c.args), c.exitCode) << ::testing::PrintToString(c.args);
    EXPECT_EQ(files.opened, *c.opened ? Strings{c.opened} : Strings{})
        << ::testing::PrintToString(c.args);
    EXPECT_EQ(state.analysisOnly, c.analysisOnly) << ::testing::PrintToString(c.args);
  }
}

TEST_F(RunTest, UsageScreenListsTheFootSwitch) {
  hid.paths = {kSettings};
  EXPECT_EQ(run({"/h"}), kExitUsage);
  EXPECT_EQ(console.text, std::string(kUsageScreen) + "Korvane PID=3102 is Connected\n");
  EXPECT_TRUE(hid.frames.empty());
  // The listing looks for the built-in vendor; nothing is read from a file.
  FakeHid none;
  StringConsole out;
  RunEnvironment environment{out, files, none};
  LoadState fresh;
  runFsprog({{L"fsprog", "fsprog"}, {L"/?", "/?"}}, environment, fresh);
  EXPECT_EQ(out.text, std::string(kUsageScreen) + "Korvane not found !\n");
}

TEST_F(RunTest, FileThatCannotBeOpened) {
  files.files["dir"] = "x";
  files.unreadable = {"dir"};  // like a directory on Linux: opens, cannot be read
  const Strings argLists[] = {{"missing.txt"}, {"missing.txt", "/t"}, {"dir", "/t"}};
  for (const Strings& args : argLists) {
    console.text.clear();
    EXPECT_EQ(run(args), 100);
    EXPECT_EQ(console.text, "Can not Open " + args[0] + "\n");
  }
  console.text.clear();
  EXPECT_EQ(run({}), 100);
  EXPECT_EQ(console.text, "Can not Open TolvarCode.txt\n");
  EXPECT_TRUE(hid.calls.empty());
}

TEST_F(RunTest, AnalysisSummaries) {
  struct Case {
    const char* file;
    const char* summary;
  };
  const Case cases[] = {
      {"", "Key code was not found.\nPID was not found.\n\n"},
      {"PID=3102\nFS1 KEY STATE CODE=04\n", "\n"},
      {"PID=3102\nDEFAULT_TBL\n", "Saved to the DEFAULT settings.\n\n"},
      {"FS1 KEY STATE CODE=04\nDEFAULT_TBL\n",
       "Saved to the DEFAULT settings.(All the settings are ignored)\nPID was not found.\n\n"},
      {"PID=3102\nPID=0\n", "Key code was not found.\nPID was not found.\n\n"},
  };
  for (const Case& c : cases) {
    files.files["f.txt"] = c.file;
    console.text.clear();
    EXPECT_EQ(run({"f.txt", "/t"}), 0);
    const std::string summary = c.summary;
    ASSERT_GE(console.text.size(), summary.size());
    EXPECT_EQ(console.text.substr(console.text.size() - summary.size()), summary) << c.file;
  }
  EXPECT_TRUE(hid.calls.empty());  // analysis never looks for the device
}

TEST_F(RunTest, OverLongLinesAreCutAndReported) {
  files.files["f.txt"] = "PID=3102\n" + std::string(300, ' ') + "\nFS1 KEY STATE CODE=04" +
                         std::string(240, ' ') + "CTRL=1\n";
  EXPECT_EQ(run({"f.txt", "/t"}), 0);
  EXPECT_EQ(console.text,
            "PID=0x3102\n"
            "Line 2 is longer than 255 characters; the rest of it is ignored.\n"
            "Line 3 is longer than 255 characters; the rest of it is ignored.\n"
            "FS 1  Key State                Code= 0x04 ,Combination=0 \n"
            "\n");
  // Load mode cuts the same way and says nothing about it.
  hid.paths = {kSettings};
  console.text.clear();
  EXPECT_EQ(run({"f.txt"}), 0);
  EXPECT_EQ(console.text, "\nLOAD END\n");
  EXPECT_EQ(hex(hid.frames[1]), "00 11 04 00 00 00 00 00");
}

TEST_F(RunTest, LoadSendsTheWholeSequence) {
  files.files["f.txt"] = "; pedals\r\nPID=3102\r\nFS1 KEY STATE CODE=04\r\nFS1 FRONT EDGE CODE=05\r\n"
                         "FS2 KEY STATE CODE=06";
  hid.paths = {kSettings};
  EXPECT_EQ(run({"f.txt"}), 0);
  EXPECT_EQ(console.text, "\nLOAD END\n");
  EXPECT_EQ(hex(hid.frames),
            (Strings{"00 80 00 00 00 00 00 00", "00 11 04 00 00 00 00 00",
                     "00 21 05 00 00 00 00 00", "00 8E 00 00 00 00 00 00",
                     "00 12 06 00 00 00 00 00", "00 EE 8E 00 00 00 00 00",
                     "00 00 00 00 00 00 00 00", "00 8E 00 00 00 00 00 00",
                     "00 00 00 00 00 00 00 00", "00 8C 00 00 00 00 00 00",
                     "00 00 00 00 00 00 00 00", "00 00 00 00 00 00 00 00"}));
  EXPECT_EQ(hid.calls.back(), "close");
  EXPECT_EQ(hid.openHandles, 0);
}

TEST_F(RunTest, LoadWithoutRecordsNeverLooksForTheDevice) {
  files.files["f.txt"] = "; nothing\nVID=2C7E\nNOSAVE\nFS9 KEY STATE CODE=1\n";
  EXPECT_EQ(run({"f.txt"}), 0);
  EXPECT_EQ(console.text, "\nLOAD END\n");
  EXPECT_TRUE(hid.calls.empty());
}

TEST_F(RunTest, LoadFailures) {
  struct Case {
    const char* what;
    const char* file;
    bool present;
    bool openFails;
    int failWrite;
    int shortWrite;
    int exitCode;
    const char* output;
    std::size_t framesWritten;
  };
  const char* const file = "PID=3102\nFS1 KEY STATE CODE=04\nFS2 KEY STATE CODE=05\n";
  const Case cases[] = {
      {"absent", file, false, false, 0, 0, 11, "Device not found !\n\nOPEN ERROR\n", 0},
      {"not openable", file, true, true, 0, 0, 10, "\nOPEN ERROR\n", 0},
      {"write fails", file, true, false, 3, 0, 2, "\nLOAD ERROR\n", 3},
      {"short write", file, true, false, 0, 2, 1, "\nLOAD ERROR\n", 2},
      // Key lines before the PID line look for product id 0.
      {"keys first", "FS1 KEY STATE CODE=04\nPID=3102\n", true, false, 0, 0, 11,
       "Device not found !\n\nOPEN ERROR\n", 0},
      // Failures among the closing frames are not examined.
      {"closing fails", file, true, false, 7, 0, 0, "\nLOAD END\n", 11},
  };
  for (const Case& c : cases) {
    FakeHid fake;
    if (c.present) fake.paths = {kSettings};
    if (c.openFails) fake.openFails = {kSettings};
    fake.failWriteNumber = c.failWrite;
    fake.shortWriteNumber = c.shortWrite;
    files.files["f.txt"] = c.file;
    StringConsole out;
    RunEnvironment environment{out, files, fake};
    EXPECT_EQ(runFsprog({{L"fsprog", "fsprog"}, {L"f.txt", "f.txt"}}, environment, state),
              c.exitCode)
        << c.what;
    EXPECT_EQ(out.text, c.output) << c.what;
    EXPECT_EQ(fake.frames.size(), c.framesWritten) << c.what;
    EXPECT_EQ(fake.openHandles, 0) << c.what;  // every opened handle is closed
  }
}

TEST_F(RunTest, StateAfterARun) {
  files.files["f.txt"] = "PID=3102\nFS1 KEY MACRO CODE=04\nNOSAVE\n";
  run({"f.txt", "/t"});
  EXPECT_EQ(state.keysDefined, 1);
  EXPECT_EQ(state.macroStep, 1);
  EXPECT_EQ(state.saveSettings, 0);
  hid.paths = {kSettings};
  run({"f.txt"});
  EXPECT_EQ(state.keysDefined, 0);
  EXPECT_EQ(state.macroStep, 0);
  EXPECT_EQ(state.modeMasks, (std::array<std::int32_t, 5>{}));
}

}  // namespace
}  // namespace fsprog
