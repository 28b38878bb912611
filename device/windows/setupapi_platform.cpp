// HID access on Windows through SetupAPI and file handles.
//
// The HID interface class comes from hid.dll, which is loaded only for the
// one call that yields the class GUID. Device paths are those of the
// present interfaces of that class, as SetupAPI spells them
// ("\\?\hid#vid_2c7e&pid_3102#...").
//
// Builds with mingw-w64 and with MSVC alike.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// setupapi.h needs the types of windows.h.
#include <setupapi.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "device/hid_platform.h"

namespace fsprog {
namespace {

// HidD_GetHidGuid of hid.dll.
using GetHidGuidFunction = void(WINAPI*)(GUID*);

// Present interfaces only, listed by interface class.
constexpr DWORD kClassDevsFlags = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;
static_assert(kClassDevsFlags == 0x12, "present device interfaces");

// The fixed part of a detail record. It is 6 bytes in a 32-bit process and
// 8 bytes in a 64-bit one (the record is packed differently); SetupAPI
// checks cbSize against exactly this value and refuses anything else.
constexpr DWORD kDetailFixedSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);

// The handle value of a closed channel is INVALID_HANDLE_VALUE itself.
DeviceHandle toDeviceHandle(HANDLE handle) { return reinterpret_cast<DeviceHandle>(handle); }
HANDLE toWindowsHandle(DeviceHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// The HID interface class; false when hid.dll or its HidD_GetHidGuid is
// missing. The library is released at once: the GUID is all we need of it.
bool hidInterfaceClass(GUID& guid) {
  HMODULE module = LoadLibraryW(L"hid.dll");
  if (module == nullptr) return false;
  FARPROC procedure = GetProcAddress(module, "HidD_GetHidGuid");
  if (procedure == nullptr) {
    FreeLibrary(module);
    return false;
  }
  // Through void(*)() so that compilers take the cast of a FARPROC to the
  // function's real type without a warning.
  auto getHidGuid = reinterpret_cast<GetHidGuidFunction>(reinterpret_cast<void (*)()>(procedure));
  getHidGuid(&guid);
  FreeLibrary(module);
  return true;
}

// Destroys a device information list exactly once, on every way out.
class DeviceInfoList {
 public:
  explicit DeviceInfoList(HDEVINFO list) : list_(list) {}
  ~DeviceInfoList() {
    if (valid()) SetupDiDestroyDeviceInfoList(list_);
  }
  DeviceInfoList(const DeviceInfoList&) = delete;
  DeviceInfoList& operator=(const DeviceInfoList&) = delete;

  bool valid() const { return list_ != INVALID_HANDLE_VALUE; }
  HDEVINFO get() const { return list_; }

 private:
  HDEVINFO list_;
};

// The device path of one enumerated interface; false when it cannot be read.
bool interfacePath(HDEVINFO list, SP_DEVICE_INTERFACE_DATA& interfaceData, std::wstring& path) {
  // Size query: the call fails by design (no buffer); only the size counts.
  DWORD requiredSize = 0;
  SetupDiGetDeviceInterfaceDetailW(list, &interfaceData, nullptr, 0, &requiredSize, nullptr);
  // A size that does not even hold the fixed part leaves no room for
  // cbSize: such a member is skipped rather than written past its buffer.
  if (requiredSize < kDetailFixedSize) return false;

  // operator new aligns for any fundamental type, as the record needs.
  std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[requiredSize]);
  if (buffer == nullptr) return false;
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.get());
  detail->cbSize = kDetailFixedSize;
  DWORD detailSize = 0;
  if (!SetupDiGetDeviceInterfaceDetailW(list, &interfaceData, detail, requiredSize, &detailSize,
                                        nullptr)) {
    return false;
  }
  // The path ends in a NUL within the buffer; the bound only guards
  // against a record that lacks it.
  const std::size_t pathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
  const std::size_t maxCharacters = (requiredSize - pathOffset) / sizeof(WCHAR);
  const WCHAR* begin = detail->DevicePath;
  path.assign(begin, std::find(begin, begin + maxCharacters, L'\0'));
  return true;
}

class SetupApiPlatform : public HidPlatform {
 public:
  bool enumerateHidInterfaces(std::vector<std::wstring>& paths) override {
    GUID hidClass;
    if (!hidInterfaceClass(hidClass)) return false;
    DeviceInfoList list(SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, kClassDevsFlags));
    if (!list.valid()) return false;

    SP_DEVICE_INTERFACE_DATA interfaceData{};
    // sizeof, not a number: the record is 28 bytes in a 32-bit process and
    // 32 in a 64-bit one, and SetupAPI accepts only its own size.
    interfaceData.cbSize = sizeof interfaceData;
    for (DWORD index = 0;
         SetupDiEnumDeviceInterfaces(list.get(), nullptr, &hidClass, index, &interfaceData);
         ++index) {
      std::wstring path;
      if (interfacePath(list.get(), interfaceData, path)) paths.push_back(std::move(path));
    }
    return true;
  }

  bool probeForWrite(const std::wstring& path) override {
    // Windows keeps the keyboard and mouse collections to itself: this open
    // fails on them and succeeds on the collection that takes the settings.
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    CloseHandle(handle);
    return true;
  }

  DeviceHandle openReadWrite(const std::wstring& path) override {
    HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    return toDeviceHandle(handle);
  }

  WriteOutcome writeReport(DeviceHandle handle, const std::uint8_t* data,
                           std::size_t size) override {
    DWORD written = 0;
    if (!WriteFile(toWindowsHandle(handle), data, static_cast<DWORD>(size), &written, nullptr)) {
      return {false, 0};
    }
    return {true, written};
  }

  void closeDevice(DeviceHandle handle) override { CloseHandle(toWindowsHandle(handle)); }

  void sleepMilliseconds(unsigned milliseconds) override {
    std::fflush(stdout);  // show what was printed before the pause
    Sleep(milliseconds);
  }
};

}  // namespace

std::unique_ptr<HidPlatform> createSystemHidPlatform() {
  return std::make_unique<SetupApiPlatform>();
}

}  // namespace fsprog
