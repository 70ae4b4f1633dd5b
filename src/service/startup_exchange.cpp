#include "service/startup_exchange.h"

#include "service/account.h"

std::string BuildStartupRequestBody(std::string_view account, std::string_view version) {
  std::string body = "Account=";
  body += account;
  body += "&Version=";
  body += version;
  return body;
}

std::optional<std::string_view> BetweenMarkers(std::string_view text, std::string_view start,
                                               std::string_view end) {
  const size_t startAt = text.find(start);
  const size_t endAt = text.find(end);
  if (startAt == std::string_view::npos || endAt == std::string_view::npos) return std::nullopt;
  const size_t valueAt = startAt + start.size();
  // An end marker before its start marker (or overlapping it) leaves no value between them.
  if (endAt < valueAt) return std::nullopt;
  return text.substr(valueAt, endAt - valueAt);
}

StartupAnswer ParseStartupAnswer(std::string_view response) {
  StartupAnswer answer;
  answer.reached = !response.empty() && BetweenMarkers(response, kStatusStart, kStatusEnd);
  if (!answer.reached) return answer;
  if (const auto notice = BetweenMarkers(response, "MsgStart", "MsgEnd")) {
    answer.notice.emplace();
    SetBounded(*answer.notice, *notice, kNoticeCapacity);
    if (const auto caption = BetweenMarkers(response, "MsgCapStart", "MsgCapEnd")) {
      SetBounded(answer.caption, *caption, kNoticeCapacity);
    }
  }
  if (const auto password = BetweenMarkers(response, "PWStart", "PWEnd")) {
    answer.password.emplace();
    SetBounded(*answer.password, *password, kTunnelPasswordCapacity);
  }
  return answer;
}
