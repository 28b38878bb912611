// Hostile inputs, end to end: the built fsprog runs on each input of the
// table below, and its standard output, its exit code and (for loads) the
// bytes that reached the foot switch node must be exactly the defined ones.
//
// Usage: fsprog_hostile <fsprog> <work directory> [wrapper...] [gtest options]
// A wrapper (a program and its arguments, such as valgrind) goes in front of
// every fsprog command.
// Big inputs are generated into the work directory while the test runs and
// removed after each case.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "definition/console.h"
#include "definition/interpreter.h"

namespace {

std::string gFsprog;
std::string gWork;
std::vector<std::string> gWrapper;  // runs fsprog, e.g. under valgrind; may be empty

const char* const kLongLineMessage =
    "Line %d is longer than 255 characters; the rest of it is ignored.\n";
const char* const kNoKeysNoPid = "Key code was not found.\nPID was not found.\n\n";

// The listing entry of a Key State line without a mouse word.
std::string keyStateEntry(const char* switchColumn, const char* code) {
  return std::string(switchColumn) + "Key State " + std::string(14, ' ') + " Code= 0x" + code +
         " ,Combination=0 \n";
}

std::string longLineMessage(int line) {
  char text[96];
  std::snprintf(text, sizeof text, kLongLineMessage, line);
  return text;
}

// ---------------------------------------------------------------------------
// The definition file of a case.

enum class InputKind {
  kFile,       // a regular file with the case's content
  kDirectory,  // a directory
  kFifo,       // a FIFO; a writer gives it the content and closes it
  kDevNull,    // /dev/null itself
  kMissing,    // no file; the content is the name given on the command line
};

// Which system tree FSPROG_SYSROOT points to.
enum class Root {
  kEmpty,       // no HID class at all
  kFootSwitch,  // hidraw0 is a foot switch 2C7E:3102; its node is a regular file
};

struct Outcome {
  std::string output;
  int exitCode = -1;
};

struct Case {
  const char* name;
  InputKind kind;
  std::function<std::string()> content;  // kFile, kFifo: the bytes; kMissing: the name
  bool analysis;
  Root root;
  int exitCode;
  // The expected standard output, computed from the content.
  std::function<std::string(const std::string& content)> expectedOutput;
  // The expected bytes on the foot switch node (empty: nothing written).
  std::function<std::string()> expectedFrames = [] { return std::string(); };
};

std::string repeat(const std::string& text, std::size_t count) {
  std::string out;
  out.reserve(text.size() * count);
  for (std::size_t i = 0; i < count; ++i) out += text;
  return out;
}

std::string literal(const char* text, std::size_t size) { return std::string(text, size); }

// 1 MiB of uniformly random bytes, the same on every run: mt19937's output
// sequence is fixed by the C++ standard.
std::string randomBytes() {
  std::mt19937 generator(20240605u);
  std::string bytes(1 << 20, '\0');
  for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
  return bytes;
}

// What analysis (or load) of any content must print, by the line rules
// written out here once more and the interpreter library for each line.
struct Model {
  std::string analysisText;
  bool anyRecord = false;
};

Model model(const std::string& content, bool analysis) {
  fsprog::LoadState state;
  state.reset();
  state.analysisOnly = analysis ? 1 : 0;
  fsprog::StringConsole console;
  Model result;
  std::string_view rest = content;
  for (int number = 1; !rest.empty(); ++number) {
    const std::size_t feed = rest.find('\n');
    std::string_view line = rest.substr(0, feed);
    rest.remove_prefix(feed == std::string_view::npos ? rest.size() : feed + 1);
    if (feed != std::string_view::npos && !line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    if (analysis && line.size() > 255) console.text += longLineMessage(number);
    line = line.substr(0, 255);
    std::uint8_t record[4] = {};
    int switchChanged = 0;
    if (fsprog::interpretLine(state, console, line, record, switchChanged) != 0) {
      result.anyRecord = true;
    }
  }
  if (state.keysDefined != 0 && state.defaultTable != 0) {
    console.text += "Saved to the DEFAULT settings.(All the settings are ignored)\n";
  } else if (state.defaultTable != 0) {
    console.text += "Saved to the DEFAULT settings.\n";
  } else if (state.keysDefined == 0) {
    console.text += "Key code was not found.\n";
  }
  if (state.productId == 0) console.text += "PID was not found.\n";
  console.text += "\n";
  result.analysisText = console.text;
  return result;
}

// Frames as the foot switch node receives them: eight bytes each.
std::string frame(std::uint8_t b1, std::uint8_t b2 = 0, std::uint8_t b3 = 0) {
  return std::string{
      '\0', static_cast<char>(b1), static_cast<char>(b2), static_cast<char>(b3), '\0', '\0', '\0',
      '\0'};
}
const std::string kPidFrame = frame(0x80);
const std::string kGroupEnd = frame(0x8E);
const std::string kEmpty = frame(0x00);
// Save, empty, group end, empty, closing, empty, empty.
const std::string kClosingAfterKeys =
    frame(0xEE, 0x8E) + kEmpty + kGroupEnd + kEmpty + frame(0x8C) + kEmpty + kEmpty;

// A file with NULs in every place: a line of NULs only, NULs inside header
// and key lines (the text after one is not seen), NUL lines, a NUL first.
std::string nulsEverywhere() {
  return repeat(std::string(1, '\0'), 300) + "\n" + literal("PID=3102\0 PID=3103\n", 19) +
         literal("FS1 KEY STATE CODE=04\0 CTRL=1\n", 30) +
         literal("\0FS2 KEY STATE CODE=05\n", 23) + repeat(std::string(4, '\0') + "\n", 1000) +
         literal("AUX9 KEY STATE\0 CODE=06\n", 24) +
         literal("FS3 KEY STATE CODE=07\0\0\0\0\0\0\0\0\0\0", 31);
}

std::string analysisOfNuls(const std::string&) {
  return longLineMessage(1) + "PID=0x3102\n" + keyStateEntry("FS 1  ", "04") +
         keyStateEntry("FS 3  ", "07") + "\n";
}

std::string framesOfNuls() {
  return kPidFrame + frame(0x11, 0x04) + kGroupEnd + frame(0x13, 0x07) + kClosingAfterKeys;
}

const std::size_t kMacroSteps = 1000000;

std::string macroStepEntries(const std::string&) {
  std::string text;
  text.reserve(kMacroSteps * 58);
  char entry[96];
  for (std::size_t step = 1; step <= kMacroSteps; ++step) {
    // "Macro[%2d] ": two digits at least; 100 and more widen the column.
    std::snprintf(entry, sizeof entry, "FS 1  Macro[%2zu] %14s Code= 0x04 ,Combination=0 \n", step,
                  "");
    text += entry;
  }
  return text + "PID was not found.\n\n";
}

std::string framesOfMacroLoad() {
  return kPidFrame + repeat(frame(0x41, 0x04), kMacroSteps) + kClosingAfterKeys;
}

auto output(std::string text) {
  return [text](const std::string&) { return text; };
}
auto content(std::string text) {
  return [text] { return text; };
}

const std::string kDeviceNotFound = "Device not found !\n\nOPEN ERROR\n";
const std::string kKeyLine = "FS1 KEY STATE CODE=04\n";
const std::string kLongName = repeat("no_such_directory/", 40) + "TolvarCode.txt";

const Case kCases[] = {
    // Random bytes: mostly over-long lines of garbage; the model tells what
    // each line gives. In load mode nothing in them must reach a device.
    {"random_bytes", InputKind::kFile, randomBytes, true, Root::kEmpty, 0,
     [](const std::string& bytes) { return model(bytes, true).analysisText; }},
    {"random_bytes_load", InputKind::kFile, randomBytes, false, Root::kFootSwitch, 0,
     [](const std::string& bytes) {
       EXPECT_FALSE(model(bytes, false).anyRecord) << "the seed now gives a record; "
                                                      "expect an OPEN ERROR";
       return std::string("\nLOAD END\n");
     }},
    // A 10 MB single line: its first 255 characters count, the rest (a CTRL
    // field at its very end) is skipped.
    {"ten_megabyte_line", InputKind::kFile,
     [] { return "FS1 KEY STATE CODE=04" + std::string(10 << 20, ' ') + "CTRL=1"; }, true,
     Root::kEmpty, 0,
     output(longLineMessage(1) + keyStateEntry("FS 1  ", "04") + "PID was not found.\n\n")},
    // The same line loaded: it is a key record before any PID line, so the
    // lookup asks for product 0000 and finds nothing.
    {"ten_megabyte_line_load", InputKind::kFile,
     [] { return "FS1 KEY STATE CODE=04" + std::string(10 << 20, ' ') + "CTRL=1"; }, false,
     Root::kFootSwitch, 11, output(kDeviceNotFound)},
    {"empty_lines", InputKind::kFile, content(std::string(100000, '\n')), true, Root::kEmpty, 0,
     output(kNoKeysNoPid)},
    {"empty_lines_load", InputKind::kFile, content(std::string(100000, '\n')), false,
     Root::kFootSwitch, 0, output("\nLOAD END\n")},
    // Carriage returns without a line feed are one over-long line.
    {"carriage_returns_only", InputKind::kFile, content(std::string(100000, '\r')), true,
     Root::kEmpty, 0, output(longLineMessage(1) + kNoKeysNoPid)},
    {"crlf_lines_only", InputKind::kFile, content(repeat("\r\n", 100000)), true, Root::kEmpty, 0,
     output(kNoKeysNoPid)},
    {"nul_bytes_only", InputKind::kFile, content(std::string(1 << 20, '\0')), true, Root::kEmpty, 0,
     output(longLineMessage(1) + kNoKeysNoPid)},
    {"nuls_everywhere", InputKind::kFile, nulsEverywhere, true, Root::kEmpty, 0, analysisOfNuls},
    {"nuls_everywhere_load", InputKind::kFile, nulsEverywhere, false, Root::kFootSwitch, 0,
     output("\nLOAD END\n"), framesOfNuls},
    {"directory", InputKind::kDirectory, nullptr, true, Root::kEmpty, 100,
     output("Can not Open input\n")},
    {"directory_load", InputKind::kDirectory, nullptr, false, Root::kFootSwitch, 100,
     output("Can not Open input\n")},
    // A FIFO read to its end once the writer closes it.
    {"fifo", InputKind::kFifo, content("PID=3102\n" + kKeyLine), true, Root::kEmpty, 0,
     output("PID=0x3102\n" + keyStateEntry("FS 1  ", "04") + "\n")},
    {"fifo_closed_at_once", InputKind::kFifo, content(""), true, Root::kEmpty, 0,
     output(kNoKeysNoPid)},
    {"fifo_load", InputKind::kFifo, content("PID=3102\n" + kKeyLine), false, Root::kFootSwitch, 0,
     output("\nLOAD END\n"), [] { return kPidFrame + frame(0x11, 0x04) + kClosingAfterKeys; }},
    // A name longer than any buffer of the formatter is printed whole.
    {"missing_file_with_long_name", InputKind::kMissing, content(kLongName), true, Root::kEmpty,
     100, output("Can not Open " + kLongName + "\n")},
    {"dev_null", InputKind::kDevNull, nullptr, true, Root::kEmpty, 0, output(kNoKeysNoPid)},
    {"dev_null_load", InputKind::kDevNull, nullptr, false, Root::kFootSwitch, 0,
     output("\nLOAD END\n")},
    // One macro of a million steps: without a PID line there is no limit,
    // and the step number widens the column past 99.
    {"million_macro_steps", InputKind::kFile,
     content(repeat("FS1 KEY MACRO CODE=04\n", kMacroSteps)), true, Root::kEmpty, 0,
     macroStepEntries},
    // Loaded, every step is sent, whatever the model's limit.
    {"million_macro_steps_load", InputKind::kFile,
     content("PID=3102\n" + repeat("FS1 KEY MACRO CODE=04\n", kMacroSteps)), false,
     Root::kFootSwitch, 0, output("\nLOAD END\n"), framesOfMacroLoad},
    // Ids of more than 16 bits print whole...
    {"wide_ids", InputKind::kFile,
     content("PID=123102\nVID=12C7E\nPID=FFFFFFFFFFFF\nVID=-1\n" + kKeyLine), true, Root::kEmpty, 0,
     output("PID=0x123102\nVID=0x12c7e\nPID=0x7fffffff\nVID=0xffffffff\n" +
            keyStateEntry("FS 1  ", "04") + "\n")},
    // ...and never match the foot switch 2C7E:3102 that is attached.
    {"wide_pid_load", InputKind::kFile, content("PID=13102\n" + kKeyLine), false, Root::kFootSwitch,
     11, output(kDeviceNotFound)},
    {"wide_vid_load", InputKind::kFile, content("VID=12C7E\nPID=3102\n" + kKeyLine), false,
     Root::kFootSwitch, 11, output(kDeviceNotFound)},
    {"clamped_pid_load", InputKind::kFile, content("PID=FFFFFFFFFFFFFFFFFFFF\n" + kKeyLine), false,
     Root::kFootSwitch, 11, output(kDeviceNotFound)},
    {"negative_ids_load", InputKind::kFile, content("VID=-2C7E\nPID=-3102\n" + kKeyLine), false,
     Root::kFootSwitch, 11, output(kDeviceNotFound)},
};

// gtest names a failing case by its row.
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

// ---------------------------------------------------------------------------
// Running the binary.

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  ASSERT_TRUE(out.good()) << path;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs fsprog in `directory` with the arguments and FSPROG_SYSROOT; returns
// its standard output and exit code.
Outcome runFsprog(const std::string& directory, const std::vector<std::string>& arguments,
                  const std::string& sysroot) {
  std::vector<std::string> storage = gWrapper;
  storage.push_back(gFsprog);
  storage.insert(storage.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : storage) argv.push_back(text.data());
  argv.push_back(nullptr);
  std::string rootVariable = "FSPROG_SYSROOT=" + sysroot;
  const char* path = std::getenv("PATH");
  std::string pathVariable = std::string("PATH=") + (path != nullptr ? path : "/usr/bin:/bin");
  char* envp[] = {rootVariable.data(), pathVariable.data(), nullptr};

  Outcome outcome;
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) {
    ADD_FAILURE() << "pipe: " << std::strerror(errno);
    return outcome;
  }
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeEnds[0]);
    if (::dup2(pipeEnds[1], STDOUT_FILENO) < 0 || ::chdir(directory.c_str()) != 0) _exit(127);
    // A wrapper is looked up in PATH (valgrind); fsprog has an absolute path.
    ::execvpe(argv[0], argv.data(), envp);
    _exit(127);
  }
  ::close(pipeEnds[1]);
  char buffer[1 << 16];
  for (;;) {
    const ssize_t count = ::read(pipeEnds[0], buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    outcome.output.append(buffer, static_cast<std::size_t>(count));
  }
  ::close(pipeEnds[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) {
    outcome.exitCode = WEXITSTATUS(status);
  } else {
    ADD_FAILURE() << "fsprog ended by signal " << WTERMSIG(status);
  }
  return outcome;
}

// Compares long texts line by line and reports the first difference only.
void expectSameText(const std::string& actual, const std::string& expected) {
  if (actual == expected) return;
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  const std::size_t lineStart = expected.rfind('\n', at == 0 ? 0 : at - 1);
  const std::size_t from = lineStart == std::string::npos || at == 0 ? 0 : lineStart + 1;
  const std::size_t line = static_cast<std::size_t>(
      std::count(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(from), '\n'));
  ADD_FAILURE() << "output differs at byte " << at << " (line " << line + 1 << ", sizes "
                << actual.size() << " and " << expected.size()
                << ")\n  actual:   " << ::testing::PrintToString(actual.substr(from, 120))
                << "\n  expected: " << ::testing::PrintToString(expected.substr(from, 120));
}

class HostileInput : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    directory_ = gWork + "/" + GetParam().name;
    ASSERT_EQ(std::system(("rm -rf '" + directory_ + "'").c_str()), 0);
    ASSERT_EQ(::mkdir(directory_.c_str(), 0755), 0) << directory_;
    // An empty tree, and one with a foot switch whose node is a regular file.
    ASSERT_EQ(::mkdir((directory_ + "/empty_root").c_str(), 0755), 0);
    const std::string device = directory_ + "/footswitch_root/sys/class/hidraw/hidraw0/device";
    ASSERT_EQ(
        std::system(("mkdir -p '" + device + "' '" + directory_ + "/footswitch_root/dev'").c_str()),
        0);
    writeFile(device + "/uevent",
              "DRIVER=hid-generic\nHID_ID=0003:00002C7E:00003102\nHID_NAME=foot switch\n");
    writeFile(directory_ + "/footswitch_root/dev/hidraw0", "");
  }

  // Inputs are big; nothing of a passing case is kept.
  void TearDown() override {
    if (!HasFailure()) std::system(("rm -rf '" + directory_ + "'").c_str());
  }

  std::string directory_;
};

TEST_P(HostileInput, EndsWithItsDefinedOutput) {
  const Case& c = GetParam();
  const std::string input = directory_ + "/input";
  const std::string text = c.content ? c.content() : std::string();
  std::thread fifoWriter;
  switch (c.kind) {
    case InputKind::kFile:
      writeFile(input, text);
      break;
    case InputKind::kDirectory:
      ASSERT_EQ(::mkdir(input.c_str(), 0755), 0);
      break;
    case InputKind::kFifo:
      ASSERT_EQ(::mkfifo(input.c_str(), 0600), 0);
      // The open blocks until fsprog opens its end; closing it ends the file.
      fifoWriter = std::thread([input, text] {
        const int fd = ::open(input.c_str(), O_WRONLY);
        if (fd < 0) return;
        std::size_t done = 0;
        while (done < text.size()) {
          const ssize_t count = ::write(fd, text.data() + done, text.size() - done);
          if (count <= 0) break;
          done += static_cast<std::size_t>(count);
        }
        ::close(fd);
      });
      break;
    case InputKind::kDevNull:
    case InputKind::kMissing:
      break;
  }

  std::vector<std::string> arguments{c.kind == InputKind::kDevNull   ? "/dev/null"
                                     : c.kind == InputKind::kMissing ? text
                                                                     : "input"};
  if (c.analysis) arguments.push_back("/t");
  const std::string root =
      directory_ + (c.root == Root::kEmpty ? "/empty_root" : "/footswitch_root");
  const Outcome outcome = runFsprog(directory_, arguments, root);
  if (fifoWriter.joinable()) {
    // Should fsprog not have opened the FIFO, a reader of our own releases
    // the writer's open, so that a failure cannot hang the test.
    const int reader = ::open(input.c_str(), O_RDONLY | O_NONBLOCK);
    if (reader >= 0) ::close(reader);
    fifoWriter.join();
  }

  EXPECT_EQ(outcome.exitCode, c.exitCode);
  expectSameText(outcome.output, c.expectedOutput(text));
  const std::string frames = readFile(directory_ + "/footswitch_root/dev/hidraw0");
  EXPECT_EQ(frames.size() % 8, 0u);
  expectSameText(frames, c.expectedFrames());
}

INSTANTIATE_TEST_SUITE_P(Table, HostileInput, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <fsprog> <work directory> [wrapper...] [gtest options]\n",
                 argv[0]);
    return 2;
  }
  // fsprog runs in a directory of each case: its path must be absolute.
  char* fsprog = ::realpath(argv[1], nullptr);
  if (fsprog == nullptr) {
    std::fprintf(stderr, "%s: %s\n", argv[1], std::strerror(errno));
    return 2;
  }
  gFsprog = fsprog;
  std::free(fsprog);
  gWork = argv[2];
  ::mkdir(gWork.c_str(), 0755);
  for (int i = 3; i < argc; ++i) gWrapper.emplace_back(argv[i]);
  // A FIFO whose reader is gone must not kill the test.
  ::signal(SIGPIPE, SIG_IGN);
  return RUN_ALL_TESTS();
}
