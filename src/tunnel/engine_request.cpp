#include "tunnel/engine_request.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>

namespace tunnel {
namespace {

bool IsLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool HasControlByte(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

std::string CheckHost(std::string_view host) {
  if (host.empty()) return "the host is empty";
  if (IsIpAddress(host) || IsDnsName(host)) return {};
  return "the host is neither an IP address nor a DNS name";
}

std::string CheckPort(std::string_view port) {
  if (port.empty() || port.size() > 5 || port[0] == '0' ||
      !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return "the port is not a number from 1 to 65535";
  }
  if (std::stoul(std::string(port)) > 65535) return "the port is not a number from 1 to 65535";
  return {};
}

std::string CheckText(std::string_view value, std::string_view what, size_t most) {
  if (value.empty()) return std::string("the ") + std::string(what) + " is empty";
  if (value.size() > most) {
    return std::string("the ") + std::string(what) + " is longer than " + std::to_string(most) +
           " bytes";
  }
  if (HasControlByte(value)) {
    return std::string("the ") + std::string(what) + " holds a control character";
  }
  return {};
}

}  // namespace

std::string EngineRequestText(const EngineRequest& request) {
  return "host=" + request.host + "\nport=" + request.port + "\nuser=" + request.user +
         "\npassword=" + request.password + "\n";
}

bool IsDnsName(std::string_view name) {
  if (name.empty() || name.size() > 253) return false;
  size_t start = 0;
  for (;;) {
    const size_t dot = name.find('.', start);
    const std::string_view label =
        name.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') {
      return false;
    }
    if (!std::all_of(label.begin(), label.end(),
                     [](char c) { return IsLetterOrDigit(c) || c == '-'; })) {
      return false;
    }
    if (dot == std::string_view::npos) {
      // "1.2.3.999" is no name: a last label of digits alone would be read as an address.
      return !std::all_of(label.begin(), label.end(), [](char c) { return c >= '0' && c <= '9'; });
    }
    start = dot + 1;
  }
}

bool IsIpAddress(std::string_view text) {
  // inet_pton stops at a zero byte, and would vouch for the text before it alone.
  if (text.empty() || text.size() >= INET6_ADDRSTRLEN ||
      text.find('\0') != std::string_view::npos) {
    return false;
  }
  const std::string copy(text);
  std::array<unsigned char, 16> binary{};
  if (inet_pton(AF_INET, copy.c_str(), binary.data()) == 1) {
    // Only the canonical text: the engine's own resolver might read other forms otherwise.
    char back[INET_ADDRSTRLEN];
    return inet_ntop(AF_INET, binary.data(), back, sizeof back) != nullptr && copy == back;
  }
  return inet_pton(AF_INET6, copy.c_str(), binary.data()) == 1;
}

std::string ParseEngineRequest(std::string_view text, EngineRequest* request) {
  if (text.size() > kMaxRequestBytes) {
    return "the request is longer than " + std::to_string(kMaxRequestBytes) + " bytes";
  }
  static constexpr std::array<std::string_view, 4> kKeys = {"host=", "port=", "user=", "password="};
  std::array<std::string_view, 4> values;
  size_t start = 0;
  for (size_t i = 0; i < kKeys.size(); ++i) {
    const size_t end = text.find('\n', start);
    if (end == std::string_view::npos) return "the request is not four lines";
    const std::string_view line = text.substr(start, end - start);
    if (line.substr(0, kKeys[i].size()) != kKeys[i]) {
      return "line " + std::to_string(i + 1) + " is not " +
             std::string(kKeys[i].substr(0, kKeys[i].size() - 1)) + "=...";
    }
    values[i] = line.substr(kKeys[i].size());
    start = end + 1;
  }
  if (start != text.size()) return "the request has more than four lines";
  EngineRequest parsed{std::string(values[0]), std::string(values[1]), std::string(values[2]),
                       std::string(values[3])};
  if (std::string error = CheckEngineRequest(parsed); !error.empty()) return error;
  *request = std::move(parsed);
  return {};
}

std::string CheckEngineRequest(const EngineRequest& request) {
  for (std::string error :
       {CheckHost(request.host), CheckPort(request.port), CheckText(request.user, "user name", 255),
        CheckText(request.password, "password", 128)}) {
    if (!error.empty()) return error;
  }
  return {};
}

}  // namespace tunnel
