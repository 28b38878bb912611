// Fuzz target: interpretLine on arbitrary bytes.
//
// Input layout (FuzzedDataProvider takes the settings from the end, so a
// plain definition file is a valid input as it stands):
//   last byte      bit 0: analysis mode; bit 1: the LoadState is carried from
//                  line to line (else every line starts from the initial
//                  state); bit 2: the text is one single line, line feeds and
//                  all (else it is split at line feeds); bits 3-4: the product
//                  id of the initial state (none, 3101, 3102, 3103); bit 5:
//                  keys already defined
//   byte before    the initial currentSwitch (mod 15) and macroStep
//   the rest       the text
//
// Every call is checked against the interpreter's contract, and compared
// with the same call in the other mode on a copy of the state.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "definition/interpreter.h"
#include "fuzz_support.h"

namespace fsprog::fuzzing {
namespace {

constexpr std::uint8_t kUntouched = 0xA5;
constexpr std::int32_t kSwitchBits = 0x7FFF;  // switches 0 to 14
constexpr std::int32_t kProducts[] = {0, 0x3101, 0x3102, 0x3103};

// The line as the interpreter reads it: up to the first NUL, upper case,
// without its comment. Built here independently of the interpreter.
std::string normalised(std::string_view line) {
  std::string text(line.substr(0, line.find('\0')));
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text.substr(0, text.find(';'));
}

bool beginsWith(const std::string& text, std::string_view word) {
  return text.compare(0, word.size(), word) == 0;
}

bool contains(const std::string& text, std::string_view word) {
  return text.find(word) != std::string::npos;
}

bool printableAscii(const std::string& text) {
  for (char c : text) {
    const bool ok = (c >= 0x20 && c < 0x7F) || c == '\n' || c == '\t';
    if (!ok) return false;
  }
  return true;
}

struct Outcome {
  int result = 0;
  int switchChanged = -1;
  std::uint8_t record[8];
  std::string printed;
};

Outcome interpret(LoadState& state, std::string_view line) {
  Outcome outcome;
  std::memset(outcome.record, kUntouched, sizeof outcome.record);
  StringConsole console;
  outcome.result = interpretLine(state, console, line, outcome.record, outcome.switchChanged);
  outcome.printed = std::move(console.text);
  return outcome;
}

// Checks one call: `before` is the state it started from, `after` the state
// it left.
void checkContract(std::string_view line, const LoadState& before, const LoadState& after,
                   const Outcome& outcome) {
  const std::string text = normalised(line);
  const std::uint8_t* record = outcome.record;

  FSPROG_REQUIRE(outcome.result == 0 || outcome.result == 1);
  FSPROG_REQUIRE(outcome.switchChanged == 0 || outcome.switchChanged == 1);
  for (int i = 4; i < 8; ++i) FSPROG_REQUIRE(record[i] == kUntouched);

  // State invariants.
  FSPROG_REQUIRE(after.currentSwitch >= 0 && after.currentSwitch <= 14);
  FSPROG_REQUIRE((after.currentSwitch != before.currentSwitch) == (outcome.switchChanged == 1));
  FSPROG_REQUIRE(after.analysisOnly == before.analysisOnly);
  FSPROG_REQUIRE(after.keysDefined == 0 || after.keysDefined == 1);
  FSPROG_REQUIRE(after.saveSettings == 0 || after.saveSettings == 1);
  FSPROG_REQUIRE(after.defaultTable == 0 || after.defaultTable == 1);
  for (std::int32_t mask : after.modeMasks) FSPROG_REQUIRE((mask & ~kSwitchBits) == 0);
  if (after.analysisOnly == 0) {
    FSPROG_REQUIRE(outcome.printed.empty());
    FSPROG_REQUIRE(after.keysDefined == before.keysDefined);
    FSPROG_REQUIRE(after.modeMasks == before.modeMasks);
    FSPROG_REQUIRE(after.macroStep == 0 || after.macroStep == before.macroStep);
  } else {
    FSPROG_REQUIRE(printableAscii(outcome.printed));
  }

  const bool pidLine = beginsWith(text, "PID");
  const bool keyLine =
      !pidLine && !beginsWith(text, "VID") && (beginsWith(text, "FS") || beginsWith(text, "AUX"));
  const bool anyKeyword = pidLine || keyLine || beginsWith(text, "VID") ||
                          beginsWith(text, "NOSAVE") || beginsWith(text, "DEFAULT_TBL");
  if (!anyKeyword) {
    // A line of no kind has no effect at all.
    FSPROG_REQUIRE(outcome.result == 0);
    FSPROG_REQUIRE(outcome.printed.empty());
    FSPROG_REQUIRE(after.productId == before.productId && after.vendorId == before.vendorId);
    FSPROG_REQUIRE(after.saveSettings == before.saveSettings);
    FSPROG_REQUIRE(after.defaultTable == before.defaultTable);
    FSPROG_REQUIRE(after.macroStep == before.macroStep);
  }
  if (!keyLine) {
    FSPROG_REQUIRE(outcome.switchChanged == 0);
    FSPROG_REQUIRE(after.modeMasks == before.modeMasks && after.keysDefined == before.keysDefined);
  }

  if (outcome.result == 0) {
    for (int i = 0; i < 4; ++i) FSPROG_REQUIRE(record[i] == kUntouched);
    return;
  }
  FSPROG_REQUIRE(pidLine || keyLine);
  FSPROG_REQUIRE(record[0] == 0x00);
  if (pidLine) {
    // The PID record: bytes 0 and 1 only, bit 7 set.
    FSPROG_REQUIRE(record[1] == kPidRecordCode);
    FSPROG_REQUIRE(record[2] == kUntouched && record[3] == kUntouched);
    FSPROG_REQUIRE(after.productId != 0);
    return;
  }
  // A key record: bit 7 clear, mode 1 to 4 in the high nibble, the switch in
  // the low one, which is now the current switch.
  const int mode = record[1] >> 4;
  const int switchNumber = record[1] & 0x0F;
  FSPROG_REQUIRE(record[1] >= 0x10 && record[1] <= 0x4E);
  FSPROG_REQUIRE(mode >= KeyState && mode <= Macro);
  FSPROG_REQUIRE(switchNumber == after.currentSwitch);
  if (beginsWith(text, "FS")) {
    FSPROG_REQUIRE(switchNumber <= 8);
  } else {
    FSPROG_REQUIRE(switchNumber >= 9);
  }
  FSPROG_REQUIRE(record[3] <= 0x0F);
  FSPROG_REQUIRE(contains(text, "CODE"));
  static constexpr std::string_view kModifiers[] = {"CTRL", "SHIFT", "ALT", "START"};
  for (int bit = 0; bit < 4; ++bit) {
    if ((record[3] & (1 << bit)) != 0) FSPROG_REQUIRE(contains(text, kModifiers[bit]));
  }
  static constexpr std::string_view kModeWords[][2] = {
      {"KEY", "STATE"}, {"FRONT", "EDGE"}, {"REAR", "EDGE"}, {"KEY", "MACRO"}};
  FSPROG_REQUIRE(contains(text, kModeWords[mode - 1][0]) &&
                 contains(text, kModeWords[mode - 1][1]));
  if (after.analysisOnly != 0) {
    FSPROG_REQUIRE(after.keysDefined == 1);
    FSPROG_REQUIRE((after.modeMasks[mode] & (1 << switchNumber)) != 0);
    FSPROG_REQUIRE(!outcome.printed.empty() && outcome.printed.back() == '\n');
  }
}

// The same line in the other mode, from a copy of the state: the same result
// and record, except a macro step that analysis refuses for its length.
void checkModesAgree(std::string_view line, const LoadState& before, const Outcome& outcome,
                     const LoadState& after) {
  LoadState other = before;
  other.analysisOnly = before.analysisOnly != 0 ? 0 : 1;
  const Outcome shadow = interpret(other, line);
  const Outcome& analysis = before.analysisOnly != 0 ? outcome : shadow;
  const Outcome& load = before.analysisOnly != 0 ? shadow : outcome;
  FSPROG_REQUIRE(shadow.switchChanged == outcome.switchChanged);
  FSPROG_REQUIRE(other.currentSwitch == after.currentSwitch);
  FSPROG_REQUIRE(other.productId == after.productId && other.vendorId == after.vendorId);
  if (analysis.result == load.result) {
    FSPROG_REQUIRE(std::memcmp(analysis.record, load.record, sizeof load.record) == 0);
  } else {
    FSPROG_REQUIRE(analysis.result == 0 && load.result == 1);
    FSPROG_REQUIRE((load.record[1] >> 4) == Macro);
    FSPROG_REQUIRE(contains(analysis.printed, "Macro count ["));
  }
}

}  // namespace
}  // namespace fsprog::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace fsprog;
  using namespace fsprog::fuzzing;
  FuzzedDataProvider input(data, size);
  const auto flags = input.ConsumeIntegral<std::uint8_t>();
  const auto start = input.ConsumeIntegral<std::uint8_t>();
  const std::string body = input.ConsumeRemainingBytesAsString();

  LoadState initial;
  initial.reset();
  initial.analysisOnly = flags & 1;
  initial.productId = kProducts[(flags >> 3) & 3];
  initial.currentSwitch = start % 15;
  if (initial.analysisOnly != 0) {
    initial.keysDefined = (flags >> 5) & 1;
    // Steps counted for the current switch imply that its macro began.
    initial.macroStep = start / 15;
    if (initial.macroStep > 0) {
      initial.keysDefined = 1;
      initial.modeMasks[0] = initial.modeMasks[Macro] = 1 << initial.currentSwitch;
    }
  }
  const bool carryOver = (flags & 2) != 0;
  const bool oneLine = (flags & 4) != 0;

  LoadState state = initial;
  std::string_view rest = body;
  for (;;) {
    const std::size_t feed = oneLine ? std::string_view::npos : rest.find('\n');
    const std::string_view line = rest.substr(0, feed);
    if (!carryOver) state = initial;
    const LoadState before = state;
    const Outcome outcome = interpret(state, line);
    checkContract(line, before, state, outcome);
    checkModesAgree(line, before, outcome, state);
    if (feed == std::string_view::npos) break;
    rest.remove_prefix(feed + 1);
  }
  return 0;
}
