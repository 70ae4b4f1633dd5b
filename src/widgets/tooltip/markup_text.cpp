// The numbers of the markup as the C runtime would read them, without its overflows.

#include "widgets/tooltip/markup_text.h"

#include <algorithm>
#include <climits>

namespace markup {

int ParseDecimal(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = std::min(value * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

std::uint32_t ParseCNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  unsigned base = 10;
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] | 0x20) == 'x' && i + 2 < text.size() &&
      IsHexDigit(text[i + 2])) {
    base = 16;
    i += 2;
  } else if (i < text.size() && text[i] == '0') {
    base = 8;
  }
  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    unsigned digit = 0;
    if (base == 16 && IsHexDigit(c)) {
      digit = static_cast<unsigned>(HexValue(c));
    } else if (IsDigit(c) && static_cast<unsigned>(c - '0') < base) {
      digit = static_cast<unsigned>(c - '0');
    } else {
      break;
    }
    value = std::min<std::uint64_t>(value * base + digit, 0xFFFFFFFFull);
  }
  const auto result = static_cast<std::uint32_t>(value);
  return negative ? 0u - result : result;
}

int MulDiv(long long number, long long numerator, long long denominator) {
  if (denominator == 0) return -1;
  long long product = number * numerator;
  const bool negative = (product < 0) != (denominator < 0);
  product = product < 0 ? -product : product;
  const long long d = denominator < 0 ? -denominator : denominator;
  long long result = (product + d / 2) / d;
  if (negative) result = -result;
  return static_cast<int>(std::clamp<long long>(result, INT_MIN, INT_MAX));
}

std::string ToLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  return lower;
}

void Transform(std::string& run, TextTransform transform) {
  if (transform == TRANSFORM_NONE) return;
  for (char& c : run) {
    if (transform == TRANSFORM_UPPERCASE && c >= 'a' && c <= 'z')
      c = static_cast<char>(c - ('a' - 'A'));
    if (transform >= TRANSFORM_LOWERCASE && c >= 'A' && c <= 'Z')
      c = static_cast<char>(c + ('a' - 'A'));
  }
  if (transform != TRANSFORM_CAPITALIZE) return;
  for (std::size_t i = 0; i < run.size(); ++i) {
    if ((i == 0 || run[i - 1] == ' ') && run[i] >= 'a' && run[i] <= 'z') {
      run[i] = static_cast<char>(run[i] - ('a' - 'A'));
    }
  }
}

}  // namespace markup
