#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fsprog {

struct HidIds {
  std::uint32_t bus = 0;
  std::uint32_t vendor = 0;
  std::uint32_t product = 0;
};

// Reads the "HID_ID=BBBB:VVVVVVVV:PPPPPPPP" line of a sysfs uevent file
// (hexadecimal, as the kernel writes it). False when there is no such line or
// it is malformed.
bool parseHidIdLine(std::string_view uevent, HidIds& ids);

// True when a HID report descriptor declares at least one top-level
// application collection and all of them are Generic Desktop keyboards
// (usage 0x06) or mice (0x02): an interface that the system keeps for itself.
// Any bytes are accepted; parsing stops at the first truncated item.
bool declaresOnlyKeyboardOrMouse(const std::uint8_t* descriptor, std::size_t size);

}  // namespace fsprog
