// Entry point on POSIX systems: arguments arrive as bytes and the exit status
// keeps only 8 bits.
#include <cstdio>
#include <vector>

#include "driver/run.h"

namespace {

// EX_USAGE: the usage screen's 256 would read as 0, success, in 8 bits.
constexpr int kPosixExitUsage = 64;

}  // namespace

int main(int argc, char** argv) {
  using namespace fsprog;
  static char outputBuffer[64 * 1024];
  std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);

  std::vector<CommandArgument> arguments;
  for (int i = 0; i < argc; ++i) {
    CommandArgument argument;
    argument.fileName = argv[i];
    for (const char* p = argv[i]; *p != '\0'; ++p) {
      argument.text += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    }
    arguments.push_back(std::move(argument));
  }

  int code = runOnThisSystem(arguments);
  return code == kExitUsage ? kPosixExitUsage : code;
}
