#include <cstdio>

#include "device/hid_platform.h"
#include "driver/run.h"
#include "driver/stdout_console.h"

namespace fsprog {

int runOnThisSystem(const std::vector<CommandArgument>& arguments) {
  std::unique_ptr<Console> console = createStdoutConsole();
  StdioFileSystem files;
  std::unique_ptr<HidPlatform> hid = createSystemHidPlatform();
  RunEnvironment environment{*console, files, *hid};
  LoadState state;
  int code = runFsprog(arguments, environment, state);
  std::fflush(stdout);
  return code;
}

}  // namespace fsprog
