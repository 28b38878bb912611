#pragma once

#include <array>
#include <cstdint>

namespace fsprog {

// Vendor id of the foot switch until a VID line names another one.
inline constexpr std::int32_t kDefaultVendorId = 0x2C7E;

// Key modes; the value is the high nibble of a key record's second byte and
// the index of the mode's entry in LoadState::modeMasks.
enum SwitchMode : std::int32_t {
  KeyState = 1,
  FrontEdge = 2,
  RearEdge = 3,
  Macro = 4,
};

// Everything one run remembers between definition lines. The driver owns the
// one instance of a run and hands it down by reference.
struct LoadState {
  std::int32_t vendorId = kDefaultVendorId;
  std::int32_t productId = 0;  // 0: no PID line yet
  std::int32_t keysDefined = 0;
  std::int32_t currentSwitch = 0;  // 0..14 at all times
  std::int32_t macroStep = 0;      // counts only in analysis mode
  // Bit n stands for switch n. Entry 0: switch has a macro or a non-zero code;
  // entries 1..4: switch has a definition in that SwitchMode.
  std::array<std::int32_t, 5> modeMasks{};
  std::int32_t analysisOnly = 0;
  std::int32_t defaultTable = 0;
  std::int32_t saveSettings = 0;  // 1 from reset() on, until a NOSAVE line

  // Start of a run: clears everything but vendorId and sets saveSettings.
  void reset();
};

}  // namespace fsprog
