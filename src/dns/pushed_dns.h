#pragma once
// The DNS settings a VPN server pushed, as openvpn hands them to its script hooks. Every value
// comes from the network, so each is checked against a strict rule before it may reach a
// command line or a file that root writes.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace dns {

// Bounds, so a hostile server cannot grow the commands or the file without end.
inline constexpr std::size_t kMaxServers = 8;
inline constexpr std::size_t kMaxDomains = 16;          // DOMAIN and DOMAIN-SEARCH together
inline constexpr std::size_t kMaxForeignOptions = 256;  // foreign_option_N read at most
inline constexpr std::size_t kMaxRefused = 16;          // notes kept; one more says how many else

struct PushedDns {
  std::string device;                      // empty when `dev` was missing or malformed
  std::vector<std::string> servers;        // IPv4 and IPv6, canonical (inet_ntop) text
  std::vector<std::string> domains;        // dhcp-option DOMAIN, without a trailing dot
  std::vector<std::string> searchDomains;  // dhcp-option DOMAIN-SEARCH, likewise
  bool defaultRoute = false;               // the tunnel carries the default route
};

// Reads openvpn's script environment through `getenv` (nullptr for a variable that is not set):
// `dev`, then `foreign_option_1`, `_2`, ... up to the first missing one, each such as
// "dhcp-option DNS 10.8.0.1", "dhcp-option DNS6 fd00::1" (an IPv6 address after DNS counts
// too), "dhcp-option DOMAIN example.test" or "dhcp-option DOMAIN-SEARCH a.test". openvpn 2.6
// also turns a pushed `dns server ...`/`dns search-domains ...` into these options.
//
// The default route: openvpn 2.6 sets `redirect_gateway` ("0" or "1") only in the --route-up
// hook's environment, after the routes are in place; it is "1" for redirect-gateway (and,
// openvpn's own quirk, for redirect-private), and "0" for an IPv6-only redirect. So the hook
// that calls this should be --route-up. Besides it, a pushed route that covers everything
// counts: route_network_N/route_netmask_N 0.0.0.0/0.0.0.0, or route_ipv6_network_N ::/0,
// 2000::/3 or 2000::/4 (openvpn's `redirect-gateway ipv6` pushes 2000::/4 and 3000::/4).
//
// Malformed values, device names and options past a bound are dropped; each gets a line in
// `refused` (may be null), with the offending text cut short and made printable.
// Other foreign options (WINS, NTP, ...) are not ours and are passed over silently.
PushedDns ReadPushedDns(const std::function<const char*(const char*)>& getenv,
                        std::vector<std::string>* refused);

// The settings as lines, for a hook that hands them to the helper through a descriptor:
// "device tun0", "server 10.8.0.1", "domain a.test", "search b.test", "default-route 1".
std::string EncodePushedDns(const PushedDns& pushed);
// The reverse, as strict as ReadPushedDns: an unknown line, a value that breaks its rule, a
// repeated device or more than the bounds refuse the whole text (false, with the reason).
bool DecodePushedDns(std::string_view text, PushedDns* out, std::string* error);

// The rules, for the helper's own request checks too.

// A DNS name: at most 253 characters, labels of 1 to 63 letters, digits and hyphens that
// neither start nor end with a hyphen, the last label not all digits. One trailing dot (the
// root) is allowed and not counted; the canonical form drops it.
bool IsValidDomain(std::string_view name);

// A network device name as the commands get it: 1 to 15 of [A-Za-z0-9_.-], not "." or "..",
// and not starting with '-' (resolvectl and resolvconf would read it as an option).
bool IsValidDevice(std::string_view name);

// inet_pton's reading of `text` as IPv4 (when `allowV4`) or IPv6 (when `allowV6`), given back
// as inet_ntop writes it; empty when it is neither. A zone ("%eth0") is refused.
std::string CanonicalAddress(std::string_view text, bool allowV4, bool allowV6);

}  // namespace dns
