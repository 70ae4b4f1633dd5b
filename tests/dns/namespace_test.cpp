// Runs namespace_probe in a private mount namespace of its own, where it changes
// /etc/resolv.conf for real, and checks that the machine's own file did not change.
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "dns/command_runner.h"

namespace {

std::string Snapshot(const char* path) {
  std::error_code error;
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(path)))
    return "link " + std::filesystem::read_symlink(path, error).string();
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(DnsNamespace, RealResolvConfInAPrivateMountNamespace) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root for a private mount namespace (CI has it)";
  if (access("/usr/bin/unshare", X_OK) != 0) GTEST_SKIP() << "unshare (util-linux) is missing";
  char ns[64] = "";
  ASSERT_GT(readlink("/proc/self/ns/mnt", ns, sizeof ns - 1), 0);
  const std::string before = Snapshot("/etc/resolv.conf");

  dns::PosixCommandRunner runner(std::chrono::seconds(120), 1024 * 1024);
  std::string output;
  const int status =
      runner.Run({"/usr/bin/unshare", "-m", "--propagation", "private", "/usr/bin/env",
                  std::string("TESMIRA_DNS_OUTER_NS=") + ns, TESMIRA_DNS_NAMESPACE_PROBE},
                 "", &output);
  std::printf("%s", output.c_str());
  EXPECT_EQ(status, 0);
  EXPECT_NE(output.find("[  PASSED  ]"), std::string::npos);
  EXPECT_EQ(Snapshot("/etc/resolv.conf"), before);
}

}  // namespace
