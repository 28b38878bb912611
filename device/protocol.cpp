#include "device/protocol.h"

namespace fsprog {

int LoadSender::writeControl(std::uint8_t code, std::uint8_t second) {
  OutputFrame frame{};
  frame[1] = code;
  frame[2] = second;
  return writeFrame(channel_, frame, state_, console_, hid_);
}

int LoadSender::sendRecord(const OutputFrame& frame, int switchChanged) {
  if (switchChanged != 0 && groupOpen_ && state_.currentSwitch != 0) {
    int result = writeControl(kGroupEndCode);
    if (result != kWriteOk) return result;
    groupOpen_ = false;
  }
  int result = writeFrame(channel_, frame, state_, console_, hid_);
  if (result != kWriteOk) return result;
  // Bit 7 marks the PID record, which does not belong to a group.
  if ((frame[1] & 0x80) == 0) groupOpen_ = true;
  return kWriteOk;
}

void LoadSender::sendClosingFrames() {
  const bool defaultTable = state_.defaultTable != 0;
  if (defaultTable) {
    writeControl(kDefaultTableFirstCode);
    writeControl(kDefaultTableSecondCode);
  }
  if (state_.saveSettings != 0) {
    writeControl(kSaveCode, kGroupEndCode);
    writeControl(0);
  }
  if (groupOpen_) {
    writeControl(kGroupEndCode);
    writeControl(0);
  }
  writeControl(defaultTable ? kClosingDefaultTableCode : kClosingCode);
  writeControl(0);
  writeControl(0);
}

}  // namespace fsprog
