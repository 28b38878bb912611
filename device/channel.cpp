#include "device/channel.h"

#include <string>

#include "device/discovery.h"

namespace fsprog {

int writeFrame(ReportChannel& channel, const OutputFrame& frame, const LoadState& state,
               Console& console, HidPlatform& hid) {
  if (!channel.isOpen()) {
    std::wstring path;
    if (findDevicePath(state, console, hid, path) == 0) return kDeviceNotFound;
    channel.handle = hid.openReadWrite(path);
    // The device gets its pause whether or not the open worked.
    hid.sleepMilliseconds(kOpenSettleMilliseconds);
    if (!channel.isOpen()) return kOpenFailed;
  }
  WriteOutcome outcome = hid.writeReport(channel.handle, frame.data(), frame.size());
  if (!outcome.ok) return kWriteFailed;
  return outcome.written == frame.size() ? kWriteOk : kWriteShort;
}

void closeChannel(ReportChannel& channel, HidPlatform& hid) {
  if (channel.isOpen()) {
    hid.closeDevice(channel.handle);
    channel.handle = kInvalidHandle;
  }
}

}  // namespace fsprog
