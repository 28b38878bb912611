#pragma once

// Fakes of the operating system for unit tests: a HID platform that records
// every call and can be told to fail, and definition files held in memory.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "device/channel.h"
#include "device/hid_platform.h"
#include "driver/input_file.h"

namespace fsprog::testing {

class FakeHid : public HidPlatform {
 public:
  // Configuration.
  bool classAvailable = true;
  std::vector<std::wstring> paths;
  std::set<std::wstring> probeFails;  // paths whose write probe fails
  std::set<std::wstring> openFails;   // paths that cannot be opened read-write
  int failWriteNumber = 0;            // 1-based write that fails; 0: none
  int shortWriteNumber = 0;           // 1-based write that reports 7 bytes

  // What happened, in order: "enumerate", "probe <path>", "open <path>",
  // "sleep <ms>", "write", "close".
  std::vector<std::string> calls;
  std::vector<OutputFrame> frames;  // every frame that reached a write
  int openHandles = 0;

  bool enumerateHidInterfaces(std::vector<std::wstring>& out) override {
    calls.push_back("enumerate");
    if (!classAvailable) return false;
    out = paths;
    return true;
  }
  bool probeForWrite(const std::wstring& path) override {
    calls.push_back("probe " + narrow(path));
    return probeFails.count(path) == 0;
  }
  DeviceHandle openReadWrite(const std::wstring& path) override {
    calls.push_back("open " + narrow(path));
    if (openFails.count(path) != 0) return kInvalidHandle;
    ++openHandles;
    return 42;
  }
  WriteOutcome writeReport(DeviceHandle handle, const std::uint8_t* data,
                           std::size_t size) override {
    calls.push_back("write");
    EXPECT_EQ(handle, 42);
    EXPECT_EQ(size, 8u);
    OutputFrame frame{};
    std::memcpy(frame.data(), data, frame.size());
    frames.push_back(frame);
    int number = static_cast<int>(frames.size());
    if (number == failWriteNumber) return {false, 0};
    if (number == shortWriteNumber) return {true, 7};
    return {true, size};
  }
  void closeDevice(DeviceHandle handle) override {
    calls.push_back("close");
    EXPECT_EQ(handle, 42);
    --openHandles;
  }
  void sleepMilliseconds(unsigned milliseconds) override {
    calls.push_back("sleep " + std::to_string(milliseconds));
  }

  static std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
};

// A file held in memory, handed out in blocks of a chosen size; it can fail
// the read after a number of bytes.
class MemoryFile : public InputFile {
 public:
  MemoryFile(std::string content, std::size_t blockSize, long failAfter)
      : content_(std::move(content)), blockSize_(blockSize), failAfter_(failAfter) {}
  long read(char* buffer, std::size_t size) override {
    if (failAfter_ >= 0 && static_cast<long>(position_) >= failAfter_) return -1;
    std::size_t count = std::min({size, blockSize_, content_.size() - position_});
    if (failAfter_ >= 0) count = std::min(count, static_cast<std::size_t>(failAfter_) - position_);
    std::memcpy(buffer, content_.data() + position_, count);
    position_ += count;
    return static_cast<long>(count);
  }

 private:
  std::string content_;
  std::size_t blockSize_;
  long failAfter_;
  std::size_t position_ = 0;
};

class MemoryFileSystem : public FileSystem {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> unreadable;  // open succeeds, the first read fails
  std::vector<std::string> opened;

  std::unique_ptr<InputFile> openForReading(const std::string& name) override {
    opened.push_back(name);
    auto found = files.find(name);
    if (found == files.end()) return nullptr;
    return std::make_unique<MemoryFile>(found->second, 7, unreadable.count(name) ? 0 : -1);
  }
};

// Spells frames as "00 8E 00 00 00 00 00 00" for readable failures.
inline std::string hex(const OutputFrame& frame) {
  std::string text;
  char byte[4];
  for (std::uint8_t b : frame) {
    std::snprintf(byte, sizeof byte, "%02X", b);
    if (!text.empty()) text += ' ';
    text += byte;
  }
  return text;
}

inline std::vector<std::string> hex(const std::vector<OutputFrame>& frames) {
  std::vector<std::string> texts;
  for (const OutputFrame& frame : frames) texts.push_back(hex(frame));
  return texts;
}

}  // namespace fsprog::testing
