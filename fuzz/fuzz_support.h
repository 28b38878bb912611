#pragma once

// Fakes of the operating system for the fuzz targets (the unit tests' fakes
// need GoogleTest), and the check that turns a broken contract into a crash
// that libFuzzer reports with the input that caused it.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "device/channel.h"
#include "device/hid_platform.h"
#include "driver/input_file.h"

namespace fsprog::fuzzing {

// Aborts with a message when a contract does not hold.
#define FSPROG_REQUIRE(condition)                                                           \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: contract broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)

// How the fake HID platform misbehaves during one run.
enum class HidFault : std::uint8_t {
  kNone,
  kNoHidClass,    // enumeration fails
  kNoFootSwitch,  // only interfaces of other vendors
  kProbeFails,    // the foot switch is there but refuses the probe
  kOpenFails,     // the probe works, the read-write open does not
  kWriteFails,    // the Nth write fails
  kShortWrite,    // the Nth write reports 7 bytes
  kCount,
};

// A HID platform with the three foot switch models of vendor 2C7E attached,
// which records every frame written and checks how the logic uses it.
class FakeHid : public HidPlatform {
 public:
  HidFault fault = HidFault::kNone;
  int faultyWrite = 1;  // 1-based number of the write that kWriteFails/kShortWrite hits

  std::vector<std::vector<std::uint8_t>> frames;  // every write, whatever its size
  int enumerations = 0;
  int opens = 0;        // read-write opens attempted
  int openHandles = 0;  // opened and not yet closed
  int closes = 0;
  std::vector<unsigned> sleeps;
  bool misuse = false;  // a write or close on a handle that is not open

  bool enumerateHidInterfaces(std::vector<std::wstring>& paths) override {
    ++enumerations;
    if (fault == HidFault::kNoHidClass) return false;
    paths = {L"/dev/hidraw0#vid_046d&pid_c31c"};
    if (fault != HidFault::kNoFootSwitch) {
      paths.push_back(L"/dev/hidraw1#vid_2c7e&pid_3101");
      paths.push_back(L"/dev/hidraw2#vid_2c7e&pid_3102");
      paths.push_back(L"/dev/hidraw3#vid_2c7e&pid_3103");
    }
    return true;
  }
  bool probeForWrite(const std::wstring&) override { return fault != HidFault::kProbeFails; }
  DeviceHandle openReadWrite(const std::wstring&) override {
    ++opens;
    if (fault == HidFault::kOpenFails) return kInvalidHandle;
    ++openHandles;
    return kHandle;
  }
  WriteOutcome writeReport(DeviceHandle handle, const std::uint8_t* data,
                           std::size_t size) override {
    if (handle != kHandle || openHandles != 1) misuse = true;
    frames.emplace_back(data, data + size);
    const int number = static_cast<int>(frames.size());
    if (number == faultyWrite && fault == HidFault::kWriteFails) return {false, 0};
    if (number == faultyWrite && fault == HidFault::kShortWrite) return {true, size - 1};
    return {true, size};
  }
  void closeDevice(DeviceHandle handle) override {
    if (handle != kHandle || openHandles != 1) misuse = true;
    --openHandles;
    ++closes;
  }
  void sleepMilliseconds(unsigned milliseconds) override { sleeps.push_back(milliseconds); }

 private:
  static constexpr DeviceHandle kHandle = 7;
};

// A file held in memory, handed out in blocks of a chosen size (short reads
// as a pipe gives them); it can fail a read once a number of bytes is out.
class MemoryFile : public InputFile {
 public:
  MemoryFile(const std::string& content, std::size_t blockSize, long failAfter)
      : content_(content), blockSize_(std::max<std::size_t>(blockSize, 1)), failAfter_(failAfter) {}

  long read(char* buffer, std::size_t size) override {
    if (failAfter_ >= 0 && static_cast<long>(position_) >= failAfter_) return -1;
    std::size_t count = std::min({size, blockSize_, content_.size() - position_});
    if (failAfter_ >= 0) {
      count = std::min(count, static_cast<std::size_t>(failAfter_) - position_);
    }
    std::memcpy(buffer, content_.data() + position_, count);
    position_ += count;
    return static_cast<long>(count);
  }

 private:
  const std::string& content_;
  std::size_t blockSize_;
  long failAfter_;
  std::size_t position_ = 0;
};

// Holds one definition file under one name.
class MemoryFileSystem : public FileSystem {
 public:
  MemoryFileSystem(std::string name, const std::string& content, std::size_t blockSize,
                   long failAfter)
      : name_(std::move(name)), content_(content), blockSize_(blockSize), failAfter_(failAfter) {}

  int opens = 0;

  std::unique_ptr<InputFile> openForReading(const std::string& name) override {
    ++opens;
    if (name != name_) return nullptr;
    return std::make_unique<MemoryFile>(content_, blockSize_, failAfter_);
  }

 private:
  std::string name_;
  const std::string& content_;
  std::size_t blockSize_;
  long failAfter_;
};

}  // namespace fsprog::fuzzing
