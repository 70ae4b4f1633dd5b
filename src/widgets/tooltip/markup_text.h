#pragma once
// Small text helpers of the markup drawer. Only ASCII counts as letters and digits: the
// bytes above 0x7F are parts of UTF-8 characters.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "widgets/tooltip/text_style.h"

namespace markup {

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
inline int HexValue(char c) { return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }
// What starts a selector, a property or an attribute name.
inline bool IsNameStart(char c) { return IsAlpha(c) || IsDigit(c) || c == '.'; }

// The decimal number at the start (atoi), saturated to the int range; 0 without one.
int ParseDecimal(std::string_view text);
// The number at the start in C notation (decimal, 0x hexadecimal, leading 0 octal), as
// strtoul reads it, saturated to 32 bits.
std::uint32_t ParseCNumber(std::string_view text);
// number * numerator / denominator, rounded to nearest; -1 for a zero denominator.
int MulDiv(long long number, long long numerator, long long denominator);
std::string ToLower(std::string_view text);

// Coordinates stay far from overflow however many breaks, tabs and cells a text holds: the
// layout works them out wide and keeps them to this range.
inline constexpr long long kMaxCoordinate = 1LL << 28;
inline int Sat(long long value) {
  return static_cast<int>(std::clamp(value, -kMaxCoordinate, kMaxCoordinate));
}

inline bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}
inline std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}
inline std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}
inline int CountSpaces(std::string_view text) {
  return static_cast<int>(std::count(text.begin(), text.end(), ' '));
}

// Where a line may break: after these.
inline bool IsBreakChar(char c) {
  switch (c) {
    case ' ':
    case '-':
    case '.':
    case ',':
    case '!':
    case ':':
    case ';':
    case ')':
    case '}':
    case ']':
    case '?':
      return true;
    default:
      return false;
  }
}

// Not in the middle of a UTF-8 sequence.
inline bool IsCharBoundary(std::string_view text, std::size_t at) {
  return at == 0 || at >= text.size() || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80;
}

// text-transform; capitalizing lowers the rest of each word first.
void Transform(std::string& run, TextTransform transform);

}  // namespace markup
