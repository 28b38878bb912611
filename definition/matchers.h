#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fsprog {

// Value words of a field, as readFieldValue returns them.
inline constexpr int kMouseLeft = 0xF1;
inline constexpr int kMouseRight = 0xF2;
inline constexpr int kMouseCenter = 0xF4;
inline constexpr int kWaitA = 0xFD;
inline constexpr int kWaitB = 0xFE;

// The standard string-to-long conversion with a 32-bit long: leading white
// space, an optional sign, for base 16 an optional 0x, then digits. No digit
// reads as 0; a magnitude beyond the 32-bit range clamps to INT32_MAX or
// INT32_MIN. Reads only the bytes of text.
std::int32_t parseLong32(std::string_view text, int base);

// 1 when line begins with keyword. Searches from cursor; when the keyword is
// found anywhere, the cursor moves behind it, even if the result is 0.
int matchKeyword(std::string_view line, std::string_view keyword, std::size_t& cursor);

// 1 when the first `first` at or after cursor is followed by `second` with
// only blanks between. The cursor moves behind `second` once both are found.
int matchKeywordPair(std::string_view line, std::string_view first, std::string_view second,
                     std::size_t& cursor);

// Reads NAME = value from the first `name` at or after `from`. The value is a
// hexadecimal number or, when that reads 0, one of the words MOUSE_L/R/C
// (mouseWord 1), WAIT_A or WAIT_B. Returns 0 when there is no such field; the
// outputs are then unspecified.
int readFieldValue(std::string_view line, std::string_view name, std::size_t from, int& value,
                   int& mouseWord);

inline bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace fsprog
