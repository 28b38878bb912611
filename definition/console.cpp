#include "definition/console.h"

#include <cstdarg>
#include <cstdint>

namespace fsprog {
namespace {

// Appends the digits of value in the given base, padded to width with pad.
void appendNumber(std::string& out, std::uint32_t magnitude, bool negative,
                  unsigned base, int width, char pad) {
  char digits[16];
  int count = 0;
  do {
    digits[count++] = "0123456789abcdef"[magnitude % base];
    magnitude /= base;
  } while (magnitude != 0);
  int length = count + (negative ? 1 : 0);
  if (pad == '0' && negative) {
    out += '-';
  }
  for (; length < width; ++length) {
    out += pad;
  }
  if (pad != '0' && negative) {
    out += '-';
  }
  while (count > 0) {
    out += digits[--count];
  }
}

// One formatter for both kinds of format string. The formats of this program
// are ASCII, so every format character maps to one byte.
template <typename Char>
void formatTo(Console& console, const Char* format, va_list args) {
  std::string out;
  auto flushText = [&] {
    if (!out.empty()) {
      console.write(out);
      out.clear();
    }
  };
  for (const Char* p = format; *p != 0; ++p) {
    if (*p != '%') {
      out += static_cast<char>(*p);
      continue;
    }
    ++p;
    char pad = ' ';
    if (*p == '0') {
      pad = '0';
      ++p;
    }
    int width = 0;
    while (*p >= '0' && *p <= '9') {
      width = width * 10 + static_cast<int>(*p - '0');
      ++p;
    }
    bool wideString = false;
    if (*p == 'l') {
      wideString = true;
      ++p;
    }
    switch (*p) {
      case 'd': {
        int value = va_arg(args, int);
        bool negative = value < 0;
        std::uint32_t magnitude = negative ? 0u - static_cast<std::uint32_t>(value)
                                           : static_cast<std::uint32_t>(value);
        appendNumber(out, magnitude, negative, 10, width, pad);
        break;
      }
      case 'x':
        appendNumber(out, va_arg(args, unsigned), false, 16, width, pad);
        break;
      case 's':
        if (wideString) {
          const wchar_t* text = va_arg(args, const wchar_t*);
          flushText();
          console.writeWide(text);
        } else {
          out += va_arg(args, const char*);
        }
        break;
      case '%':
        out += '%';
        break;
      default:  // not used by this program; print the rest as it stands
        out += '%';
        if (*p == 0) {
          --p;
        } else {
          out += static_cast<char>(*p);
        }
        break;
    }
  }
  flushText();
}

}  // namespace

void printNarrow(Console& console, const char* format, ...) {
  va_list args;
  va_start(args, format);
  formatTo(console, format, args);
  va_end(args);
}

void printWide(Console& console, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  formatTo(console, format, args);
  va_end(args);
}

void StringConsole::writeWide(std::wstring_view wide) {
  for (wchar_t c : wide) {
    text += static_cast<unsigned>(c) < 0x80 ? static_cast<char>(c) : '?';
  }
}

}  // namespace fsprog
