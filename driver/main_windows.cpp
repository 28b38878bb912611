// Entry point on Windows: the command line arrives as wide text, and the
// exit code keeps all its bits, so the usage screen ends with 256 as it is.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <clocale>
#include <string>
#include <vector>

#include "driver/run.h"

namespace {

// The narrow name under which a file argument is opened, in the ANSI code
// page as the C runtime's fopen expects it; a character that the code page
// lacks becomes a look-alike or the default character. A name longer than
// the 255 bytes of a definition line is converted whole all the same, with
// the size that the first call reports, and so opens under its full name.
std::string ansiFileName(const wchar_t* argument) {
  int size = WideCharToMultiByte(CP_ACP, 0, argument, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string name(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, argument, -1, &name[0], size, nullptr, nullptr);
  name.resize(name.find('\0'));  // the text up to its NUL
  return name;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace fsprog;
  // The locale decides how wide text is converted for the console. Where
  // the name is unknown the "C" locale stays, and all but non-ASCII
  // invocation names print the same.
  std::setlocale(LC_ALL, "japanese");

  std::vector<CommandArgument> arguments;
  for (int i = 0; i < argc; ++i) {
    CommandArgument argument;
    argument.text = argv[i];
    argument.fileName = ansiFileName(argv[i]);
    arguments.push_back(std::move(argument));
  }

  return runOnThisSystem(arguments);
}
