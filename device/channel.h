#pragma once

#include <array>
#include <cstdint>

#include "definition/console.h"
#include "definition/load_state.h"
#include "device/hid_platform.h"

namespace fsprog {

// One HID output report; byte 0 is the report id, always 0.
using OutputFrame = std::array<std::uint8_t, 8>;

// Results of writeFrame. 10 and above: the device could not be reached.
enum WriteResult : int {
  kWriteOk = 0,
  kWriteShort = 1,        // the write reported fewer than 8 bytes
  kWriteFailed = 2,       // the write call failed
  kOpenFailed = 10,       // found and probed, but not openable read-write
  kDeviceNotFound = 11,   // the lookup failed and said why
};

// Milliseconds the channel waits after opening the device.
inline constexpr unsigned kOpenSettleMilliseconds = 800;

// The device handle of a run: closed until the first frame is written.
struct ReportChannel {
  DeviceHandle handle = kInvalidHandle;
  bool isOpen() const { return handle != kInvalidHandle; }
};

// Writes one frame, opening the channel first if it is closed (lookup by the
// state's ids, open read-write, 800 ms wait). Returns a WriteResult. The
// channel never closes the handle itself.
int writeFrame(ReportChannel& channel, const OutputFrame& frame, const LoadState& state,
               Console& console, HidPlatform& hid);

// Closes an open channel; a closed one is left alone.
void closeChannel(ReportChannel& channel, HidPlatform& hid);

}  // namespace fsprog
