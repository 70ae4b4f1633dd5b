#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ca_pem.h"
#include "service/account.h"
#include "tunnel/profile_files.h"
#include "tunnel/scratch_dir.h"

namespace {

using testing_support::ReadBytes;
using testing_support::ScratchDir;
using testing_support::WriteBytes;
namespace fs = std::filesystem;

std::string ExpectedProfile(const std::string& remoteLine) {
  return "client\r\r\ndev tun\r\r\nproto udp\r\r\n" + remoteLine +
         "\r\r\nresolv-retry infinite\r\r\nnobind\r\r\npersist-key\r\r\npersist-tun\r\r\n"
         "ca Tesmira.tmp\r\r\nauth-user-pass\r\r\nns-cert-type server\r\r\npull\r\r\n"
         "mute 20\r\r\ncomp-lzo\r\r\nverb 3\r\r\n ";
}

class ProfileFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    accountName = "alice";
    tunnelPassword = "s3cret";
  }
  ScratchDir dir_;
};

TEST_F(ProfileFilesTest, ClientProfileBytes) {
  tunnel::WriteClientProfile("10.0.0.1", "1194");
  const std::string bytes = ReadBytes(tunnel::kProfileFileName);
  EXPECT_EQ(bytes, ExpectedProfile("remote 10.0.0.1 1194"));
  EXPECT_EQ(bytes.size(), 209u);
  EXPECT_EQ(bytes.substr(bytes.size() - 4), "\r\r\n ");
}

struct RowCase {
  const char* name;
  std::string address;
  std::string port;
  std::string remoteLine;
};

void PrintTo(const RowCase& c, std::ostream* os) { *os << c.name; }

class ProfileRowTest : public ProfileFilesTest, public ::testing::WithParamInterface<RowCase> {};

// Server rows come from the network; whatever they hold is written as text, never as format.
TEST_P(ProfileRowTest, RowTextIsWrittenLiterally) {
  const RowCase& c = GetParam();
  tunnel::WriteClientProfile(c.address, c.port);
  EXPECT_EQ(ReadBytes(tunnel::kProfileFileName), ExpectedProfile(c.remoteLine));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProfileRowTest,
    ::testing::Values(RowCase{"Percent", "%s%n%x", "%d%%", "remote %s%n%x %d%%"},
                      RowCase{"Blanks", " 1.2.3.4 tcp", "11 94 ", "remote  1.2.3.4 tcp 11 94 "},
                      RowCase{"Empty", "", "", "remote  "},
                      RowCase{"EmptyPort", "vpn.example", "", "remote vpn.example "},
                      // A line break would add a directive of the row's own: it is dropped.
                      RowCase{"LineBreaks", "1.2.3.4\nup /bin/evil", "1194\r\n",
                              "remote 1.2.3.4up /bin/evil 1194"},
                      RowCase{"ZeroByte", std::string("1.2.3.4\0junk", 12), "1194",
                              "remote 1.2.3.4 1194"}),
    [](const auto& info) { return info.param.name; });

TEST_F(ProfileFilesTest, CertificateFileIsTheAuthority) {
  tunnel::WriteCertificateFile();
  const std::string bytes = ReadBytes(tunnel::kCertificateFileName);
  EXPECT_EQ(bytes, std::string(TesmiraCaPem()));
  EXPECT_THAT(bytes, ::testing::StartsWith("-----BEGIN CERTIFICATE-----\n"));
  EXPECT_THAT(bytes, ::testing::EndsWith("-----END CERTIFICATE-----\n"));
}

mode_t ModeOf(const char* name) {
  struct stat info {};
  EXPECT_EQ(::lstat(name, &info), 0);
  return info.st_mode & 07777;
}

TEST_F(ProfileFilesTest, CredentialsFileIsOwnerOnly) {
  tunnel::WriteCredentialsFile();
  EXPECT_EQ(ReadBytes(tunnel::kCredentialsFileName), "alice\r\ns3cret");
  EXPECT_EQ(ModeOf(tunnel::kCredentialsFileName), 0600u);
}

TEST_F(ProfileFilesTest, CredentialsWithEmptyValues) {
  accountName.clear();
  tunnel::WriteCredentialsFile();
  EXPECT_EQ(ReadBytes(tunnel::kCredentialsFileName), "\r\ns3cret");
  accountName = "bob";
  tunnelPassword.clear();
  tunnel::WriteCredentialsFile();
  EXPECT_EQ(ReadBytes(tunnel::kCredentialsFileName), "bob\r\n");
}

// An earlier file readable by others, or a link planted under the name, must not carry the
// password anywhere else.
TEST_F(ProfileFilesTest, CredentialsReplaceAReadableFileAndDoNotFollowLinks) {
  WriteBytes(tunnel::kCredentialsFileName, "old");
  ::chmod(tunnel::kCredentialsFileName, 0644);
  tunnel::WriteCredentialsFile();
  EXPECT_EQ(ModeOf(tunnel::kCredentialsFileName), 0600u);
  EXPECT_EQ(ReadBytes(tunnel::kCredentialsFileName), "alice\r\ns3cret");

  fs::remove(tunnel::kCredentialsFileName);
  WriteBytes("elsewhere", "untouched");
  fs::create_symlink("elsewhere", tunnel::kCredentialsFileName);
  tunnel::WriteCredentialsFile();
  EXPECT_EQ(ReadBytes("elsewhere"), "untouched");
  EXPECT_FALSE(fs::is_symlink(tunnel::kCredentialsFileName));
  EXPECT_EQ(ReadBytes(tunnel::kCredentialsFileName), "alice\r\ns3cret");
}

TEST_F(ProfileFilesTest, SecondConnectOverwritesAllThree) {
  tunnel::WriteClientProfile("1.1.1.1", "1");
  tunnel::WriteCertificateFile();
  tunnel::WriteCredentialsFile();
  accountName = "carol";
  tunnelPassword = "x";
  tunnel::WriteClientProfile("2.2.2.2", "2");
  tunnel::WriteCertificateFile();
  tunnel::WriteCredentialsFile();
  EXPECT_EQ(ReadBytes(tunnel::kProfileFileName), ExpectedProfile("remote 2.2.2.2 2"));
  EXPECT_EQ(ReadBytes(tunnel::kCertificateFileName), std::string(TesmiraCaPem()));
  EXPECT_EQ(ReadBytes(tunnel::kCredentialsFileName), "carol\r\nx");
}

// A file that cannot be written says so, naming itself, instead of being skipped silently; the
// others are still each written on their own.
TEST_F(ProfileFilesTest, UnwritableFileNamesItselfAndTheOthersAreWritten) {
  fs::create_directory(tunnel::kProfileFileName);
  EXPECT_EQ(tunnel::WriteClientProfile("1.1.1.1", "1"),
            "Tesmira.clt could not be written: File exists");
  EXPECT_EQ(tunnel::WriteCertificateFile(), "");
  EXPECT_EQ(tunnel::WriteCredentialsFile(), "");
  EXPECT_TRUE(fs::is_directory(tunnel::kProfileFileName));
  EXPECT_TRUE(fs::exists(tunnel::kCertificateFileName));
  EXPECT_TRUE(fs::exists(tunnel::kCredentialsFileName));
}

// Every profile file is made anew, owner-only: one planted by another user in a shared folder
// (a link to a file of the victim's) is neither followed nor used.
TEST_F(ProfileFilesTest, EveryFileIsMadeAnewAndOwnerOnly) {
  WriteBytes("victim", "untouched");
  for (const char* name : {tunnel::kProfileFileName, tunnel::kCertificateFileName}) {
    fs::create_symlink("victim", name);
  }
  EXPECT_EQ(tunnel::WriteClientProfile("1.1.1.1", "1"), "");
  EXPECT_EQ(tunnel::WriteCertificateFile(), "");
  EXPECT_EQ(ReadBytes("victim"), "untouched");
  for (const char* name : {tunnel::kProfileFileName, tunnel::kCertificateFileName}) {
    EXPECT_FALSE(fs::is_symlink(name)) << name;
    EXPECT_EQ(ModeOf(name), 0600u) << name;
  }
}

// What a killed instance left is removed at the next start; what is not a plain file of this
// user's is not touched.
TEST_F(ProfileFilesTest, LeftoverFilesAreRemovedAtStart) {
  WriteBytes(tunnel::kCredentialsFileName, "alice\r\nold");
  WriteBytes(tunnel::kProfileFileName, "x");
  fs::create_directory(tunnel::kCertificateFileName);
  tunnel::RemoveLeftoverProfileFiles();
  EXPECT_FALSE(fs::exists(tunnel::kCredentialsFileName));
  EXPECT_FALSE(fs::exists(tunnel::kProfileFileName));
  EXPECT_TRUE(fs::is_directory(tunnel::kCertificateFileName));
}

TEST_F(ProfileFilesTest, RemovalNowAndAfterEachWait) {
  const auto writeAll = [] {
    for (const char* name :
         {tunnel::kProfileFileName, tunnel::kCertificateFileName, tunnel::kCredentialsFileName}) {
      WriteBytes(name, "x");
    }
  };
  writeAll();
  tunnel::DeleteProfileFiles();
  EXPECT_TRUE(fs::is_empty(fs::current_path()));

  // A file that reappears during a wait (still held by the stopping engine) is gone after it.
  std::vector<int> waits;
  tunnel::DeleteProfileFilesLater([&](int ms) {
    waits.push_back(ms);
    EXPECT_TRUE(fs::is_empty(fs::current_path()));
    writeAll();
  });
  EXPECT_EQ(waits, (std::vector<int>{100, 100, 100}));
  EXPECT_TRUE(fs::is_empty(fs::current_path()));
}

}  // namespace
