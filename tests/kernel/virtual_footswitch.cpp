// A virtual foot switch for the kernel test: creates a USB HID device through
// /dev/uhid and writes every report that reaches it to a log file, one line
// per report:
//
//   output 8: 00 80 00 00 00 00 00 00
//
// (the report type, the size the kernel handed over, then the bytes in hex).
//
//   virtual-footswitch --tag TAG --log FILE [--descriptor vendor|keyboard]
//                      [--unplug-after N]
//
// TAG becomes the device's "uniq" string, which the kernel shows as
// HID_UNIQ=TAG in the uevent file of the device's hidraw node; that is how
// the test script finds the node that belongs to this device.
//
// The device lives until SIGTERM or SIGINT, or, with --unplug-after N, until
// the N-th output report has been logged: then it destroys itself, as a foot
// switch pulled out of its socket in the middle of a load. The program runs
// under SCHED_FIFO, so on a single-CPU machine it takes each report off the
// uhid queue before the writer gets the CPU back, and the unplug lands between
// report N and report N+1 every time.
#include <fcntl.h>
#include <linux/uhid.h>
#include <sched.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr unsigned kVendorId = 0x2C7E;
constexpr unsigned kProductId = 0x3102;

// A vendor-defined interface: one application collection on the vendor page
// 0xFF00 with a 7-byte input and a 7-byte output report and no report ids, so
// a report written through hidraw is one id byte (0x00) and seven data bytes.
constexpr unsigned char kVendorDescriptor[] = {
    0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x07,        //   Report Count (7)
    0x09, 0x01,        //   Usage (1)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x95, 0x07,        //   Report Count (7)
    0x09, 0x01,        //   Usage (1)
    0x91, 0x02,        //   Output (Data, Variable, Absolute)
    0xC0,              // End Collection
};

// A keyboard interface, the kind that a composite foot switch shows next to
// its settings interface. It declares no LED output report, so the input
// layer never sends it one: any output report that reaches this device was
// written by a program through its hidraw node.
constexpr unsigned char kKeyboardDescriptor[] = {
    0x05, 0x01,  // Usage Page (Generic Desktop)
    0x09, 0x06,  // Usage (Keyboard)
    0xA1, 0x01,  // Collection (Application)
    0x05, 0x07,  //   Usage Page (Keyboard/Keypad)
    0x19, 0xE0,  //   Usage Minimum (Left Control)
    0x29, 0xE7,  //   Usage Maximum (Right GUI)
    0x15, 0x00,  //   Logical Minimum (0)
    0x25, 0x01,  //   Logical Maximum (1)
    0x75, 0x01,  //   Report Size (1)
    0x95, 0x08,  //   Report Count (8)
    0x81, 0x02,  //   Input (Data, Variable, Absolute): modifier bits
    0x95, 0x01,  //   Report Count (1)
    0x75, 0x08,  //   Report Size (8)
    0x81, 0x01,  //   Input (Constant): reserved byte
    0x95, 0x06,  //   Report Count (6)
    0x75, 0x08,  //   Report Size (8)
    0x15, 0x00,  //   Logical Minimum (0)
    0x25, 0x65,  //   Logical Maximum (101)
    0x05, 0x07,  //   Usage Page (Keyboard/Keypad)
    0x19, 0x00,  //   Usage Minimum (0)
    0x29, 0x65,  //   Usage Maximum (101)
    0x81, 0x00,  //   Input (Data, Array): key codes
    0xC0,        // End Collection
};

volatile sig_atomic_t stopRequested = 0;

void onStopSignal(int) { stopRequested = 1; }

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "virtual-footswitch: %s: %s\n", what, std::strerror(errno));
  std::exit(1);
}

[[noreturn]] void usage() {
  std::fprintf(stderr,
               "usage: virtual-footswitch --tag TAG --log FILE [--descriptor vendor|keyboard]"
               " [--unplug-after N]\n");
  std::exit(2);
}

// One whole uhid event per call: the kernel takes or refuses it as a unit.
void sendEvent(int uhid, const uhid_event& event) {
  ssize_t count;
  do {
    count = ::write(uhid, &event, sizeof event);
  } while (count < 0 && errno == EINTR);
  if (count != static_cast<ssize_t>(sizeof event)) fail("write /dev/uhid");
}

// Appends one line to the log with a single write, so that a reader never
// sees half a line.
void logLine(int log, const std::string& line) {
  std::string text = line + "\n";
  if (::write(log, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    fail("write log");
  }
}

const char* reportTypeName(unsigned type) {
  switch (type) {
    case UHID_OUTPUT_REPORT:
      return "output";
    case UHID_FEATURE_REPORT:
      return "feature";
    case UHID_INPUT_REPORT:
      return "input";
    default:
      return "unknown";
  }
}

std::string hexBytes(const unsigned char* data, std::size_t size) {
  std::string text;
  char byte[4];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(byte, sizeof byte, i == 0 ? "%02X" : " %02X", data[i]);
    text += byte;
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  std::string tag;
  std::string logPath;
  std::string descriptorKind = "vendor";
  long unplugAfter = 0;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    if (i + 1 >= argc) usage();
    std::string value = argv[++i];
    if (option == "--tag") {
      tag = value;
    } else if (option == "--log") {
      logPath = value;
    } else if (option == "--descriptor") {
      descriptorKind = value;
    } else if (option == "--unplug-after") {
      char* end = nullptr;
      unplugAfter = std::strtol(value.c_str(), &end, 10);
      if (*end != '\0' || unplugAfter <= 0) usage();
    } else {
      usage();
    }
  }
  if (tag.empty() || tag.size() >= sizeof(uhid_create2_req::uniq) || logPath.empty()) usage();

  const unsigned char* descriptor;
  std::size_t descriptorSize;
  if (descriptorKind == "vendor") {
    descriptor = kVendorDescriptor;
    descriptorSize = sizeof kVendorDescriptor;
  } else if (descriptorKind == "keyboard") {
    descriptor = kKeyboardDescriptor;
    descriptorSize = sizeof kKeyboardDescriptor;
  } else {
    usage();
  }

  // No SA_RESTART: the signal must interrupt the blocking read below.
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);

  sched_param priority{};
  priority.sched_priority = 10;
  if (sched_setscheduler(0, SCHED_FIFO, &priority) != 0) fail("sched_setscheduler SCHED_FIFO");

  int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
  if (log < 0) fail("open log");
  int uhid = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
  if (uhid < 0) fail("open /dev/uhid");

  static uhid_event event;  // 4 KiB and more: kept off the stack
  std::memset(&event, 0, sizeof event);
  event.type = UHID_CREATE2;
  std::snprintf(reinterpret_cast<char*>(event.u.create2.name), sizeof event.u.create2.name,
                "Virtual foot switch %s", tag.c_str());
  std::snprintf(reinterpret_cast<char*>(event.u.create2.uniq), sizeof event.u.create2.uniq, "%s",
                tag.c_str());
  event.u.create2.rd_size = static_cast<__u16>(descriptorSize);
  event.u.create2.bus = BUS_USB;
  event.u.create2.vendor = kVendorId;
  event.u.create2.product = kProductId;
  std::memcpy(event.u.create2.rd_data, descriptor, descriptorSize);
  sendEvent(uhid, event);

  long outputs = 0;
  while (!stopRequested) {
    ssize_t count = ::read(uhid, &event, sizeof event);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) fail("read /dev/uhid");
    switch (event.type) {
      case UHID_OUTPUT: {
        const uhid_output_req& output = event.u.output;
        std::size_t size = output.size <= UHID_DATA_MAX ? output.size : UHID_DATA_MAX;
        logLine(log, std::string(reportTypeName(output.rtype)) + " " +
                         std::to_string(output.size) + ": " + hexBytes(output.data, size));
        if (unplugAfter > 0 && ++outputs == unplugAfter) {
          std::memset(&event, 0, sizeof event);
          event.type = UHID_DESTROY;
          sendEvent(uhid, event);
          logLine(log, "unplugged");
          return 0;
        }
        break;
      }
      // Nothing in these tests should ask the device for a report; if
      // something does, the log shows it and the request fails at once
      // instead of running into the kernel's timeout.
      case UHID_GET_REPORT: {
        logLine(log, std::string("get report ") + reportTypeName(event.u.get_report.rtype) +
                         " " + std::to_string(event.u.get_report.rnum));
        __u32 id = event.u.get_report.id;
        std::memset(&event, 0, sizeof event);
        event.type = UHID_GET_REPORT_REPLY;
        event.u.get_report_reply.id = id;
        event.u.get_report_reply.err = EIO;
        sendEvent(uhid, event);
        break;
      }
      case UHID_SET_REPORT: {
        const uhid_set_report_req& request = event.u.set_report;
        std::size_t size = request.size <= UHID_DATA_MAX ? request.size : UHID_DATA_MAX;
        logLine(log, std::string("set report ") + reportTypeName(request.rtype) + " " +
                         std::to_string(request.size) + ": " + hexBytes(request.data, size));
        __u32 id = request.id;
        std::memset(&event, 0, sizeof event);
        event.type = UHID_SET_REPORT_REPLY;
        event.u.set_report_reply.id = id;
        event.u.set_report_reply.err = EIO;
        sendEvent(uhid, event);
        break;
      }
      default:  // start, stop, open, close: nothing to do
        break;
    }
  }

  std::memset(&event, 0, sizeof event);
  event.type = UHID_DESTROY;
  sendEvent(uhid, event);
  ::close(uhid);
  ::close(log);
  return 0;
}
