// Runs e2e_dns_probe in a private mount namespace of its own, where it connects through the
// real engine with the VPN's DNS applied to a file bound over /etc/resolv.conf, and checks that
// the machine's own file did not change.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "support/openvpn/openvpn_fixture.h"
#include "support/refservice/child_process.h"

namespace {

using namespace std::chrono_literals;

TEST(EndToEndDns, VpnDnsInAPrivateMountNamespace) {
  TESMIRA_SKIP_UNLESS_OPENVPN_USABLE();
  if (::access("/usr/bin/unshare", X_OK) != 0) GTEST_SKIP() << "unshare (util-linux) is missing";
  if (::access("/usr/sbin/dnsmasq", X_OK) != 0) GTEST_SKIP() << "dnsmasq is missing";
  char ns[64] = "";
  ASSERT_GT(::readlink("/proc/self/ns/mnt", ns, sizeof ns - 1), 0);
  const std::string before = testsupport::ReadFileBytes("/etc/resolv.conf");
  testsupport::ChildProcess probe;
  std::string error;
  ASSERT_TRUE(probe.Start({{"/usr/bin/unshare", "-m", "--propagation", "private", "/usr/bin/env",
                            std::string("TESMIRA_DNS_OUTER_NS=") + ns, TESMIRA_DNS_PROBE},
                           {}},
                          &error))
      << error;
  const std::optional<int> status = probe.WaitExit(280s);
  std::printf("%s", probe.Output().c_str());
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(*status, 0);
  EXPECT_NE(probe.Output().find("[  PASSED  ] 2 tests"), std::string::npos);
  EXPECT_EQ(testsupport::ReadFileBytes("/etc/resolv.conf"), before);
}

}  // namespace
