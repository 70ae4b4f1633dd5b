#pragma once
// The start-up exchange with the service: the client reports its account and version and
// receives an optional notice and the tunnel password.

#include <optional>
#include <string>
#include <string_view>

inline constexpr const char* kStartupPath = "/tesmira/start.php";

// The service's status field: present in every answer of a working service.
inline constexpr const char* kStatusStart = "StatStart";
inline constexpr const char* kStatusEnd = "StatEnd";

inline constexpr size_t kNoticeCapacity = 255;

// "Account=<accountName>&Version=<version>", sent as it stands (the service reads it raw).
std::string BuildStartupRequestBody(std::string_view account, std::string_view version);

struct StartupAnswer {
  bool reached = false;               // a non-empty answer that carries the status field
  std::optional<std::string> notice;  // the notice, when its marker pair is complete
  std::string caption;                // empty when there is no caption pair
  std::optional<std::string> password;
};

// The text strictly between the first `start` and the first `end` after it; nothing when either
// is missing or the end marker comes first.
std::optional<std::string_view> BetweenMarkers(std::string_view text, std::string_view start,
                                               std::string_view end);

// Reads an answer; values longer than their capacity are cut to it.
StartupAnswer ParseStartupAnswer(std::string_view response);
