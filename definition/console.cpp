#include "definition/console.h"

#include <cstdarg>
#include <cstdint>
#include <cstring>

namespace fsprog {
namespace {

// Collects formatted bytes in a fixed buffer and hands them to the console
// in large pieces: one write for a whole message unless it holds a %ls or
// is longer than the buffer. No heap memory is involved.
class FormatBuffer {
 public:
  explicit FormatBuffer(Console& console) : console_(console) {}
  FormatBuffer(const FormatBuffer&) = delete;
  FormatBuffer& operator=(const FormatBuffer&) = delete;

  void put(char c) {
    if (size_ == sizeof bytes_) flush();
    bytes_[size_++] = c;
  }
  // Puts the characters of an ASCII format text, narrow or wide, up to its
  // next '%' or its end; returns where it stopped.
  template <typename Char>
  const Char* putText(const Char* text) {
    for (;;) {
      char* out = bytes_ + size_;
      char* const end = bytes_ + sizeof bytes_;
      while (out != end && *text != 0 && *text != '%') *out++ = static_cast<char>(*text++);
      size_ = static_cast<std::size_t>(out - bytes_);
      if (out != end) return text;
      flush();
    }
  }
  void putText(const char* text, std::size_t count) {
    for (; count > 0; --count) put(*text++);
  }
  void flush() {
    if (size_ != 0) {
      console_.write(std::string_view(bytes_, size_));
      size_ = 0;
    }
  }

 private:
  Console& console_;
  std::size_t size_ = 0;
  char bytes_[256];
};

// Puts the digits of value in the given base, padded to width with pad.
void putNumber(FormatBuffer& out, std::uint32_t magnitude, bool negative, unsigned base,
               int width, char pad) {
  char digits[16];
  int count = 0;
  do {
    digits[count++] = "0123456789abcdef"[magnitude % base];
    magnitude /= base;
  } while (magnitude != 0);
  int length = count + (negative ? 1 : 0);
  if (pad == '0' && negative) {
    out.put('-');
  }
  for (; length < width; ++length) {
    out.put(pad);
  }
  if (pad != '0' && negative) {
    out.put('-');
  }
  while (count > 0) {
    out.put(digits[--count]);
  }
}

// One formatter for both kinds of format string. The formats of this program
// are ASCII, so every format character maps to one byte.
template <typename Char>
void formatTo(Console& console, const Char* format, va_list args) {
  FormatBuffer out(console);
  for (const Char* p = out.putText(format); *p != 0; p = out.putText(p + 1)) {
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
        putNumber(out, magnitude, negative, 10, width, pad);
        break;
      }
      case 'x':
        putNumber(out, va_arg(args, unsigned), false, 16, width, pad);
        break;
      case 's':
        if (wideString) {
          const wchar_t* text = va_arg(args, const wchar_t*);
          out.flush();
          console.writeWide(text);
        } else {
          const char* text = va_arg(args, const char*);
          out.putText(text, std::strlen(text));
        }
        break;
      case '%':
        out.put('%');
        break;
      default:  // not used by this program; print the rest as it stands
        out.put('%');
        if (*p == 0) {
          --p;
        } else {
          out.put(static_cast<char>(*p));
        }
        break;
    }
  }
  out.flush();
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
