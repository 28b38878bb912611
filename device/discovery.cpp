#include "device/discovery.h"

#include <cstdio>
#include <vector>

namespace fsprog {
namespace {

std::wstring widenAscii(const char* text) {
  std::wstring wide;
  for (; *text != '\0'; ++text) wide += static_cast<wchar_t>(*text);
  return wide;
}

}  // namespace

std::wstring listingPattern(std::int32_t vendorId) {
  char buffer[32];  // room for any 32-bit id, not only 16-bit ones
  std::snprintf(buffer, sizeof buffer, "vid_%04x&pid_", static_cast<unsigned>(vendorId));
  return widenAscii(buffer);
}

std::wstring lookupPattern(std::int32_t vendorId, std::int32_t productId) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "vid_%04x&pid_%04x", static_cast<unsigned>(vendorId),
                static_cast<unsigned>(productId));
  return widenAscii(buffer);
}

void listDevices(const LoadState& state, Console& console, HidPlatform& hid) {
  std::vector<std::wstring> paths;
  if (!hid.enumerateHidInterfaces(paths)) {
    printNarrow(console, "Can not find Device\n");
    return;
  }
  const std::wstring pattern = listingPattern(state.vendorId);
  bool printed = false;
  // Every connected foot switch gets its line, not only the first.
  for (const std::wstring& path : paths) {
    std::size_t at = path.find(pattern);
    if (at == std::wstring::npos || !hid.probeForWrite(path)) continue;
    // The product id stands right behind "pid_"; a path that ends sooner
    // gives a shorter text.
    std::wstring pidText = path.substr(at + pattern.size(), 4);
    printWide(console, L"Korvane PID=%ls is Connected\n", pidText.c_str());
    printed = true;
  }
  if (!printed) printNarrow(console, "Korvane not found !\n");
}

int findDevicePath(const LoadState& state, Console& console, HidPlatform& hid,
                   std::wstring& path) {
  std::vector<std::wstring> paths;
  if (!hid.enumerateHidInterfaces(paths)) {
    printNarrow(console, "Can not find Device\n");
    return 0;
  }
  const std::wstring pattern = lookupPattern(state.vendorId, state.productId);
  bool unopenable = false;
  for (const std::wstring& candidate : paths) {
    if (candidate.find(pattern) == std::wstring::npos) continue;
    if (hid.probeForWrite(candidate)) {
      path = candidate;
      return 1;
    }
    unopenable = true;
  }
  printNarrow(console, unopenable ? "Can not connect to Device\n" : "Device not found !\n");
  return 0;
}

}  // namespace fsprog
