#pragma once

#include "definition/console.h"
#include "definition/load_state.h"

namespace fsprog {

// Prints the analysis entry of one accepted key line: switch, mode, mouse
// label, code with its combination, and the line's warnings. The texts depend
// on state.productId; a macro entry shows state.macroStep.
void printListingEntry(const LoadState& state, Console& console, int switchNumber,
                       SwitchMode mode, int code, int combination, int mouseWord,
                       int multipleDefinition);

}  // namespace fsprog
