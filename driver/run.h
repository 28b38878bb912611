#pragma once

#include <string>
#include <vector>

#include "definition/console.h"
#include "definition/load_state.h"
#include "device/hid_platform.h"
#include "driver/input_file.h"

namespace fsprog {

// Exit codes of a run besides the report channel's 0, 1, 2, 10 and 11.
inline constexpr int kExitCannotOpen = 100;
inline constexpr int kExitUsage = 256;  // POSIX entry points map it to 64

inline constexpr const char* kDefaultFileName = "TolvarCode.txt";
inline constexpr const wchar_t* kVersionText = L"3.00";

// One command-line argument in the two forms the driver uses.
struct CommandArgument {
  std::wstring text;     // compared with the options; argument 0 is shown as is
  std::string fileName;  // the narrow name under which the file is opened
};

// The operating system as the run sees it.
struct RunEnvironment {
  Console& console;
  FileSystem& files;
  HidPlatform& hid;
};

// Carries one run from the command line to the exit code: the usage screen,
// the analysis of a definition file (/t), or its load into the foot switch.
// `state` is reset first; it holds the run's final state afterwards.
int runFsprog(const std::vector<CommandArgument>& arguments, RunEnvironment& environment,
              LoadState& state);

// runFsprog with this system's console, files and HID binding; what the
// entry points call.
int runOnThisSystem(const std::vector<CommandArgument>& arguments);

}  // namespace fsprog
