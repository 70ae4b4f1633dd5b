// The /etc/resolv.conf backend on the real path, run by namespace_test.cpp under
// `unshare -m --propagation private`: every mount here (a file bound over /etc/resolv.conf,
// a tmpfs over /etc) exists only in this private mount namespace, so the machine's own file is
// never touched. Each case refuses to run outside such a namespace.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <resolv.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "dns/dns_system.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const char kResolvConf[] = "/etc/resolv.conf";
const char kOriginal[] =
    "# the container's\nnameserver 192.0.2.53\nsearch lan.test\noptions ndots:3";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

dns::PushedDns Pushed() {
  dns::PushedDns pushed;
  pushed.device = "tun0";
  pushed.servers = {"10.8.0.1", "fd00::1"};
  pushed.domains = {"vpn.test"};
  return pushed;
}

// What glibc's resolver makes of the file now: its first server and first search domain.
std::string ResolverSees() {
  struct __res_state state {};
  if (res_ninit(&state) != 0) return "res_ninit failed";
  char address[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &state.nsaddr_list[0].sin_addr, address, sizeof address);
  std::string seen = std::string(address) + " " + (state.dnsrch[0] ? state.dnsrch[0] : "-") +
                     " ndots:" + std::to_string(state.ndots);
  res_nclose(&state);
  return seen;
}

class RealResolvConf : public ::testing::Test {
 protected:
  void SetUp() override {
    char own[64] = "";
    ASSERT_GT(readlink("/proc/self/ns/mnt", own, sizeof own - 1), 0);
    const char* outer = std::getenv("TESMIRA_DNS_OUTER_NS");
    ASSERT_TRUE(outer && *outer && std::string(own) != outer)
        << "runs only in a private mount namespace (namespace_test starts it)";
    ASSERT_EQ(geteuid(), 0u);
    inPrivateNamespace_ = true;
    char pattern[] = "/tmp/tesmira-dns-ns-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    system_.resolvConf = kResolvConf;
    system_.privateDir = (root_ / "private").string();
    system_.runner = &runner_;
  }
  void TearDown() override {
    // Outside the private namespace these would be the machine's own mounts.
    if (!inPrivateNamespace_) return;
    umount2(kResolvConf, MNT_DETACH);
    umount2("/etc", MNT_DETACH);
    fs::remove_all(root_);
  }

  // A helper that dies without reverting. With `hold` it stays alive until killed.
  pid_t ApplyInChild(bool hold) {
    int ready[2];
    if (pipe(ready) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
      std::string error;
      auto applied = dns::ApplyDns(Pushed(), system_, &error);
      if (write(ready[1], applied ? "1" : "0", 1) != 1) _exit(2);
      while (hold) pause();
      _exit(0);
    }
    char answer = 0;
    close(ready[1]);
    if (read(ready[0], &answer, 1) != 1) answer = 0;
    close(ready[0]);
    EXPECT_EQ(answer, '1');
    if (!hold) waitpid(child, nullptr, 0);
    return child;
  }

  bool inPrivateNamespace_ = false;
  fs::path root_;
  dns::RecordingRunner runner_;
  dns::DnsSystem system_;
};

TEST_F(RealResolvConf, BindMountedFileIsRewrittenInPlaceAndPutBack) {
  if (!fs::exists(kResolvConf)) GTEST_SKIP() << "this machine has no /etc/resolv.conf to cover";
  const fs::path bound = root_ / "bound-resolv.conf";
  WriteFile(bound, kOriginal);
  ASSERT_EQ(mount(bound.c_str(), kResolvConf, nullptr, MS_BIND, nullptr), 0);
  ASSERT_EQ(ReadFile(kResolvConf), kOriginal);

  std::string error;
  auto applied = dns::ApplyDns(Pushed(), system_, &error);
  ASSERT_TRUE(applied) << error;
  // Written through the mount, as a container's runtime expects; the resolver reads it.
  EXPECT_EQ(ReadFile(bound), ReadFile(kResolvConf));
  EXPECT_THAT(ReadFile(kResolvConf), HasSubstr("nameserver 10.8.0.1\nnameserver fd00::1\n"));
  EXPECT_EQ(ResolverSees(), "10.8.0.1 vpn.test ndots:3");
  EXPECT_TRUE(applied->Revert(&error)) << error;
  EXPECT_EQ(ReadFile(bound), kOriginal);
  EXPECT_EQ(ResolverSees(), "192.0.2.53 lan.test ndots:3");
  EXPECT_FALSE(fs::exists(root_ / "private/resolv.conf.backup"));

  // Crash, then the next start.
  ApplyInChild(false);
  EXPECT_THAT(ReadFile(kResolvConf), HasSubstr("nameserver 10.8.0.1\n"));
  std::string note;
  EXPECT_TRUE(dns::RestoreLeftoverDns(system_, &note));
  EXPECT_THAT(note, HasSubstr("put back /etc/resolv.conf"));
  EXPECT_EQ(ReadFile(bound), kOriginal);

  // A live helper's backup is neither restored nor stacked; once it is killed, it is.
  const pid_t live = ApplyInChild(true);
  const std::string written = ReadFile(kResolvConf);
  EXPECT_TRUE(dns::RestoreLeftoverDns(system_, &note));
  EXPECT_THAT(note, IsEmpty());
  EXPECT_FALSE(dns::ApplyDns(Pushed(), system_, &error));
  EXPECT_THAT(error, HasSubstr("another Tesmira connection"));
  EXPECT_EQ(ReadFile(kResolvConf), written);
  kill(live, SIGKILL);
  waitpid(live, nullptr, 0);
  EXPECT_TRUE(dns::RestoreLeftoverDns(system_, &note));
  EXPECT_EQ(ReadFile(bound), kOriginal);
}

TEST_F(RealResolvConf, PlainFileIsReplacedByRenameAndALinkComesBackAsALink) {
  ASSERT_EQ(mount("tmpfs", "/etc", "tmpfs", 0, "mode=0755"), 0);
  WriteFile(kResolvConf, kOriginal);
  chmod(kResolvConf, 0644);
  struct stat before {};
  ASSERT_EQ(stat(kResolvConf, &before), 0);
  std::string error;
  auto applied = dns::ApplyDns(Pushed(), system_, &error);
  ASSERT_TRUE(applied) << error;
  struct stat during {};
  ASSERT_EQ(stat(kResolvConf, &during), 0);
  EXPECT_NE(during.st_ino, before.st_ino);
  EXPECT_EQ(during.st_mode & 07777, 0644u);
  EXPECT_EQ(during.st_uid, 0u);
  EXPECT_EQ(ResolverSees(), "10.8.0.1 vpn.test ndots:3");
  applied.reset();
  EXPECT_EQ(ReadFile(kResolvConf), kOriginal);

  // Power loss while connected, then the next start.
  ApplyInChild(false);
  std::string note;
  EXPECT_TRUE(dns::RestoreLeftoverDns(system_, &note));
  EXPECT_EQ(ReadFile(kResolvConf), kOriginal);

  fs::remove(kResolvConf);
  fs::create_symlink("../run/NetworkManager/resolv.conf", kResolvConf);
  applied = dns::ApplyDns(Pushed(), system_, &error);
  ASSERT_TRUE(applied) << error;
  EXPECT_FALSE(fs::is_symlink(fs::symlink_status(kResolvConf)));
  EXPECT_EQ(ResolverSees(), "10.8.0.1 vpn.test ndots:1");
  applied.reset();
  EXPECT_EQ(fs::read_symlink(kResolvConf), "../run/NetworkManager/resolv.conf");
  EXPECT_EQ(std::distance(fs::directory_iterator("/etc"), fs::directory_iterator()), 1);
}

}  // namespace
