#include "definition/matchers.h"

#include <cstdint>

namespace fsprog {
namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 99;
}

bool hexDigit(char c) { return digitValue(c) < 16; }

}  // namespace

std::int32_t parseLong32(std::string_view text, int base) {
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // "0x" counts as a prefix only when a hex digit follows; otherwise the 0 is
  // the number and the x ends it. Either way the value is 0 then.
  if (base == 16 && i + 2 < text.size() && text[i] == '0' &&
      (text[i + 1] == 'x' || text[i + 1] == 'X') && hexDigit(text[i + 2])) {
    i += 2;
  }
  constexpr std::int64_t kLimit = std::int64_t{1} << 31;  // |INT32_MIN|
  std::int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    int digit = digitValue(text[i]);
    if (digit >= base) break;
    if (magnitude <= kLimit) magnitude = magnitude * base + digit;
  }
  if (negative) {
    return magnitude >= kLimit ? INT32_MIN : static_cast<std::int32_t>(-magnitude);
  }
  return magnitude >= kLimit ? INT32_MAX : static_cast<std::int32_t>(magnitude);
}

int matchKeyword(std::string_view line, std::string_view keyword, std::size_t& cursor) {
  std::size_t at = line.find(keyword, cursor);
  if (at == std::string_view::npos) return 0;
  cursor = at + keyword.size();
  return at == 0 ? 1 : 0;
}

int matchKeywordPair(std::string_view line, std::string_view first, std::string_view second,
                     std::size_t& cursor) {
  std::size_t firstAt = line.find(first, cursor);
  if (firstAt == std::string_view::npos) return 0;
  std::size_t gapStart = firstAt + first.size();
  std::size_t secondAt = line.find(second, gapStart);
  if (secondAt == std::string_view::npos) return 0;
  cursor = secondAt + second.size();
  for (std::size_t k = gapStart; k < secondAt; ++k) {
    if (!isBlank(line[k])) return 0;
  }
  return 1;
}

int readFieldValue(std::string_view line, std::string_view name, std::size_t from, int& value,
                   int& mouseWord) {
  std::size_t at = line.find(name, from);
  if (at == std::string_view::npos) return 0;
  // The "=" may not be the last byte: something must follow it.
  std::size_t k = at + name.size();
  for (;; ++k) {
    if (k + 1 >= line.size()) return 0;
    if (line[k] == '=') break;
    if (!isBlank(line[k])) return 0;
  }
  std::string_view rest = line.substr(k + 1);
  value = parseLong32(rest, 16);
  mouseWord = 0;
  if (value != 0) return 1;

  std::size_t j = 0;
  while (j < rest.size() && isBlank(rest[j])) ++j;
  if (j == rest.size()) return 0;
  std::string_view word = rest.substr(j);
  if (word.substr(0, 6) == "MOUSE_") {
    char button = word.size() > 6 ? word[6] : '\0';
    switch (button) {
      case 'L': value = kMouseLeft; break;
      case 'R': value = kMouseRight; break;
      case 'C': value = kMouseCenter; break;
      default: return 0;
    }
    mouseWord = 1;
    return 1;
  }
  if (word.substr(0, 6) == "WAIT_A") {
    value = kWaitA;
  } else if (word.substr(0, 6) == "WAIT_B") {
    value = kWaitB;
  }
  return 1;
}

}  // namespace fsprog
