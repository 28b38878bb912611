#pragma once

#include "definition/console.h"
#include "definition/load_state.h"
#include "device/channel.h"
#include "device/hid_platform.h"

namespace fsprog {

// Frame codes (byte 1) of the control frames of a load.
inline constexpr std::uint8_t kGroupEndCode = 0x8E;
inline constexpr std::uint8_t kDefaultTableFirstCode = 0x8D;
inline constexpr std::uint8_t kDefaultTableSecondCode = 0x8F;
inline constexpr std::uint8_t kSaveCode = 0xEE;  // byte 2 of the save frame: 0x8E
inline constexpr std::uint8_t kClosingCode = 0x8C;
inline constexpr std::uint8_t kClosingDefaultTableCode = 0x8F;

// Orders the frames of one load: record frames with group end frames between
// the switches, then the closing sequence. Owns the run's ReportChannel.
class LoadSender {
 public:
  LoadSender(const LoadState& state, Console& console, HidPlatform& hid)
      : state_(state), console_(console), hid_(hid) {}

  // Sends the record frame of one line, preceded by a group end frame when
  // the line starts a new switch (other than 0) while a group is open.
  // Returns 0 or the first non-zero writeFrame result.
  int sendRecord(const OutputFrame& frame, int switchChanged);

  // Default table frames, save frame, last group end and closing frame. Their
  // results are not examined: a device may reset once it has saved.
  void sendClosingFrames();

  ReportChannel& channel() { return channel_; }
  bool groupOpen() const { return groupOpen_; }

 private:
  int writeControl(std::uint8_t code, std::uint8_t second = 0);

  const LoadState& state_;
  Console& console_;
  HidPlatform& hid_;
  ReportChannel channel_;
  bool groupOpen_ = false;
};

}  // namespace fsprog
