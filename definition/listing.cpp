#include "definition/listing.h"

#include <cstring>

#include "definition/matchers.h"

namespace fsprog {
namespace {

constexpr std::int32_t kProductNoMacro = 0x3101;
constexpr std::int32_t kProductMacro16 = 0x3103;

const wchar_t* mouseLabel(int code) {
  switch (code) {
    case kMouseLeft: return L"(Mouse LEFT  )";
    case kMouseRight: return L"(Mouse RIGHT )";
    case kMouseCenter: return L"(Mouse CENTER)";
    default: return L"              ";
  }
}

void printCodeAndCombination(Console& console, int code, int combination) {
  printWide(console, L" Code= 0x%02x ,Combination=%x ", code, combination);
}

// Gathers the texts of one entry, in order, and hands them on in one write:
// an entry is four to seven texts, and a write to a stream costs more than
// the copy.
class EntryBuffer : public Console {
 public:
  explicit EntryBuffer(Console& console) : console_(console) {}
  EntryBuffer(const EntryBuffer&) = delete;
  EntryBuffer& operator=(const EntryBuffer&) = delete;
  ~EntryBuffer() override { flush(); }

  void write(std::string_view bytes) override {
    if (bytes.size() > sizeof bytes_ - size_) {
      flush();
      if (bytes.size() > sizeof bytes_) {
        console_.write(bytes);
        return;
      }
    }
    std::memcpy(bytes_ + size_, bytes.data(), bytes.size());
    size_ += bytes.size();
  }
  void writeWide(std::wstring_view text) override {
    flush();
    console_.writeWide(text);
  }

 private:
  void flush() {
    if (size_ != 0) console_.write(std::string_view(bytes_, size_));
    size_ = 0;
  }

  Console& console_;
  std::size_t size_ = 0;
  char bytes_[256];
};

}  // namespace

void printListingEntry(const LoadState& state, Console& stream, int switchNumber,
                       SwitchMode mode, int code, int combination, int mouseWord,
                       int multipleDefinition) {
  EntryBuffer console(stream);
  const bool fullModel = state.productId == kProductMacro16;

  if (switchNumber <= 8) {
    printWide(console, L"FS %d  ", switchNumber);
  } else {
    printWide(console, L"AUX%2d ", switchNumber);
  }

  // Models other than 0x3103 show edge modes without a mouse label: the mode
  // text is padded over the label column and the mouse word is not shown.
  bool labelColumn = true;
  switch (mode) {
    case KeyState:
      printWide(console, L"Key State ");
      break;
    case FrontEdge:
      printWide(console, fullModel ? L"Front Edge" : L"Front Edge              ");
      labelColumn = fullModel;
      break;
    case RearEdge:
      printWide(console, fullModel ? L"Rear Edge " : L"Rear Edge               ");
      labelColumn = fullModel;
      break;
    case Macro:
      printWide(console, L"Macro[%2d] ", state.macroStep);
      break;
  }
  if (!labelColumn) {
    mouseWord = 0;
  }

  if (labelColumn && mouseWord == 1) {
    printWide(console, mouseLabel(code));
    printCodeAndCombination(console, code, combination);
  } else {
    if (labelColumn) {
      printWide(console, L"              ");
    }
    if ((code == kWaitA || code == kWaitB) && fullModel) {
      printWide(console, code == kWaitA ? L" WAIT(A)     " : L" WAIT(B)     ");
      if (combination != 0) {
        printNarrow(console, "\n\tThe combinations key is ignored.");
      }
    } else if (code == 0) {
      printNarrow(console, state.macroStep != 0 ? " Code= 0x00 End of MACRO. Ignore after this."
                                                : " Code= 0x00 Does not use this. ");
    } else {
      printCodeAndCombination(console, code, combination);
    }
  }

  if (multipleDefinition == 1) {
    printNarrow(console, "\tMultiple definition ! ");
  }
  if (mouseWord == 1 && combination != 0) {
    printNarrow(console, "\n\tThe combinations key is ignored.");
  }
  if (mode == Macro && state.productId == kProductNoMacro) {
    printNarrow(console, "\tCan not use MACRO. ");
  }
  printWide(console, L"\n");
}

}  // namespace fsprog
