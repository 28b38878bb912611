#include "definition/load_state.h"

namespace fsprog {

void LoadState::reset() {
  productId = 0;
  keysDefined = 0;
  currentSwitch = 0;
  macroStep = 0;
  modeMasks.fill(0);
  analysisOnly = 0;
  defaultTable = 0;
  saveSettings = 1;
}

}  // namespace fsprog
