#include "config.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace refservice {
namespace {

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool ParseInt(std::string_view text, int low, int high, int* out) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
    return false;
  *out = value;
  return true;
}

}  // namespace

std::optional<Config> LoadConfig(const std::filesystem::path& file, std::string* error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    *error = "cannot read config file " + file.string();
    return std::nullopt;
  }
  std::ostringstream whole;
  whole << in.rdbuf();
  const std::string text = whole.str();

  Config config;
  bool rawGiven = false;
  std::string_view rest = text;
  for (int lineNo = 1; !rest.empty(); ++lineNo) {
    const size_t eol = rest.find('\n');
    const std::string_view line = Trim(rest.substr(0, eol));
    rest = eol == std::string_view::npos ? std::string_view() : rest.substr(eol + 1);
    if (line.empty() || line.front() == '#') continue;

    const auto fail = [&](const std::string& why) {
      *error = file.string() + ":" + std::to_string(lineNo) + ": " + why;
      return std::nullopt;
    };
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return fail("expected \"key = value\"");
    const std::string_view key = Trim(line.substr(0, eq));
    const std::string_view value = Trim(line.substr(eq + 1));

    if (key == "account") {
      // The name cannot hold a blank; the password is everything after it.
      const size_t blank = value.find_first_of(" \t");
      const std::string_view name = value.substr(0, blank);
      const std::string_view password =
          blank == std::string_view::npos ? std::string_view() : Trim(value.substr(blank));
      if (name.empty()) return fail("account without a name");
      config.accounts[std::string(name)] = std::string(password);
    } else if (key == "status") {
      config.status = value;
    } else if (key == "notice") {
      config.notice = std::string(value);
    } else if (key == "caption") {
      config.caption = std::string(value);
    } else if (key == "answer") {
      if (value == "normal") {
        config.answer = Answer::Normal;
      } else if (value == "no-status") {
        config.answer = Answer::NoStatus;
      } else if (value == "empty") {
        config.answer = Answer::Empty;
      } else if (value == "raw") {
        config.answer = Answer::Raw;
      } else {
        return fail("answer must be normal, no-status, empty or raw");
      }
    } else if (key == "raw") {
      if (value.empty()) return fail("raw needs a file name");
      config.rawFile = file.parent_path() / std::filesystem::path(value);
      rawGiven = true;
    } else if (key == "http-status") {
      if (!ParseInt(value, 100, 599, &config.httpStatus))
        return fail("http-status must be a number from 100 to 599");
    } else if (key == "delay-ms") {
      if (!ParseInt(value, 0, 600000, &config.delayMs))
        return fail("delay-ms must be a number from 0 to 600000");
    } else {
      return fail("unknown key \"" + std::string(key) + "\"");
    }
  }
  if (config.answer == Answer::Raw && !rawGiven) {
    *error = file.string() + ": answer = raw needs a raw = FILE line";
    return std::nullopt;
  }
  return config;
}

std::optional<StartRequest> ParseStartRequest(std::string_view body) {
  constexpr std::string_view kAccount = "Account=";
  constexpr std::string_view kVersion = "&Version=";
  if (!body.starts_with(kAccount)) return std::nullopt;
  // The version is ours and never holds the separator; an account name might.
  const size_t sep = body.rfind(kVersion);
  if (sep == std::string_view::npos || sep < kAccount.size()) return std::nullopt;
  return StartRequest{std::string(body.substr(kAccount.size(), sep - kAccount.size())),
                      std::string(body.substr(sep + kVersion.size()))};
}

std::string BuildStartResponse(const Config& config, const StartRequest& request) {
  std::string out = "StatStart" + config.status + "StatEnd";
  if (config.caption) out += "MsgCapStart" + *config.caption + "MsgCapEnd";
  if (config.notice) out += "MsgStart" + *config.notice + "MsgEnd";
  const auto account = config.accounts.find(request.account);
  if (account != config.accounts.end()) out += "PWStart" + account->second + "PWEnd";
  return out;
}

}  // namespace refservice
