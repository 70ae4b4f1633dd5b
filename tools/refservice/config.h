#pragma once
// The answers of the start-up exchange, read from a small text file (format in README.md).

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace refservice {

enum class Answer { Normal, NoStatus, Empty, Raw };

struct Config {
  std::map<std::string, std::string> accounts;  // account name -> tunnel password
  std::string status = "OK";
  std::optional<std::string> notice;
  std::optional<std::string> caption;
  Answer answer = Answer::Normal;
  std::filesystem::path rawFile;  // resolved against the config file's folder
  int httpStatus = 200;
  int delayMs = 0;
};

// Reads and checks a config file; on failure returns nothing and says why in *error.
std::optional<Config> LoadConfig(const std::filesystem::path& file, std::string* error);

// Splits "Account=<name>&Version=<version>"; nothing when the body has another shape.
struct StartRequest {
  std::string account;
  std::string version;
};
std::optional<StartRequest> ParseStartRequest(std::string_view body);

// The body of a normal answer for this request.
std::string BuildStartResponse(const Config& config, const StartRequest& request);

}  // namespace refservice
