#pragma once
// What the program asks of the engine helper, the one part of Tesmira that runs as root: a
// tunnel to one server with one account, and nothing else. The helper builds the engine's
// options and files itself from these four values, so the request is all that crosses the
// privilege boundary and every byte of it is checked against a strict rule.
//
// The request is exactly four lines, in this order, each ended by "\n":
//   host=<IPv4 address | IPv6 address without a zone | DNS name>
//   port=<1..65535, digits only, no leading zero>
//   user=<1..255 bytes, no control byte>
//   password=<1..128 bytes, no control byte>

#include <cstddef>
#include <string>
#include <string_view>

namespace tunnel {

inline constexpr size_t kMaxRequestBytes = 4096;

// The helper's line when the VPN's DNS could not be applied, followed by the reason; the program
// turns it into a box once connected, so the user knows that names go outside the tunnel.
inline constexpr char kDnsFailedPrefix[] =
    "tesmira-engine-helper: the VPN's DNS servers could not be set: ";

struct EngineRequest {
  std::string host;
  std::string port;
  std::string user;
  std::string password;
};

// The request's text, as the program sends it; values are not checked here.
std::string EngineRequestText(const EngineRequest& request);

// Empty when `text` is a valid request (then stored in *request), else why it is refused.
std::string ParseEngineRequest(std::string_view text, EngineRequest* request);

// Empty when every value follows its rule, else why the request would be refused.
std::string CheckEngineRequest(const EngineRequest& request);

// A DNS name: at most 253 characters; labels of 1 to 63 letters, digits and hyphens, neither
// starting nor ending with a hyphen; the last label not all digits.
bool IsDnsName(std::string_view name);

// An IPv4 address in its one canonical text, or an IPv6 address without a zone.
bool IsIpAddress(std::string_view text);

}  // namespace tunnel
