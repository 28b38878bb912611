#include "device/hid_descriptor.h"

#include <gtest/gtest.h>

#include <vector>

namespace fsprog {
namespace {

TEST(ParseHidIdLine, ReadsTheKernelsUeventLine) {
  HidIds ids;
  ASSERT_TRUE(parseHidIdLine("DRIVER=hid-generic\nHID_ID=0003:00002C7E:00003102\n"
                             "HID_NAME=Foot Switch\nHID_PHYS=usb-0000:00:14.0-2/input1\n"
                             "MODALIAS=hid:b0003g0001v00002C7Ep00003102\n",
                             ids));
  EXPECT_EQ(ids.bus, 0x3u);
  EXPECT_EQ(ids.vendor, 0x2C7Eu);
  EXPECT_EQ(ids.product, 0x3102u);
  ASSERT_TRUE(parseHidIdLine("HID_ID=0005:0000046d:0000b01a", ids));  // no line feed, lower case
  EXPECT_EQ(ids.vendor, 0x046Du);
  EXPECT_EQ(ids.product, 0xB01Au);
}

TEST(ParseHidIdLine, RefusesMalformedLines) {
  const char* const bad[] = {
      "",
      "DRIVER=hid-generic\n",
      "HID_ID=0003:00002C7E\n",
      "HID_ID=0003:00002C7E:\n",
      "HID_ID=0003::00003102\n",
      "HID_ID=0003:2C7G:3102\n",
      "HID_ID=0003:100002C7E:3102\n",  // more than 32 bits
      " HID_ID=0003:00002C7E:00003102\n",
      "XHID_ID=0003:00002C7E:00003102\n",
  };
  for (const char* text : bad) {
    HidIds ids;
    EXPECT_FALSE(parseHidIdLine(text, ids)) << text;
  }
}

bool onlyKeyboardOrMouse(const std::vector<std::uint8_t>& bytes) {
  return declaresOnlyKeyboardOrMouse(bytes.data(), bytes.size());
}

// Usage Page (Generic Desktop), Usage (u), Collection (Application) ... End.
std::vector<std::uint8_t> application(std::uint8_t page, std::uint8_t usage) {
  return {0x05, page, 0x09, usage, 0xA1, 0x01, 0x15, 0x00, 0x25, 0x01, 0xC0};
}

std::vector<std::uint8_t> join(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(DeclaresOnlyKeyboardOrMouse, TopLevelApplicationCollections) {
  const auto keyboard = application(0x01, 0x06);
  const auto mouse = application(0x01, 0x02);
  const auto vendor = std::vector<std::uint8_t>{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
                                                0x95, 0x08, 0x75, 0x08, 0x91, 0x02, 0xC0};
  const auto consumer = application(0x0C, 0x01);
  EXPECT_TRUE(onlyKeyboardOrMouse(keyboard));
  EXPECT_TRUE(onlyKeyboardOrMouse(mouse));
  EXPECT_TRUE(onlyKeyboardOrMouse(join(keyboard, mouse)));
  EXPECT_FALSE(onlyKeyboardOrMouse(vendor));
  EXPECT_FALSE(onlyKeyboardOrMouse(join(keyboard, vendor)));
  EXPECT_FALSE(onlyKeyboardOrMouse(consumer));
  EXPECT_FALSE(onlyKeyboardOrMouse({}));  // no collection: the open decides
  // An extended (4-byte) usage carries its page: Generic Desktop Keyboard.
  EXPECT_TRUE(onlyKeyboardOrMouse({0x0B, 0x06, 0x00, 0x01, 0x00, 0xA1, 0x01, 0xC0}));
  // A mouse inside a vendor collection is not top-level.
  EXPECT_FALSE(onlyKeyboardOrMouse(join(join({0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01}, mouse), {0xC0})));
  // Long items are skipped whole.
  EXPECT_TRUE(onlyKeyboardOrMouse(join({0xFE, 0x02, 0x10, 0xAA, 0xBB}, keyboard)));
}

TEST(DeclaresOnlyKeyboardOrMouse, TruncatedOrGarbageInput) {
  // Items cut short end the parse; no byte past the end is read (the
  // sanitizer build checks that).
  const std::vector<std::uint8_t> cuts[] = {
      {0x05}, {0x06, 0x01}, {0x0B, 0x06, 0x00}, {0xFE}, {0xFE, 0x05, 0x00, 0x01}, {0xA1},
  };
  for (const auto& bytes : cuts) {
    std::vector<std::uint8_t> exact(bytes);  // heap copy of exactly that size
    EXPECT_FALSE(onlyKeyboardOrMouse(exact));
  }
  std::vector<std::uint8_t> noise;
  for (int i = 0; i < 4096; ++i) noise.push_back(static_cast<std::uint8_t>((i * 7919) >> 3));
  onlyKeyboardOrMouse(noise);  // must simply return
  std::vector<std::uint8_t> endsOnly(100, 0xC0);
  EXPECT_FALSE(onlyKeyboardOrMouse(endsOnly));
}

}  // namespace
}  // namespace fsprog
