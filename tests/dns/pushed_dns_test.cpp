// Reading what the server pushed from openvpn's script environment: every value is network
// input, so the table holds the shapes a hostile server can send next to the ordinary ones.
#include "dns/pushed_dns.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

using Env = std::map<std::string, std::string>;

dns::PushedDns Read(const Env& env, std::vector<std::string>* refused = nullptr) {
  return dns::ReadPushedDns(
      [&env](const char* name) -> const char* {
        const auto found = env.find(name);
        return found == env.end() ? nullptr : found->second.c_str();
      },
      refused);
}

Env WithOptions(const std::vector<std::string>& options) {
  Env env{{"dev", "tun0"}};
  for (std::size_t i = 0; i < options.size(); ++i)
    env["foreign_option_" + std::to_string(i + 1)] = options[i];
  return env;
}

struct OptionCase {
  const char* name;
  std::vector<std::string> options;
  std::vector<std::string> servers;
  std::vector<std::string> domains;
  std::vector<std::string> searchDomains;
  std::size_t refusedCount;
};

void PrintTo(const OptionCase& c, std::ostream* out) { *out << c.name; }

class ReadPushedDnsTable : public ::testing::TestWithParam<OptionCase> {};

TEST_P(ReadPushedDnsTable, KeepsValidValuesAndRefusesTheRest) {
  const OptionCase& c = GetParam();
  std::vector<std::string> refused;
  const dns::PushedDns pushed = Read(WithOptions(c.options), &refused);
  EXPECT_EQ(pushed.device, "tun0");
  EXPECT_THAT(pushed.servers, ElementsAreArray(c.servers));
  EXPECT_THAT(pushed.domains, ElementsAreArray(c.domains));
  EXPECT_THAT(pushed.searchDomains, ElementsAreArray(c.searchDomains));
  EXPECT_EQ(refused.size(), c.refusedCount) << ::testing::PrintToString(refused);
}

const std::string k63(63, 'a');

INSTANTIATE_TEST_SUITE_P(
    Options, ReadPushedDnsTable,
    ::testing::Values(
        OptionCase{"ipv4", {"dhcp-option DNS 10.8.0.1"}, {"10.8.0.1"}, {}, {}, 0},
        OptionCase{"ipv6_as_dns6", {"dhcp-option DNS6 fd00::1"}, {"fd00::1"}, {}, {}, 0},
        OptionCase{"ipv6_after_dns", {"dhcp-option DNS fd00::1"}, {"fd00::1"}, {}, {}, 0},
        OptionCase{"ipv6_made_canonical",
                   {"dhcp-option DNS6 FD00:0:0:0:0:0:0:0001"},
                   {"fd00::1"},
                   {},
                   {},
                   0},
        OptionCase{"several_servers_in_order_once",
                   {"dhcp-option DNS 10.8.0.1", "dhcp-option DNS 10.8.0.2",
                    "dhcp-option DNS 10.8.0.1", "dhcp-option DNS6 fd00::53"},
                   {"10.8.0.1", "10.8.0.2", "fd00::53"},
                   {},
                   {},
                   0},
        OptionCase{"domains_and_search_domains",
                   {"dhcp-option DOMAIN vpn.example.test", "dhcp-option DOMAIN-SEARCH a.test",
                    "dhcp-option DOMAIN-SEARCH b-c.test.", "dhcp-option DOMAIN vpn.example.test"},
                   {},
                   {"vpn.example.test"},
                   {"a.test", "b-c.test"},
                   0},
        OptionCase{"other_options_ignored_silently",
                   {"dhcp-option WINS 10.8.0.9", "dhcp-option NTP 10.8.0.9",
                    "route-gateway 10.8.0.1", "dhcp-option DNS 10.8.0.1"},
                   {"10.8.0.1"},
                   {},
                   {},
                   0},
        OptionCase{"malformed_addresses",
                   {"dhcp-option DNS 10.8.0.256", "dhcp-option DNS 010.8.0.1",
                    "dhcp-option DNS 10.8.0", "dhcp-option DNS fe80::1%tun0",
                    "dhcp-option DNS6 10.8.0.1", "dhcp-option DNS ns.example.test",
                    "dhcp-option DNS 10.8.0.1;reboot", "dhcp-option DNS -h",
                    "dhcp-option DNS 10.8.0.1 10.8.0.2", "dhcp-option DNS", "dhcp-option DNS "},
                   {},
                   {},
                   {},
                   11},
        OptionCase{
            "malformed_domains",
            {"dhcp-option DOMAIN -a.test", "dhcp-option DOMAIN a-.test",
             "dhcp-option DOMAIN a..test", "dhcp-option DOMAIN .test",
             "dhcp-option DOMAIN a.test..", "dhcp-option DOMAIN a_b.test",
             "dhcp-option DOMAIN 10.8.0.1", "dhcp-option DOMAIN a.123",
             "dhcp-option DOMAIN " + k63 + "a.test", "dhcp-option DOMAIN a\nnameserver 1.2.3.4",
             "dhcp-option DOMAIN ~.", "dhcp-option DOMAIN-SEARCH a test"},
            {},
            {},
            {},
            12},
        OptionCase{
            "longest_valid_label_and_name",
            {"dhcp-option DOMAIN " + k63 + ".test",
             "dhcp-option DOMAIN " + k63 + "." + k63 + "." + k63 + "." + std::string(61, 'b'),
             "dhcp-option DOMAIN " + k63 + "." + k63 + "." + k63 + "." + std::string(62, 'b')},
            {},
            {k63 + ".test", k63 + "." + k63 + "." + k63 + "." + std::string(61, 'b')},
            {},
            1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadPushedDns, BoundsServersDomainsAndOptions) {
  std::vector<std::string> options;
  for (int i = 1; i <= 12; ++i) options.push_back("dhcp-option DNS 10.8.0." + std::to_string(i));
  for (int i = 1; i <= 20; ++i)
    options.push_back("dhcp-option DOMAIN d" + std::to_string(i) + ".test");
  std::vector<std::string> refused;
  const dns::PushedDns pushed = Read(WithOptions(options), &refused);
  EXPECT_EQ(pushed.servers.size(), dns::kMaxServers);
  EXPECT_EQ(pushed.servers.back(), "10.8.0.8");
  EXPECT_EQ(pushed.domains.size(), dns::kMaxDomains);
  // 4 servers and 4 domains too many: 8 notes, within the notes' own bound.
  EXPECT_EQ(refused.size(), 8u);
  EXPECT_THAT(refused.front(), HasSubstr("more than 8 DNS servers"));

  // A flood of options: reading stops at the bound, and the notes stay bounded too.
  options.clear();
  for (int i = 0; i < 1000; ++i) options.push_back("dhcp-option DNS bad" + std::to_string(i));
  refused.clear();
  Read(WithOptions(options), &refused);
  ASSERT_EQ(refused.size(), dns::kMaxRefused + 1);
  EXPECT_EQ(
      refused.back(),
      "and " + std::to_string(dns::kMaxForeignOptions + 1 - dns::kMaxRefused) + " more refused");
  EXPECT_THAT(refused[dns::kMaxRefused - 1], HasSubstr("dhcp-option DNS bad15"));
}

TEST(ReadPushedDns, StopsAtTheFirstMissingOption) {
  Env env = WithOptions({"dhcp-option DNS 10.8.0.1"});
  env["foreign_option_3"] = "dhcp-option DNS 10.8.0.3";
  EXPECT_THAT(Read(env).servers, ElementsAre("10.8.0.1"));
}

TEST(ReadPushedDns, RefusedNotesArePrintableAndShort) {
  std::vector<std::string> refused;
  Read(WithOptions({"dhcp-option DNS \x1b[31m\x7f" + std::string(500, 'x')}), &refused);
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_LT(refused[0].size(), 120u);
  for (const char c : refused[0]) EXPECT_TRUE(c >= 0x20 && c < 0x7f) << refused[0];
}

TEST(ReadPushedDns, Device) {
  struct {
    const char* dev;
    const char* kept;
  } cases[] = {{"tun0", "tun0"},
               {"tap_vpn.1-a", "tap_vpn.1-a"},
               {"123456789012345", "123456789012345"},
               {"1234567890123456", ""},
               {".", ""},
               {"..", ""},
               {"", ""},
               {"-h", ""},
               {"tun/0", ""},
               {"tun 0", ""},
               {"tün0", ""}};
  for (const auto& c : cases) {
    std::vector<std::string> refused;
    const dns::PushedDns pushed = Read({{"dev", c.dev}}, &refused);
    EXPECT_EQ(pushed.device, c.kept) << c.dev;
    EXPECT_EQ(refused.size(), *c.kept ? 0u : 1u) << c.dev;
  }
  std::vector<std::string> refused;
  EXPECT_EQ(Read({}, &refused).device, "");
  EXPECT_THAT(refused, ElementsAre(HasSubstr("no device name")));
}

TEST(ReadPushedDns, DefaultRoute) {
  struct {
    const char* name;
    Env extra;
    bool expected;
  } cases[] = {
      {"nothing", {}, false},
      // What openvpn 2.6 sets in --route-up for redirect-gateway def1, and for none.
      {"redirect_gateway_1", {{"redirect_gateway", "1"}}, true},
      {"redirect_gateway_0", {{"redirect_gateway", "0"}}, false},
      {"pushed_default_route",
       {{"route_network_1", "10.9.0.0"},
        {"route_netmask_1", "255.255.0.0"},
        {"route_network_2", "0.0.0.0"},
        {"route_netmask_2", "0.0.0.0"}},
       true},
      {"pushed_ordinary_route",
       {{"route_network_1", "0.0.0.0"}, {"route_netmask_1", "255.0.0.0"}},
       false},
      {"ipv6_redirect",
       {{"route_ipv6_network_1", "::/3"}, {"route_ipv6_network_2", "2000::/4"}},
       true},
      {"ipv6_default", {{"route_ipv6_network_1", "::/0"}}, true},
      {"ipv6_ordinary", {{"route_ipv6_network_1", "fd00::/64"}}, false},
  };
  for (const auto& c : cases) {
    Env env = WithOptions({"dhcp-option DNS 10.8.0.1"});
    env.insert(c.extra.begin(), c.extra.end());
    EXPECT_EQ(Read(env).defaultRoute, c.expected) << c.name;
  }
}

TEST(PushedDnsText, RoundTripsAndRefusesWhatBreaksARule) {
  dns::PushedDns pushed;
  pushed.device = "tun3";
  pushed.servers = {"10.8.0.1", "fd00::1"};
  pushed.domains = {"vpn.test"};
  pushed.searchDomains = {"a.test", "b.test"};
  pushed.defaultRoute = true;
  dns::PushedDns decoded;
  std::string error;
  ASSERT_TRUE(dns::DecodePushedDns(dns::EncodePushedDns(pushed), &decoded, &error)) << error;
  EXPECT_EQ(decoded.device, pushed.device);
  EXPECT_EQ(decoded.servers, pushed.servers);
  EXPECT_EQ(decoded.domains, pushed.domains);
  EXPECT_EQ(decoded.searchDomains, pushed.searchDomains);
  EXPECT_TRUE(decoded.defaultRoute);

  for (const char* bad : {"server 10.8.0.1\n",                   // no device
                          "device tun0\ndevice tun1\n",          // two devices
                          "device tun0\nserver 10.8.0.1",        // cut short
                          "device tun0\nserver 10.8.0.1 x\n",    // extra word
                          "device tun0\ndomain a.test.\n",       // not canonical
                          "device tun0\nsearch -a.test\n",       // breaks the rule
                          "device tun0\nnameserver 10.8.0.1\n",  // unknown line
                          "device tun0\ndefault-route yes\n", "device -tun0\n"}) {
    EXPECT_FALSE(dns::DecodePushedDns(bad, &decoded, &error)) << bad;
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(decoded.device.empty()) << bad;
  }
  std::string many = "device tun0\n";
  for (int i = 0; i <= 8; ++i) many += "server 10.8.0." + std::to_string(i + 1) + "\n";
  EXPECT_FALSE(dns::DecodePushedDns(many, &decoded, &error));
}

TEST(CanonicalAddress, FamiliesAreChosenByTheCaller) {
  EXPECT_EQ(dns::CanonicalAddress("10.0.0.1", true, false), "10.0.0.1");
  EXPECT_EQ(dns::CanonicalAddress("10.0.0.1", false, true), "");
  EXPECT_EQ(dns::CanonicalAddress("::ffff:10.0.0.1", false, true), "::ffff:10.0.0.1");
  EXPECT_EQ(dns::CanonicalAddress(std::string_view("10.0.0.1\0x", 10), true, true), "");
  EXPECT_THAT(dns::CanonicalAddress(std::string(100, '1'), true, true), IsEmpty());
}

}  // namespace
