#include "driver/run.h"

#include <memory>

#include "definition/interpreter.h"
#include "device/channel.h"
#include "device/discovery.h"
#include "device/protocol.h"
#include "driver/line_reader.h"

namespace fsprog {
namespace {

void printUsage(const std::vector<CommandArgument>& arguments, RunEnvironment& environment,
                const LoadState& state) {
  Console& console = environment.console;
  const wchar_t* invocation = arguments.empty() ? L"" : arguments[0].text.c_str();
  printWide(console, L"Usage : %ls [FileName] [/t]\n", invocation);
  printNarrow(console,
              "        FileName : Key code definition file (Default TolvarCode.txt)\n");
  printNarrow(console,
              "        /t       : Only the analysis result of the definition file is "
              "displayed.\n");
  printWide(console, L" Ver. %ls\n", kVersionText);
  printNarrow(console, "\n");
  listDevices(state, console, environment.hid);
}

void printSummary(Console& console, const LoadState& state) {
  if (state.keysDefined != 0 && state.defaultTable != 0) {
    printNarrow(console, "Saved to the DEFAULT settings.(All the settings are ignored)\n");
  } else if (state.defaultTable != 0) {
    printNarrow(console, "Saved to the DEFAULT settings.\n");
  } else if (state.keysDefined == 0) {
    printNarrow(console, "Key code was not found.\n");
  }
  if (state.productId == 0) printNarrow(console, "PID was not found.\n");
  printNarrow(console, "\n");
}

}  // namespace

int runFsprog(const std::vector<CommandArgument>& arguments, RunEnvironment& environment,
              LoadState& state) {
  Console& console = environment.console;
  state.reset();

  std::string fileName = kDefaultFileName;
  bool fileNamed = false;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::wstring& text = arguments[i].text;
    if (text == L"/T" || text == L"/t") {
      state.analysisOnly = 1;
    } else if (text == L"/H" || text == L"/h" || text == L"/?") {
      printUsage(arguments, environment, state);
      return kExitUsage;
    } else if (!fileNamed) {
      fileName = arguments[i].fileName;
      fileNamed = true;
    }
  }

  std::unique_ptr<InputFile> file = environment.files.openForReading(fileName);
  std::unique_ptr<LineReader> reader;
  if (file != nullptr) {
    reader = std::make_unique<LineReader>(*file);
    if (!reader->start()) file.reset();
  }
  if (file == nullptr) {
    printNarrow(console, "Can not Open %s\n", fileName.c_str());
    return kExitCannotOpen;
  }

  LoadSender sender(state, console, environment.hid);
  int result = kWriteOk;
  int lineNumber = 0;
  LineReader::Line line;
  while (reader->next(line)) {
    ++lineNumber;
    if (line.overLong && state.analysisOnly != 0) {
      printNarrow(console, "Line %d is longer than 255 characters; the rest of it is ignored.\n",
                  lineNumber);
    }
    OutputFrame frame{};
    int switchChanged = 0;
    if (interpretLine(state, console, line.text, frame.data(), switchChanged) != 0 &&
        state.analysisOnly == 0) {
      result = sender.sendRecord(frame, switchChanged);
      if (result != kWriteOk) break;
    }
  }
  reader.reset();
  file.reset();

  if (state.analysisOnly != 0) {
    printSummary(console, state);
    return 0;
  }

  if (sender.channel().isOpen() && result == kWriteOk) sender.sendClosingFrames();
  closeChannel(sender.channel(), environment.hid);
  if (result >= kOpenFailed) {
    printWide(console, L"\nOPEN ERROR\n");
  } else if (result != kWriteOk) {
    printWide(console, L"\nLOAD ERROR\n");
  } else {
    printWide(console, L"\nLOAD END\n");
  }
  return result;
}

}  // namespace fsprog
