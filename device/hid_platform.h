#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fsprog {

// A platform file handle; kInvalidHandle (the value of Windows'
// INVALID_HANDLE_VALUE) stands for "not open".
using DeviceHandle = std::intptr_t;
inline constexpr DeviceHandle kInvalidHandle = -1;

struct WriteOutcome {
  bool ok;              // false: the write call itself failed
  std::size_t written;  // bytes written when ok
};

// What the device logic needs from the operating system. One binding per OS
// implements it; tests substitute a fake so that the logic runs without a
// foot switch and without sleeping.
class HidPlatform {
 public:
  virtual ~HidPlatform() = default;

  // The present HID interfaces with their device paths, in the platform's
  // order. A path carries the ids as lower-case "vid_xxxx&pid_yyyy". Returns
  // false when the HID interface class itself cannot be had; interfaces whose
  // path cannot be read are left out.
  virtual bool enumerateHidInterfaces(std::vector<std::wstring>& paths) = 0;

  // Opens the path for writing (shared for writing, only if it exists) and
  // closes it again at once. True when the open succeeded.
  virtual bool probeForWrite(const std::wstring& path) = 0;

  // Opens the path for reading and writing, shared for both, only if it
  // exists. kInvalidHandle on failure.
  virtual DeviceHandle openReadWrite(const std::wstring& path) = 0;

  // One synchronous write of `size` bytes.
  virtual WriteOutcome writeReport(DeviceHandle handle, const std::uint8_t* data,
                                   std::size_t size) = 0;

  virtual void closeDevice(DeviceHandle handle) = 0;
  virtual void sleepMilliseconds(unsigned milliseconds) = 0;
};

// The binding of the system this program was built for.
std::unique_ptr<HidPlatform> createSystemHidPlatform();

}  // namespace fsprog
