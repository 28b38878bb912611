// The Windows binding against a real system: Wine's SetupAPI with its two
// virtual HID devices (mouse vid_845e&pid_0001, keyboard pid_0002), and
// ordinary files where the open, write and close calls need something that
// takes a write.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/hid_platform.h"

namespace fsprog {
namespace {

// The HID interface class, as SetupAPI spells it at the end of each path.
const std::wstring kHidClassSuffix = L"#{4d1e55b2-f16f-11cf-88cb-001111000030}";
const std::wstring kMissingDevice = L"\\\\?\\hid#vid_2c7e&pid_3102#0&0000&0&0" + kHidClassSuffix;

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string describe(const std::vector<std::wstring>& paths) {
  std::string text;
  for (const std::wstring& path : paths) text += narrow(path) + "\n";
  return text;
}

// A scratch file in the temporary folder, removed at the end of the test.
class ScratchFile {
 public:
  ScratchFile() {
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (GetTempPathW(MAX_PATH + 1, folder) != 0 && GetTempFileNameW(folder, L"fsp", 0, name) != 0) {
      path_ = name;
    }
  }
  ~ScratchFile() {
    if (!path_.empty()) DeleteFileW(path_.c_str());
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  const std::wstring& path() const { return path_; }

  std::string content() const {
    std::string bytes;
    HANDLE handle = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return "<cannot be read>";
    char buffer[64];
    DWORD count = 0;
    while (ReadFile(handle, buffer, sizeof buffer, &count, nullptr) && count != 0) {
      bytes.append(buffer, count);
    }
    CloseHandle(handle);
    return bytes;
  }

 private:
  std::wstring path_;
};

class SetupApiPlatformTest : public ::testing::Test {
 protected:
  std::unique_ptr<HidPlatform> hid = createSystemHidPlatform();
};

TEST_F(SetupApiPlatformTest, EnumeratesTheHidInterfacesWithTheirPaths) {
  std::vector<std::wstring> paths;
  ASSERT_TRUE(hid->enumerateHidInterfaces(paths));
  // Wrong record sizes make SetupAPI refuse every member, and the list comes
  // back empty: both virtual devices must be there, each with a whole path.
  int mice = 0;
  int keyboards = 0;
  for (const std::wstring& path : paths) {
    EXPECT_EQ(path.rfind(L"\\\\?\\hid#", 0), 0u) << narrow(path);
    EXPECT_GT(path.size(), kHidClassSuffix.size());
    EXPECT_EQ(path.substr(path.size() - kHidClassSuffix.size()), kHidClassSuffix) << narrow(path);
    EXPECT_EQ(path.find(L'\0'), std::wstring::npos) << narrow(path);
    if (path.find(L"vid_845e&pid_0001#") != std::wstring::npos) ++mice;
    if (path.find(L"vid_845e&pid_0002#") != std::wstring::npos) ++keyboards;
  }
  EXPECT_EQ(mice, 1) << describe(paths);
  EXPECT_EQ(keyboards, 1) << describe(paths);
}

TEST_F(SetupApiPlatformTest, ProbeOpensForWritingAndClosesAtOnce) {
  std::vector<std::wstring> paths;
  ASSERT_TRUE(hid->enumerateHidInterfaces(paths));
  ASSERT_FALSE(paths.empty());
  // Wine lets every virtual device be opened for writing.
  for (const std::wstring& path : paths) {
    EXPECT_TRUE(hid->probeForWrite(path)) << narrow(path);
  }
  EXPECT_FALSE(hid->probeForWrite(kMissingDevice));

  ScratchFile file;
  ASSERT_FALSE(file.path().empty());
  EXPECT_TRUE(hid->probeForWrite(file.path()));
  // The probe shares writing only. Had it kept its handle, the read-write
  // open behind it would fail; and while that open is held, a probe fails.
  DeviceHandle handle = hid->openReadWrite(file.path());
  ASSERT_NE(handle, kInvalidHandle);
  EXPECT_FALSE(hid->probeForWrite(file.path()));
  hid->closeDevice(handle);
  EXPECT_TRUE(hid->probeForWrite(file.path()));
}

TEST_F(SetupApiPlatformTest, WritesOneReportThroughAReadWriteHandle) {
  ScratchFile file;
  ASSERT_FALSE(file.path().empty());
  const std::array<std::uint8_t, 8> frame = {0x00, 0x11, 0x04, 0x00, 0x00, 0x00, 0x00, 0xFF};

  DeviceHandle handle = hid->openReadWrite(file.path());
  ASSERT_NE(handle, kInvalidHandle);
  // Shared for reading and writing: a second open of the same path works
  // while the first is held.
  DeviceHandle second = hid->openReadWrite(file.path());
  EXPECT_NE(second, kInvalidHandle);
  if (second != kInvalidHandle) hid->closeDevice(second);

  WriteOutcome outcome = hid->writeReport(handle, frame.data(), frame.size());
  EXPECT_TRUE(outcome.ok);
  EXPECT_EQ(outcome.written, 8u);
  hid->closeDevice(handle);
  EXPECT_EQ(file.content(), std::string(frame.begin(), frame.end()));
}

TEST_F(SetupApiPlatformTest, FailuresComeBackAsValues) {
  // A path that does not exist opens as the closed channel's handle.
  EXPECT_EQ(hid->openReadWrite(kMissingDevice), kInvalidHandle);

  // A handle that refuses writes: the write call fails and says so.
  ScratchFile file;
  ASSERT_FALSE(file.path().empty());
  HANDLE readOnly =
      CreateFileW(file.path().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(readOnly, INVALID_HANDLE_VALUE);
  const std::uint8_t frame[8] = {};
  WriteOutcome outcome =
      hid->writeReport(reinterpret_cast<DeviceHandle>(readOnly), frame, sizeof frame);
  EXPECT_FALSE(outcome.ok);
  CloseHandle(readOnly);
  EXPECT_EQ(file.content(), "");
}

}  // namespace
}  // namespace fsprog
