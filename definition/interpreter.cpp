#include "definition/interpreter.h"

#include <string>

#include "definition/listing.h"
#include "definition/matchers.h"

namespace fsprog {
namespace {

constexpr int kLastFootSwitch = 8;
constexpr int kFirstAuxInput = 9;
constexpr int kLastAuxInput = 14;

struct ModeKeywords {
  std::string_view first;
  std::string_view second;
  SwitchMode mode;
};

// Tried in this order, all with the line's one cursor.
constexpr ModeKeywords kModeKeywords[] = {
    {"KEY", "STATE", KeyState},
    {"FRONT", "EDGE", FrontEdge},
    {"REAR", "EDGE", RearEdge},
    {"KEY", "MACRO", Macro},
};

struct ModifierField {
  std::string_view name;
  int bit;
};

constexpr ModifierField kModifierFields[] = {
    {"CTRL", 0x01},
    {"SHIFT", 0x02},
    {"ALT", 0x04},
    {"START", 0x08},
};

// The "=" of a PID or VID line: after the keyword and any blanks, with at
// least one byte behind it. Reads the hexadecimal number that follows.
bool readHeaderValue(std::string_view line, std::size_t keywordLength, std::int32_t& value) {
  std::size_t k = keywordLength;
  while (k < line.size() && isBlank(line[k])) ++k;
  if (k + 1 >= line.size() || line[k] != '=') return false;
  value = parseLong32(line.substr(k + 1), 16);
  return true;
}

// Repeated-definition bookkeeping of analysis mode. Returns -1 when a macro
// step exceeds the model's limit (the line is refused), else the
// multipleDefinition flag.
int keepBooks(LoadState& state, Console& console, int switchNumber, SwitchMode mode, int code) {
  const std::int32_t bit = std::int32_t{1} << switchNumber;
  auto& masks = state.modeMasks;
  int multipleDefinition = 0;
  if (mode == Macro) {
    ++state.macroStep;
    if ((state.macroStep > 8 && state.productId == 0x3102) ||
        (state.macroStep > 16 && state.productId == 0x3103)) {
      printNarrow(console, "\tMacro count [%2d] is out of range.\n", state.macroStep);
      return -1;
    }
    if (state.macroStep == 1) {
      multipleDefinition = (masks[0] & bit) != 0 ? 1 : 0;
      masks[Macro] |= bit;
      masks[0] |= bit;
    }
  } else {
    multipleDefinition = ((masks[mode] | masks[Macro]) & bit) != 0 ? 1 : 0;
    masks[mode] |= bit;
    if (code != 0) masks[0] |= bit;
  }
  state.keysDefined = 1;
  return multipleDefinition;
}

}  // namespace

int interpretLine(LoadState& state, Console& console, std::string_view text,
                  std::uint8_t* record, int& switchChanged) {
  // The interpreter reads its own upper-case copy of the line, cut at a NUL
  // and at the comment. A line from the driver fits the buffer on the stack;
  // a longer one (from other callers) is copied to the heap.
  text = text.substr(0, text.find('\0'));
  char shortCopy[256];
  std::string longCopy;
  char* copy = shortCopy;
  if (text.size() > sizeof shortCopy) {
    longCopy.resize(text.size());
    copy = longCopy.data();
  }
  std::size_t length = 0;
  for (char c : text) {
    if (c == ';') break;
    copy[length++] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  const std::string_view line(copy, length);

  switchChanged = 0;
  std::size_t cursor = 0;
  const bool analysis = state.analysisOnly != 0;

  if (matchKeyword(line, "PID", cursor)) {
    if (state.keysDefined == 1) printNarrow(console, "PID is necessary for the head.\n");
    if (!readHeaderValue(line, 3, state.productId)) return 0;
    if (analysis) printWide(console, L"PID=0x%04x\n", state.productId);
    if (state.productId == 0) return 0;
    record[0] = 0x00;
    record[1] = kPidRecordCode;
    return 1;
  }
  if (matchKeyword(line, "VID", cursor)) {
    if (state.keysDefined == 1) printNarrow(console, "VID is necessary for the head.\n");
    if (!readHeaderValue(line, 3, state.vendorId)) return 0;
    if (analysis) printWide(console, L"VID=0x%04x\n", state.vendorId);
    return 0;
  }

  std::int32_t switchNumber = 0;
  if (matchKeyword(line, "FS", cursor)) {
    switchNumber = parseLong32(line.substr(2), 10);
    if (switchNumber < 0 || switchNumber > kLastFootSwitch) {
      if (analysis) printNarrow(console, "FS%d is out of range\n", switchNumber);
      return 0;
    }
  } else if (matchKeyword(line, "AUX", cursor)) {
    switchNumber = parseLong32(line.substr(3), 10);
    if (switchNumber < kFirstAuxInput || switchNumber > kLastAuxInput) {
      if (analysis) printNarrow(console, "AUX%d is out of range\n", switchNumber);
      return 0;
    }
  } else if (matchKeyword(line, "NOSAVE", cursor)) {
    state.saveSettings = 0;
    return 0;
  } else {
    if (matchKeyword(line, "DEFAULT_TBL", cursor)) state.defaultTable = 1;
    return 0;
  }

  const ModeKeywords* found = nullptr;
  for (const ModeKeywords& candidate : kModeKeywords) {
    if (matchKeywordPair(line, candidate.first, candidate.second, cursor)) {
      found = &candidate;
      break;
    }
  }
  if (found == nullptr) return 0;
  const SwitchMode mode = found->mode;

  // The switch change counts even if the line fails for want of a CODE field.
  if (switchNumber != state.currentSwitch) {
    state.currentSwitch = switchNumber;
    state.macroStep = 0;
    switchChanged = 1;
  }

  const std::size_t from = cursor;
  int combination = 0;
  int value = 0;
  int mouseWord = 0;
  for (const ModifierField& field : kModifierFields) {
    if (readFieldValue(line, field.name, from, value, mouseWord) && (value & 1) != 0) {
      combination |= field.bit;
    }
  }
  int code = 0;
  if (!readFieldValue(line, "CODE", from, code, mouseWord)) return 0;

  int multipleDefinition = 0;
  if (analysis) {
    multipleDefinition = keepBooks(state, console, switchNumber, mode, code);
    if (multipleDefinition < 0) return 0;
  }

  record[0] = 0x00;
  record[1] = static_cast<std::uint8_t>(mode * 16 + switchNumber);
  record[2] = static_cast<std::uint8_t>(code & 0xFF);
  record[3] = static_cast<std::uint8_t>(combination);

  if (analysis) {
    printListingEntry(state, console, switchNumber, mode, code, combination, mouseWord,
                      multipleDefinition);
  }
  return 1;
}

}  // namespace fsprog
