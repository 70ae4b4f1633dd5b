// ReadPushedDns over any environment a server and openvpn could produce: each input line is
// `name=value`, or without '=' the next foreign_option_N. Whatever comes in, what comes out
// keeps every rule and bound, survives the hand-over to the helper unchanged, and the
// hand-over's decoder takes any bytes.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "dns/pushed_dns.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::map<std::string, std::string> env;
  std::size_t option = 0;
  std::size_t start = 0;
  while (start <= input.size()) {
    std::size_t end = input.find('\n', start);
    if (end == std::string_view::npos) end = input.size();
    const std::string_view line = input.substr(start, end - start);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      env["foreign_option_" + std::to_string(++option)] = std::string(line);
    } else {
      env[std::string(line.substr(0, equals))] = std::string(line.substr(equals + 1));
    }
    start = end + 1;
  }

  std::vector<std::string> refused;
  const dns::PushedDns pushed = dns::ReadPushedDns(
      [&env](const char* name) -> const char* {
        const auto found = env.find(name);
        return found == env.end() ? nullptr : found->second.c_str();
      },
      &refused);

  Check(pushed.device.empty() || dns::IsValidDevice(pushed.device));
  Check(pushed.servers.size() <= dns::kMaxServers);
  for (const std::string& server : pushed.servers)
    Check(dns::CanonicalAddress(server, true, true) == server);
  Check(pushed.domains.size() + pushed.searchDomains.size() <= dns::kMaxDomains);
  for (const auto* list : {&pushed.domains, &pushed.searchDomains})
    for (const std::string& name : *list) Check(dns::IsValidDomain(name) && name.back() != '.');
  Check(refused.size() <= dns::kMaxRefused + 1);
  for (const std::string& note : refused)
    for (const char c : note) Check(c >= 0x20 && c < 0x7f);

  if (!pushed.device.empty()) {
    dns::PushedDns decoded;
    std::string error;
    Check(dns::DecodePushedDns(dns::EncodePushedDns(pushed), &decoded, &error));
    Check(decoded.device == pushed.device && decoded.servers == pushed.servers &&
          decoded.domains == pushed.domains && decoded.searchDomains == pushed.searchDomains &&
          decoded.defaultRoute == pushed.defaultRoute);
  }

  dns::PushedDns decoded;
  std::string error;
  if (dns::DecodePushedDns(input, &decoded, &error)) Check(dns::IsValidDevice(decoded.device));
  return 0;
}
