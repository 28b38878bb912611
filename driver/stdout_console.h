#pragma once

#include <memory>

#include "definition/console.h"

namespace fsprog {

// Standard output of this system. Wide text is converted in the binding:
// on POSIX byte for byte (arguments were widened byte for byte), on Windows
// through the C runtime's locale.
std::unique_ptr<Console> createStdoutConsole();

}  // namespace fsprog
