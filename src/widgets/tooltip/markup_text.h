#pragma once
// Small text helpers of the markup drawer. Only ASCII counts as letters and digits: the
// bytes above 0x7F are parts of UTF-8 characters.

#include <cstdint>
#include <string>
#include <string_view>

namespace markup {

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
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

}  // namespace markup
