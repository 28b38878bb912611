#pragma once

#include <string>
#include <string_view>

namespace fsprog {

// The one path from the logic to standard output. Narrow and wide messages
// both end up as bytes in write(), in the order they are issued, so no C
// stream ever sees two orientations.
class Console {
 public:
  virtual ~Console() = default;
  virtual void write(std::string_view bytes) = 0;
  // Converts wide text (the argument of a wide "%ls") to console bytes. This
  // is the only place where non-ASCII wide text can occur.
  virtual void writeWide(std::wstring_view text) = 0;
};

// printf-like output through a Console. Understood conversions: %d, %x, %s,
// %ls and %%, with the flag 0 and a width ("%2d", "%04x"). %x prints the int
// as unsigned. In the wide form %ls takes a wide string and %s a narrow one.
void printNarrow(Console& console, const char* format, ...);
void printWide(Console& console, const wchar_t* format, ...);

// A Console that keeps everything in memory: benchmarks, fuzzers and tests.
class StringConsole : public Console {
 public:
  void write(std::string_view bytes) override { text.append(bytes); }
  void writeWide(std::wstring_view wide) override;
  std::string text;
};

// A Console that throws everything away.
class NullConsole : public Console {
 public:
  void write(std::string_view) override {}
  void writeWide(std::wstring_view) override {}
};

}  // namespace fsprog
