#include "device/hid_descriptor.h"

namespace fsprog {
namespace {

bool parseHexField(std::string_view text, std::uint32_t& value) {
  if (text.empty() || text.size() > 8) return false;
  value = 0;
  for (char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else {
      return false;
    }
    value = value * 16 + digit;
  }
  return true;
}

// Item bytes of a short item: the two low bits code 0, 1, 2 or 4 bytes.
constexpr std::size_t kShortItemSizes[] = {0, 1, 2, 4};

constexpr unsigned kTypeMain = 0;
constexpr unsigned kTypeGlobal = 1;
constexpr unsigned kTypeLocal = 2;
constexpr unsigned kTagCollection = 0xA;
constexpr unsigned kTagEndCollection = 0xC;
constexpr unsigned kTagUsagePage = 0x0;
constexpr unsigned kTagUsage = 0x0;
constexpr std::uint32_t kApplicationCollection = 0x01;
constexpr std::uint32_t kGenericDesktopPage = 0x01;
constexpr std::uint32_t kMouseUsage = 0x02;
constexpr std::uint32_t kKeyboardUsage = 0x06;
constexpr std::uint8_t kLongItemPrefix = 0xFE;

}  // namespace

bool parseHidIdLine(std::string_view uevent, HidIds& ids) {
  constexpr std::string_view kKey = "HID_ID=";
  std::size_t start = 0;
  while (start < uevent.size()) {
    std::size_t end = uevent.find('\n', start);
    if (end == std::string_view::npos) end = uevent.size();
    std::string_view line = uevent.substr(start, end - start);
    start = end + 1;
    if (line.substr(0, kKey.size()) != kKey) continue;
    line.remove_prefix(kKey.size());
    std::size_t first = line.find(':');
    std::size_t second = first == std::string_view::npos ? first : line.find(':', first + 1);
    if (second == std::string_view::npos) return false;
    return parseHexField(line.substr(0, first), ids.bus) &&
           parseHexField(line.substr(first + 1, second - first - 1), ids.vendor) &&
           parseHexField(line.substr(second + 1), ids.product);
  }
  return false;
}

bool declaresOnlyKeyboardOrMouse(const std::uint8_t* descriptor, std::size_t size) {
  std::uint32_t usagePage = 0;
  std::uint32_t usage = 0;  // the latest Usage of the pending main item
  bool usageHasPage = false;
  int depth = 0;
  bool anyApplication = false;
  std::size_t i = 0;
  while (i < size) {
    const std::uint8_t prefix = descriptor[i];
    if (prefix == kLongItemPrefix) {
      // Long item: size byte, tag byte, data. Nothing here uses them.
      if (i + 2 >= size) break;
      std::size_t next = i + 3 + descriptor[i + 1];
      if (next > size) break;
      i = next;
      continue;
    }
    const std::size_t dataSize = kShortItemSizes[prefix & 0x3];
    if (i + 1 + dataSize > size) break;
    std::uint32_t data = 0;
    for (std::size_t k = 0; k < dataSize; ++k) {
      data |= static_cast<std::uint32_t>(descriptor[i + 1 + k]) << (8 * k);
    }
    const unsigned type = (prefix >> 2) & 0x3;
    const unsigned tag = prefix >> 4;
    i += 1 + dataSize;

    if (type == kTypeGlobal && tag == kTagUsagePage) {
      usagePage = data;
    } else if (type == kTypeLocal && tag == kTagUsage) {
      usage = data;
      usageHasPage = dataSize == 4;  // an extended usage carries its own page
    } else if (type == kTypeMain) {
      if (tag == kTagCollection) {
        if (depth == 0 && (data & 0xFF) == kApplicationCollection) {
          anyApplication = true;
          std::uint32_t page = usageHasPage ? usage >> 16 : usagePage;
          std::uint32_t id = usageHasPage ? usage & 0xFFFF : usage;
          if (page != kGenericDesktopPage || (id != kKeyboardUsage && id != kMouseUsage)) {
            return false;
          }
        }
        ++depth;
      } else if (tag == kTagEndCollection && depth > 0) {
        --depth;
      }
      // Local items hold for one main item only.
      usage = 0;
      usageHasPage = false;
    }
  }
  return anyApplication;
}

}  // namespace fsprog
