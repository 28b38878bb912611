#pragma once

#include <cstdint>
#include <string_view>

#include "definition/console.h"
#include "definition/load_state.h"

namespace fsprog {

// Byte 1 of the record that a PID line yields; bit 7 tells it from a key record.
inline constexpr std::uint8_t kPidRecordCode = 0x80;

// Interprets one definition line (without its line end; a NUL ends it).
// Returns 1 when `record` (4 bytes) now holds a key record or the PID record,
// 0 when the line yields nothing; `record` is written only on 1, and the PID
// record writes bytes 0 and 1 only. switchChanged is set on every call: 1 when
// a key line with a known mode names another switch than state.currentSwitch.
// Header lines update `state`. In analysis mode (state.analysisOnly) the line's
// listing entry and warnings are printed; in load mode nothing is printed.
int interpretLine(LoadState& state, Console& console, std::string_view line,
                  std::uint8_t* record, int& switchChanged);

}  // namespace fsprog
