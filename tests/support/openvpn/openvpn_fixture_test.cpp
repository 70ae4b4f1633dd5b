// The fixture's server against the real openvpn client, fed the client's own three files byte
// for byte and the engine command line, as the program runs it.

#include "support/openvpn/openvpn_fixture.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>

namespace testsupport {
namespace {

// The profile as the program stores it: its template holds "\r\n" and is written in text
// mode, so every line ends in CR CR LF, and the file ends with one blank.
std::string StoredProfile(const std::string& ip, const std::string& port) {
  const std::string text = "client\r\ndev tun\r\nproto udp\r\nremote " + ip + " " + port +
                           "\r\nresolv-retry infinite\r\nnobind\r\npersist-key\r\npersist-tun\r\n"
                           "ca Tesmira.tmp\r\nauth-user-pass\r\nns-cert-type server\r\npull\r\n"
                           "mute 20\r\ncomp-lzo\r\n"
                           "verb 3\r\n ";
  std::string stored;
  for (char c : text) {
    if (c == '\n') stored += '\r';
    stored += c;
  }
  return stored;
}

class Client {
 public:
  bool Start(int port, const std::string& user, const std::string& password) {
    const std::string profile = StoredProfile("127.0.0.1", std::to_string(port));
    EXPECT_TRUE(profile.ends_with("comp-lzo\r\r\nverb 3\r\r\n "));
    dir_.Write("Tesmira.clt", profile);
    dir_.Write("Tesmira.tmp", ReadFileBytes(OpenVpnServer::CaFile()));
    dir_.Write("Tesmira.upw", user + "\r\n" + password, std::filesystem::perms(0600));

    const std::string folder = dir_.Path().string() + "/";
    ChildOptions options;
    options.argv = {OpenVpnServer::OpenVpnProgram().string(), "--config", folder + "Tesmira.clt",
                    "--auth-user-pass", folder + "Tesmira.upw"};
    options.workDir = dir_.Path();  // "ca Tesmira.tmp" is found there
    std::string error;
    const bool started = process_.Start(options, &error);
    EXPECT_TRUE(started) << error;
    return started;
  }
  ChildProcess& Process() { return process_; }

 private:
  TempDir dir_{"tesmira-client"};
  ChildProcess process_;
};

TEST(OpenVpnFixture, TheProfileConnectsAndANotifyingStopMakesTheClientRestart) {
  TESMIRA_SKIP_UNLESS_OPENVPN_USABLE();
  OpenVpnServer server;
  const int port = server.Start("demo", "s3cret pass");
  ASSERT_NE(port, 0) << server.Error();
  EXPECT_EQ(server.Port(), port);

  Client client;
  ASSERT_TRUE(client.Start(port, "demo", "s3cret pass"));
  ChildProcess& engine = client.Process();
  ASSERT_TRUE(engine.WaitForOutput("Initialization Sequence Completed", std::chrono::minutes(1)))
      << engine.Output() << "\n--- server ---\n"
      << server.Log();
  const std::string subnetStart = server.Subnet().substr(0, server.Subnet().rfind('.') + 1);
  EXPECT_NE(engine.Output().find("ifconfig " + subnetStart), std::string::npos) << engine.Output();

  const size_t before = engine.Output().size();
  server.StopWithNotify();
  EXPECT_TRUE(engine.WaitForOutput("process restarting", std::chrono::seconds(30), before))
      << engine.Output();
  EXPECT_EQ(server.Port(), 0);
}

TEST(OpenVpnFixture, OnlyTheOneUserAndPasswordAreAccepted) {
  TESMIRA_SKIP_UNLESS_OPENVPN_USABLE();
  OpenVpnServer server;
  const int port = server.Start("demo", "right");
  ASSERT_NE(port, 0) << server.Error();

  const struct {
    const char* user;
    const char* password;
  } cases[] = {{"demo", "wrong"}, {"demo", "righ"}, {"other", "right"}, {"demo", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.user) + " / " + c.password);
    Client client;
    ASSERT_TRUE(client.Start(port, c.user, c.password));
    ChildProcess& engine = client.Process();
    if (*c.password == '\0') {
      // An empty second line makes openvpn ask for the password on a terminal it lacks.
      const std::optional<int> status = engine.WaitExit(std::chrono::minutes(1));
      ASSERT_TRUE(status) << engine.Output();
      EXPECT_EQ(engine.Output().find("Initialization Sequence Completed"), std::string::npos);
      EXPECT_NE(engine.Output().find("Exiting due to fatal error"), std::string::npos)
          << engine.Output();
      continue;
    }
    EXPECT_TRUE(engine.WaitForOutput("AUTH_FAILED", std::chrono::minutes(1)))
        << engine.Output() << "\n--- server ---\n"
        << server.Log();
    // It gives up by itself, and reports success all the same.
    const std::optional<int> status = engine.WaitExit(std::chrono::minutes(1));
    ASSERT_TRUE(status) << engine.Output();
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
    EXPECT_EQ(engine.Output().find("Initialization Sequence Completed"), std::string::npos);
  }
}

}  // namespace
}  // namespace testsupport
