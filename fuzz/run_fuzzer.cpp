// Fuzz target: a whole run over a definition file held in memory, through
// the driver's line reader, with a fake HID platform in load mode.
//
// Input layout (FuzzedDataProvider takes the settings from the end, so a
// plain definition file is a valid input as it stands):
//   last byte       bit 0: analysis mode (/t); bit 1: /t before the file
//                   name; bits 2-4: the HID fault (HidFault, modulo its
//                   count); bits 5-7: 6 = the file cannot be read at all,
//                   7 = a read fails after some bytes, else no read fault
//   2nd from end    the number of the write that a write fault hits
//   3rd from end    the size of the reads the file gives (0: 64 KiB)
//   4th, 5th        after how many bytes a read fails (bits 5-7 = 7)
//   the rest        the definition file
//
// Checks: the run ends with an exit code of the system; the frames are
// well formed and ordered as the load protocol says; and everything the run
// did equals a model built from the interpreter alone.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "definition/interpreter.h"
#include "device/protocol.h"
#include "driver/run.h"
#include "fuzz_support.h"

namespace fsprog::fuzzing {
namespace {

using Frame = std::vector<std::uint8_t>;

const char* const kFileName = "def.txt";

Frame controlFrame(std::uint8_t code, std::uint8_t second = 0) {
  Frame frame(8, 0);
  frame[1] = code;
  frame[2] = second;
  return frame;
}

bool isKeyFrame(const Frame& frame) { return frame[1] >= 0x10 && frame[1] <= 0x4E; }
bool isGroupEnd(const Frame& frame) { return frame == controlFrame(kGroupEndCode); }

// The closing sequence of the load protocol.
std::vector<Frame> closingSequence(const LoadState& state, bool groupOpen) {
  std::vector<Frame> frames;
  if (state.defaultTable != 0) {
    frames.push_back(controlFrame(kDefaultTableFirstCode));
    frames.push_back(controlFrame(kDefaultTableSecondCode));
  }
  if (state.saveSettings != 0) {
    frames.push_back(controlFrame(kSaveCode, kGroupEndCode));
    frames.push_back(controlFrame(0));
  }
  if (groupOpen) {
    frames.push_back(controlFrame(kGroupEndCode));
    frames.push_back(controlFrame(0));
  }
  frames.push_back(controlFrame(state.defaultTable != 0 ? kClosingDefaultTableCode : kClosingCode));
  frames.push_back(controlFrame(0));
  frames.push_back(controlFrame(0));
  return frames;
}

// What the run should have done, replayed line by line through the
// interpreter, with the line splitting and the protocol's rules written out
// once more.
struct Model {
  std::string analysisText;        // analysis mode: the whole console text
  std::vector<Frame> recordPhase;  // load mode: frames up to the closing sequence
  bool groupOpen = false;
  bool anyRecord = false;
  std::int32_t lookupVendor = 0;  // the ids when the first record was sent
  std::int32_t lookupProduct = 0;
  LoadState finalState;
};

// The lines of a file as the driver should see them, split here without the
// line reader: a line feed ends a line, a carriage return right before it is
// dropped, a line keeps its first 255 characters and is cut at a NUL. A read
// failure ends the file where it happens.
struct ModelLine {
  std::string text;
  bool overLong;
};

std::vector<ModelLine> splitLines(const std::string& content, long failAfter) {
  std::string_view rest = content;
  if (failAfter >= 0) rest = rest.substr(0, static_cast<std::size_t>(failAfter));
  std::vector<ModelLine> lines;
  while (!rest.empty()) {
    const std::size_t feed = rest.find('\n');
    std::string_view line = rest.substr(0, feed);
    rest.remove_prefix(feed == std::string_view::npos ? rest.size() : feed + 1);
    if (feed != std::string_view::npos && !line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    const bool overLong = line.size() > 255;
    line = line.substr(0, 255);
    lines.push_back({std::string(line.substr(0, line.find('\0'))), overLong});
  }
  return lines;
}

Model replay(const std::string& content, long failAfter, bool analysis) {
  Model model;
  LoadState& state = model.finalState;
  state.reset();
  state.analysisOnly = analysis ? 1 : 0;
  StringConsole console;
  int number = 0;
  for (const ModelLine& line : splitLines(content, failAfter)) {
    ++number;
    if (analysis && line.overLong) {
      char message[96];
      std::snprintf(message, sizeof message,
                    "Line %d is longer than 255 characters; the rest of it is ignored.\n", number);
      console.text += message;
    }
    std::uint8_t record[8] = {};
    int switchChanged = 0;
    if (interpretLine(state, console, line.text, record, switchChanged) == 0 || analysis) {
      continue;
    }
    if (!model.anyRecord) {
      model.anyRecord = true;
      model.lookupVendor = state.vendorId;
      model.lookupProduct = state.productId;
    }
    if (switchChanged != 0 && model.groupOpen && state.currentSwitch != 0) {
      model.recordPhase.push_back(controlFrame(kGroupEndCode));
      model.groupOpen = false;
    }
    model.recordPhase.emplace_back(record, record + 8);
    if ((record[1] & 0x80) == 0) model.groupOpen = true;
  }
  if (analysis) {
    if (state.keysDefined != 0 && state.defaultTable != 0) {
      console.text += "Saved to the DEFAULT settings.(All the settings are ignored)\n";
    } else if (state.defaultTable != 0) {
      console.text += "Saved to the DEFAULT settings.\n";
    } else if (state.keysDefined == 0) {
      console.text += "Key code was not found.\n";
    }
    if (state.productId == 0) console.text += "PID was not found.\n";
    console.text += "\n";
  }
  model.analysisText = std::move(console.text);
  return model;
}

// Structural checks that need no model: frame shape, group ends only behind a
// key frame, and (after a complete load) the closing sequence last.
void checkFrameSequence(const FakeHid& hid, const LoadState& finalState, int exitCode) {
  for (const Frame& frame : hid.frames) {
    FSPROG_REQUIRE(frame.size() == 8);
    FSPROG_REQUIRE(frame[0] == 0);
    for (int b = 4; b < 8; ++b) FSPROG_REQUIRE(frame[b] == 0);
  }
  bool keySinceGroupEnd = false;
  std::size_t recordPhaseEnd = hid.frames.size();
  if (exitCode == 0 && !hid.frames.empty()) {
    // The closing sequence depends on whether the record phase left a group
    // open; find the split for which the tail is that sequence.
    bool found = false;
    for (bool groupOpen : {false, true}) {
      const std::vector<Frame> closing = closingSequence(finalState, groupOpen);
      if (closing.size() > hid.frames.size()) continue;
      const std::size_t split = hid.frames.size() - closing.size();
      if (!std::equal(closing.begin(), closing.end(), hid.frames.begin() + split)) continue;
      bool open = false;
      for (std::size_t i = 0; i < split; ++i) {
        if (isKeyFrame(hid.frames[i])) open = true;
        if (isGroupEnd(hid.frames[i])) open = false;
      }
      if (open == groupOpen) {
        recordPhaseEnd = split;
        found = true;
      }
    }
    FSPROG_REQUIRE(found);
  }
  for (std::size_t i = 0; i < hid.frames.size(); ++i) {
    const Frame& frame = hid.frames[i];
    if (i >= recordPhaseEnd) continue;
    // Record phase: key frames, PID frames and group ends between switches.
    FSPROG_REQUIRE(isKeyFrame(frame) || isGroupEnd(frame) || frame == controlFrame(kPidRecordCode));
    if (isGroupEnd(frame)) {
      FSPROG_REQUIRE(keySinceGroupEnd);
      FSPROG_REQUIRE(i + 1 == hid.frames.size() || isKeyFrame(hid.frames[i + 1]));
      keySinceGroupEnd = false;
    }
    if (isKeyFrame(frame)) {
      // Switch 0 to 14 in the low nibble, modifier bits only in byte 3.
      FSPROG_REQUIRE((frame[1] & 0x0F) <= 14 && frame[3] <= 0x0F);
      keySinceGroupEnd = true;
    }
  }
}

bool pathMatches(const FakeHid& hid, std::int32_t vendor, std::int32_t product) {
  char pattern[32];
  std::snprintf(pattern, sizeof pattern, "vid_%04x&pid_%04x", static_cast<unsigned>(vendor),
                static_cast<unsigned>(product));
  FakeHid probe;
  probe.fault = hid.fault;
  std::vector<std::wstring> paths;
  probe.enumerateHidInterfaces(paths);
  const std::wstring wide(pattern, pattern + std::char_traits<char>::length(pattern));
  for (const std::wstring& path : paths) {
    if (path.find(wide) != std::wstring::npos) return true;
  }
  return false;
}

void checkLoad(const Model& model, const FakeHid& hid, const std::string& text, int exitCode) {
  if (!model.anyRecord) {
    // Nothing to send: the device is never looked for.
    FSPROG_REQUIRE(hid.enumerations == 0 && hid.frames.empty());
    FSPROG_REQUIRE(exitCode == 0 && text == "\nLOAD END\n");
    return;
  }
  FSPROG_REQUIRE(hid.enumerations == 1);  // one lookup, by the first frame
  FSPROG_REQUIRE(hid.openHandles == 0 && !hid.misuse);
  const bool matched = hid.fault != HidFault::kNoHidClass &&
                       pathMatches(hid, model.lookupVendor, model.lookupProduct);
  if (!matched || hid.fault == HidFault::kProbeFails) {
    FSPROG_REQUIRE(exitCode == kDeviceNotFound);
    FSPROG_REQUIRE(hid.opens == 0 && hid.frames.empty() && hid.sleeps.empty());
    const char* reason = hid.fault == HidFault::kNoHidClass ? "Can not find Device\n"
                         : matched                          ? "Can not connect to Device\n"
                                                            : "Device not found !\n";
    FSPROG_REQUIRE(text == std::string(reason) + "\nOPEN ERROR\n");
    return;
  }
  FSPROG_REQUIRE(hid.opens == 1 && hid.sleeps == std::vector<unsigned>{kOpenSettleMilliseconds});
  if (hid.fault == HidFault::kOpenFails) {
    FSPROG_REQUIRE(exitCode == kOpenFailed && hid.frames.empty() && hid.closes == 0);
    FSPROG_REQUIRE(text == "\nOPEN ERROR\n");
    return;
  }
  FSPROG_REQUIRE(hid.closes == 1);
  const bool writeFault = hid.fault == HidFault::kWriteFails || hid.fault == HidFault::kShortWrite;
  const std::size_t failing = static_cast<std::size_t>(hid.faultyWrite);
  std::vector<Frame> expected = model.recordPhase;
  if (writeFault && failing <= expected.size()) {
    // The run stops at the failed record phase write, without a closing.
    expected.resize(failing);
    FSPROG_REQUIRE(exitCode == (hid.fault == HidFault::kWriteFails ? kWriteFailed : kWriteShort));
    FSPROG_REQUIRE(text == "\nLOAD ERROR\n");
  } else {
    // A failure during the closing sequence is not examined.
    const std::vector<Frame> closing = closingSequence(model.finalState, model.groupOpen);
    expected.insert(expected.end(), closing.begin(), closing.end());
    FSPROG_REQUIRE(exitCode == kWriteOk);
    FSPROG_REQUIRE(text == "\nLOAD END\n");
  }
  FSPROG_REQUIRE(hid.frames == expected);
}

}  // namespace
}  // namespace fsprog::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace fsprog;
  using namespace fsprog::fuzzing;
  FuzzedDataProvider input(data, size);
  const auto flags = input.ConsumeIntegral<std::uint8_t>();
  const auto faultyWrite = input.ConsumeIntegral<std::uint8_t>();
  const auto blockChoice = input.ConsumeIntegral<std::uint8_t>();
  const auto failPoint = input.ConsumeIntegral<std::uint16_t>();
  const std::string content = input.ConsumeRemainingBytesAsString();

  const bool analysis = (flags & 1) != 0;
  const std::size_t blockSize = blockChoice == 0 ? 64 * 1024 : blockChoice;
  const int readFault = flags >> 5;
  const long failAfter = readFault == 6 ? 0 : readFault == 7 ? failPoint : -1;

  FakeHid hid;
  hid.fault = static_cast<HidFault>(((flags >> 2) & 7) % static_cast<int>(HidFault::kCount));
  hid.faultyWrite = 1 + faultyWrite;
  MemoryFileSystem files(kFileName, content, blockSize, failAfter);
  StringConsole console;

  std::vector<CommandArgument> arguments{{L"fsprog", "fsprog"}};
  const CommandArgument name{L"def.txt", kFileName};
  const CommandArgument option{L"/t", "/t"};
  if (analysis && (flags & 2) != 0) arguments.push_back(option);
  arguments.push_back(name);
  if (analysis && (flags & 2) == 0) arguments.push_back(option);

  RunEnvironment environment{console, files, hid};
  LoadState state;
  const int exitCode = runFsprog(arguments, environment, state);

  FSPROG_REQUIRE(exitCode == 0 || exitCode == 1 || exitCode == 2 || exitCode == 10 ||
                 exitCode == 11 || exitCode == 100);
  FSPROG_REQUIRE(files.opens == 1);
  if (failAfter == 0) {
    FSPROG_REQUIRE(exitCode == kExitCannotOpen);
    FSPROG_REQUIRE(console.text == "Can not Open def.txt\n");
    FSPROG_REQUIRE(hid.enumerations == 0);
    return 0;
  }
  checkFrameSequence(hid, state, exitCode);
  const Model model = replay(content, failAfter, analysis);
  if (analysis) {
    FSPROG_REQUIRE(exitCode == 0);
    FSPROG_REQUIRE(hid.enumerations == 0 && hid.frames.empty());
    FSPROG_REQUIRE(console.text == model.analysisText);
  } else {
    checkLoad(model, hid, console.text, exitCode);
  }
  return 0;
}
