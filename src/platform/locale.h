#pragma once
// The user's language as a Windows language identifier (GetUserDefaultLangID), derived from
// the POSIX locale settings.

#include <cstdint>
#include <string_view>

namespace platform {

using LANGID = std::uint16_t;

inline constexpr LANGID kLangEnglishUS = 0x0409;

// The identifier for a POSIX locale name such as "de_DE.UTF-8" or "sr_RS@latin". A known
// language in an unknown country gives that language's default identifier; "C", "POSIX", an
// empty name and unknown languages give English (United States).
LANGID LangIdFromLocale(std::string_view locale);

// The identifier for the locale that governs messages: LC_ALL, else LC_MESSAGES, else LANG
// (empty values count as unset, as in POSIX).
LANGID GetUserDefaultLangID();

}  // namespace platform
