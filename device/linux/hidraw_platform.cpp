// HID access on Linux through hidraw.
//
// Interfaces are the entries /sys/class/hidraw/hidrawN in ascending N. Their
// device path is "/dev/hidrawN#vid_xxxx&pid_yyyy": the node, then the ids
// from the uevent file in the form the discovery patterns look for.
//
// FSPROG_SYSROOT, when set, is put in front of /sys and /dev, so that tests
// can run the real binding against a tree of their own.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "device/hid_descriptor.h"
#include "device/hid_platform.h"

namespace fsprog {
namespace {

std::string systemRoot() {
  const char* root = std::getenv("FSPROG_SYSROOT");
  return root != nullptr ? root : "";
}

// Reads a small sysfs file whole; false when it cannot be read.
bool readSmallFile(const std::string& path, std::string& content) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  content.clear();
  char buffer[4096];
  bool ok = true;
  while (content.size() < (1u << 16)) {
    ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) ok = false;
    if (count <= 0) break;
    content.append(buffer, static_cast<std::size_t>(count));
  }
  ::close(fd);
  return ok;
}

// "hidraw12" -> 12; -1 for any other name.
long hidrawNumber(const char* name) {
  constexpr std::string_view kPrefix = "hidraw";
  std::string_view text(name);
  if (text.substr(0, kPrefix.size()) != kPrefix || text.size() == kPrefix.size() ||
      text.size() > kPrefix.size() + 9) {
    return -1;
  }
  long number = 0;
  for (char c : text.substr(kPrefix.size())) {
    if (c < '0' || c > '9') return -1;
    number = number * 10 + (c - '0');
  }
  return number;
}

std::string narrowPath(const std::wstring& path) {
  std::string text;
  for (wchar_t c : path) text += static_cast<char>(c);
  return text;
}

// The node name ("hidrawN") of a device path.
std::string nodeName(const std::wstring& path) {
  std::string text = narrowPath(path.substr(0, path.find(L'#')));
  std::size_t slash = text.rfind('/');
  return slash == std::string::npos ? text : text.substr(slash + 1);
}

class HidrawPlatform : public HidPlatform {
 public:
  HidrawPlatform() : root_(systemRoot()) {}

  bool enumerateHidInterfaces(std::vector<std::wstring>& paths) override {
    DIR* directory = ::opendir(classDirectory().c_str());
    if (directory == nullptr) return false;
    std::vector<long> numbers;
    while (const dirent* entry = ::readdir(directory)) {
      long number = hidrawNumber(entry->d_name);
      if (number >= 0) numbers.push_back(number);
    }
    ::closedir(directory);
    std::sort(numbers.begin(), numbers.end());

    for (long number : numbers) {
      const std::string name = "hidraw" + std::to_string(number);
      std::string uevent;
      HidIds ids;
      if (!readSmallFile(classDirectory() + "/" + name + "/device/uevent", uevent) ||
          !parseHidIdLine(uevent, ids)) {
        continue;
      }
      char path[64];
      std::snprintf(path, sizeof path, "/dev/%s#vid_%04x&pid_%04x", name.c_str(), ids.vendor,
                    ids.product);
      paths.emplace_back(path, path + std::char_traits<char>::length(path));
    }
    return true;
  }

  bool probeForWrite(const std::wstring& path) override {
    // Windows keeps keyboard and mouse collections to itself, so its probe
    // fails on them and the search moves on to the interface that takes the
    // settings. hidraw lets every node be opened; the descriptor decides here.
    std::string descriptor;
    if (readSmallFile(classDirectory() + "/" + nodeName(path) + "/device/report_descriptor",
                      descriptor) &&
        declaresOnlyKeyboardOrMouse(reinterpret_cast<const std::uint8_t*>(descriptor.data()),
                                    descriptor.size())) {
      return false;
    }
    int fd = ::open(nodePath(path).c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    ::close(fd);
    return true;
  }

  DeviceHandle openReadWrite(const std::wstring& path) override {
    int fd = ::open(nodePath(path).c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    return fd < 0 ? kInvalidHandle : fd;
  }

  WriteOutcome writeReport(DeviceHandle handle, const std::uint8_t* data,
                           std::size_t size) override {
    ssize_t count;
    do {
      count = ::write(static_cast<int>(handle), data, size);
    } while (count < 0 && errno == EINTR);
    if (count < 0) return {false, 0};
    return {true, static_cast<std::size_t>(count)};
  }

  void closeDevice(DeviceHandle handle) override { ::close(static_cast<int>(handle)); }

  void sleepMilliseconds(unsigned milliseconds) override {
    std::fflush(stdout);  // show what was printed before the pause
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }

 private:
  std::string classDirectory() const { return root_ + "/sys/class/hidraw"; }
  std::string nodePath(const std::wstring& path) const { return root_ + "/dev/" + nodeName(path); }

  std::string root_;
};

}  // namespace

std::unique_ptr<HidPlatform> createSystemHidPlatform() {
  return std::make_unique<HidrawPlatform>();
}

}  // namespace fsprog
