#pragma once

#include <string>

#include "definition/console.h"
#include "definition/load_state.h"
#include "device/hid_platform.h"

namespace fsprog {

// The text searched for in device paths: "vid_%04x&pid_" for the listing,
// "vid_%04x&pid_%04x" for the lookup. Ids of any width are formatted whole.
std::wstring listingPattern(std::int32_t vendorId);
std::wstring lookupPattern(std::int32_t vendorId, std::int32_t productId);

// Usage screen: prints one "Korvane PID=%s is Connected" line for each
// interface of state.vendorId that passes the write probe, or why none does.
void listDevices(const LoadState& state, Console& console, HidPlatform& hid);

// Finds the first interface whose path holds the lookup pattern of the
// state's ids and passes the write probe. Returns 1 with `path` set, or 0
// after printing one message that says why.
int findDevicePath(const LoadState& state, Console& console, HidPlatform& hid,
                   std::wstring& path);

}  // namespace fsprog
