// Device discovery, the report channel and the load protocol, run against a
// fake platform that records every call.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/channel.h"
#include "device/discovery.h"
#include "device/protocol.h"
#include "fakes.h"

namespace fsprog {
namespace {

using testing::FakeHid;
using testing::hex;
using Strings = std::vector<std::string>;

const std::wstring kKeyboard = L"\\\\?\\hid#vid_2c7e&pid_3102&mi_00#7&1&0&0000#{4d1e55b2}";
const std::wstring kSettings = L"\\\\?\\hid#vid_2c7e&pid_3102&mi_01#7&2&0&0000#{4d1e55b2}";
const std::wstring kOtherModel = L"\\\\?\\hid#vid_2c7e&pid_3103#8&0#{4d1e55b2}";
const std::wstring kCapitals = L"\\\\?\\HID#VID_2C7E&PID_3102#9&0#{4d1e55b2}";
const std::wstring kMouse = L"\\\\?\\hid#vid_046d&pid_c077#1&0#{4d1e55b2}";

class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state.reset();
    state.productId = 0x3102;
  }
  LoadState state;
  StringConsole console;
  FakeHid hid;
};

TEST_F(DeviceTest, PatternsCarryLowerCaseIds) {
  EXPECT_EQ(listingPattern(0x2C7E), L"vid_2c7e&pid_");
  EXPECT_EQ(lookupPattern(0x2C7E, 0x3101), L"vid_2c7e&pid_3101");
  EXPECT_EQ(lookupPattern(0x2C7E, 0), L"vid_2c7e&pid_0000");
  // Ids wider than 16 bits are formatted whole and so match no real path.
  EXPECT_EQ(lookupPattern(0x12C7E, -1), L"vid_12c7e&pid_ffffffff");
}

TEST_F(DeviceTest, LookupTakesTheFirstMatchingPathThatPassesTheProbe) {
  hid.paths = {kMouse, kCapitals, kKeyboard, kSettings};
  hid.probeFails = {kKeyboard};
  std::wstring path;
  EXPECT_EQ(findDevicePath(state, console, hid, path), 1);
  EXPECT_EQ(path, kSettings);
  EXPECT_EQ(console.text, "");
  // Paths without the pattern (capitals included) are never probed.
  EXPECT_EQ(hid.calls, (Strings{"enumerate", "probe " + FakeHid::narrow(kKeyboard),
                                "probe " + FakeHid::narrow(kSettings)}));
}

TEST_F(DeviceTest, LookupFailures) {
  struct Case {
    const char* what;
    bool classAvailable;
    std::vector<std::wstring> paths;
    bool probeFails;
    const char* message;
  };
  const Case cases[] = {
      {"no HID class", false, {kSettings}, false, "Can not find Device\n"},
      {"no interface", true, {}, false, "Device not found !\n"},
      {"ids in capitals", true, {kCapitals}, false, "Device not found !\n"},
      {"another product id", true, {kOtherModel, kMouse}, false, "Device not found !\n"},
      {"probe fails", true, {kSettings}, true, "Can not connect to Device\n"},
  };
  for (const Case& c : cases) {
    FakeHid fake;
    fake.classAvailable = c.classAvailable;
    fake.paths = c.paths;
    if (c.probeFails) fake.probeFails = {kSettings};
    StringConsole out;
    std::wstring path;
    EXPECT_EQ(findDevicePath(state, out, fake, path), 0) << c.what;
    EXPECT_EQ(out.text, c.message) << c.what;
  }
}

TEST_F(DeviceTest, ListingShowsEveryFootSwitchOfTheVendor) {
  hid.paths = {kMouse, kKeyboard, kSettings, kOtherModel, kCapitals};
  hid.probeFails = {kKeyboard};
  listDevices(state, console, hid);
  EXPECT_EQ(console.text, "Korvane PID=3102 is Connected\nKorvane PID=3103 is Connected\n");
}

TEST_F(DeviceTest, ListingCutsThePidTextBehindTheFirstMatch) {
  const std::vector<std::wstring> paths[] = {
      {L"x#vid_2c7e&pid_31"}, {L"x#vid_2c7e&pid_"}, {L"vid_2c7e&pid_3101#vid_2c7e&pid_3103"}};
  const char* const expected[] = {"Korvane PID=31 is Connected\n", "Korvane PID= is Connected\n",
                                  "Korvane PID=3101 is Connected\n"};
  for (int i = 0; i < 3; ++i) {
    FakeHid fake;
    fake.paths = paths[i];
    StringConsole out;
    listDevices(state, out, fake);
    EXPECT_EQ(out.text, expected[i]);
  }
}

TEST_F(DeviceTest, ListingFailures) {
  hid.paths = {kSettings, kMouse};
  hid.probeFails = {kSettings};
  listDevices(state, console, hid);
  EXPECT_EQ(console.text, "Korvane not found !\n");

  FakeHid noClass;
  noClass.classAvailable = false;
  StringConsole out;
  listDevices(state, out, noClass);
  EXPECT_EQ(out.text, "Can not find Device\n");  // and nothing else
}

TEST_F(DeviceTest, ChannelOpensOnTheFirstWriteOnly) {
  hid.paths = {kSettings};
  ReportChannel channel;
  OutputFrame frame{0, 0x80};
  EXPECT_EQ(writeFrame(channel, frame, state, console, hid), kWriteOk);
  EXPECT_EQ(writeFrame(channel, frame, state, console, hid), kWriteOk);
  EXPECT_TRUE(channel.isOpen());
  const std::string settings = FakeHid::narrow(kSettings);
  EXPECT_EQ(hid.calls, (Strings{"enumerate", "probe " + settings, "open " + settings, "sleep 800",
                                "write", "write"}));
  closeChannel(channel, hid);
  EXPECT_FALSE(channel.isOpen());
  EXPECT_EQ(hid.openHandles, 0);
}

TEST_F(DeviceTest, ChannelResultCodes) {
  OutputFrame frame{};
  {  // no device: 11, no wait, still closed; the next write looks again
    FakeHid fake;
    ReportChannel channel;
    EXPECT_EQ(writeFrame(channel, frame, state, console, fake), kDeviceNotFound);
    EXPECT_EQ(writeFrame(channel, frame, state, console, fake), kDeviceNotFound);
    EXPECT_EQ(fake.calls, (Strings{"enumerate", "enumerate"}));
    EXPECT_EQ(console.text, "Device not found !\nDevice not found !\n");
    EXPECT_FALSE(channel.isOpen());
  }
  {  // found but not openable: 10 after the wait, still closed
    FakeHid fake;
    fake.paths = {kSettings};
    fake.openFails = {kSettings};
    console.text.clear();
    ReportChannel channel;
    EXPECT_EQ(writeFrame(channel, frame, state, console, fake), kOpenFailed);
    EXPECT_EQ(fake.calls.back(), "sleep 800");
    EXPECT_FALSE(channel.isOpen());
    EXPECT_EQ(console.text, "");
  }
  {  // short write: 1; failed write: 2; the channel stays open either way
    FakeHid fake;
    fake.paths = {kSettings};
    fake.shortWriteNumber = 1;
    fake.failWriteNumber = 2;
    ReportChannel channel;
    EXPECT_EQ(writeFrame(channel, frame, state, console, fake), kWriteShort);
    EXPECT_EQ(writeFrame(channel, frame, state, console, fake), kWriteFailed);
    EXPECT_EQ(writeFrame(channel, frame, state, console, fake), kWriteOk);
    EXPECT_TRUE(channel.isOpen());
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "enumerate"), 1);
    closeChannel(channel, fake);
  }
}

// The protocol over a run of records: each entry is a record frame and the
// switch-changed flag, with currentSwitch set as the interpreter would.
struct Record {
  OutputFrame frame;
  int switchChanged;
};

class ProtocolTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    hid.paths = {kSettings};
  }
  int send(const Record& record) {
    if ((record.frame[1] & 0x80) == 0) state.currentSwitch = record.frame[1] & 0x0F;
    return sender.sendRecord(record.frame, record.switchChanged);
  }
  static Record key(int mode, int switchNumber, int code, int changed) {
    return {{0, static_cast<std::uint8_t>(mode * 16 + switchNumber), static_cast<std::uint8_t>(code)},
            changed};
  }
  static Record pid() { return {{0, 0x80}, 0}; }

  LoadSender sender{state, console, hid};
};

const char* const kPidFrame = "00 80 00 00 00 00 00 00";
const char* const kGroupEnd = "00 8E 00 00 00 00 00 00";
const char* const kEmpty = "00 00 00 00 00 00 00 00";
const char* const kSave = "00 EE 8E 00 00 00 00 00";
const char* const kClosing = "00 8C 00 00 00 00 00 00";

TEST_F(ProtocolTest, TwelveFrameExample) {
  EXPECT_EQ(send(pid()), 0);
  EXPECT_EQ(send(key(1, 1, 0x04, 1)), 0);  // no group open yet
  EXPECT_EQ(send(key(2, 1, 0x05, 0)), 0);
  EXPECT_EQ(send(key(1, 2, 0x06, 1)), 0);
  sender.sendClosingFrames();
  EXPECT_EQ(hex(hid.frames),
            (Strings{kPidFrame, "00 11 04 00 00 00 00 00", "00 21 05 00 00 00 00 00", kGroupEnd,
                     "00 12 06 00 00 00 00 00", kSave, kEmpty, kGroupEnd, kEmpty, kClosing, kEmpty,
                     kEmpty}));
}

TEST_F(ProtocolTest, NoSaveAndDefaultTable) {
  state.saveSettings = 0;
  state.defaultTable = 1;
  send(pid());
  send(key(1, 1, 0x04, 1));
  sender.sendClosingFrames();
  EXPECT_EQ(hex(hid.frames),
            (Strings{kPidFrame, "00 11 04 00 00 00 00 00", "00 8D 00 00 00 00 00 00",
                     "00 8F 00 00 00 00 00 00", kGroupEnd, kEmpty, "00 8F 00 00 00 00 00 00",
                     kEmpty, kEmpty}));
}

TEST_F(ProtocolTest, OnlyAPidLine) {
  send(pid());
  sender.sendClosingFrames();
  EXPECT_EQ(hex(hid.frames), (Strings{kPidFrame, kSave, kEmpty, kClosing, kEmpty, kEmpty}));
}

TEST_F(ProtocolTest, GroupsFollowTheSwitches) {
  send(key(1, 1, 0x01, 1));
  send(key(1, 2, 0x02, 1));
  send(pid());               // between key lines: no group end, group stays open
  send(key(1, 1, 0x03, 1));
  send(key(1, 0, 0x04, 1));  // switch 0 joins the open group
  EXPECT_EQ(hex(hid.frames),
            (Strings{"00 11 01 00 00 00 00 00", kGroupEnd, "00 12 02 00 00 00 00 00", kPidFrame,
                     kGroupEnd, "00 11 03 00 00 00 00 00", "00 10 04 00 00 00 00 00"}));
  EXPECT_TRUE(sender.groupOpen());
}

TEST_F(ProtocolTest, FailureOnAGroupEndKeepsTheKeyFrameBack) {
  hid.failWriteNumber = 2;
  EXPECT_EQ(send(key(1, 1, 0x01, 1)), 0);
  EXPECT_EQ(send(key(1, 2, 0x02, 1)), kWriteFailed);
  EXPECT_EQ(hex(hid.frames), (Strings{"00 11 01 00 00 00 00 00", kGroupEnd}));
  EXPECT_TRUE(sender.groupOpen());
}

TEST_F(ProtocolTest, ClosingFramesIgnoreFailures) {
  send(pid());
  hid.failWriteNumber = 2;  // the save frame
  sender.sendClosingFrames();
  EXPECT_EQ(hex(hid.frames), (Strings{kPidFrame, kSave, kEmpty, kClosing, kEmpty, kEmpty}));
}

}  // namespace
}  // namespace fsprog
