#pragma once
// A real OpenVPN server on 127.0.0.1 for end-to-end tests, with a server certificate signed at
// test time by the build's demo CA, the one the program writes to Tesmira.tmp.
//
//   TEST(EndToEnd, Connects) {
//     TESMIRA_SKIP_UNLESS_OPENVPN_USABLE();
//     testsupport::OpenVpnServer server;
//     const int port = server.Start("demo", "secret");
//     ASSERT_NE(port, 0) << server.Error();
//     ... connect a client to 127.0.0.1:port with user "demo" and password "secret" ...
//     server.StopWithNotify();  // the client prints "... process restarting"
//   }
//
// The server accepts exactly the one user name and password given to Start; the client needs
// no certificate of its own. It needs root and /dev/net/tun, as any OpenVPN tunnel does.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/refservice/child_process.h"

// Skips the current test, saying why, where the server cannot run.
#define TESMIRA_SKIP_UNLESS_OPENVPN_USABLE()                                         \
  do {                                                                               \
    if (const std::string tesmira_why = ::testsupport::OpenVpnServer::Unavailable(); \
        !tesmira_why.empty())                                                        \
      GTEST_SKIP() << tesmira_why;                                                   \
  } while (0)

namespace testsupport {

class OpenVpnServer {
 public:
  OpenVpnServer() = default;
  ~OpenVpnServer();
  OpenVpnServer(const OpenVpnServer&) = delete;
  OpenVpnServer& operator=(const OpenVpnServer&) = delete;

  // Why no server can run on this machine (not root, no /dev/net/tun, no openvpn or openssl,
  // no CA key); empty when one can.
  static std::string Unavailable();

  // Makes a fresh folder with the server's key, certificate, config and password check, starts
  // openvpn on a free UDP port of 127.0.0.1 and waits until it is ready. Returns that port, or
  // 0 with the reason in Error(). User names are kept to letters, digits and "._-@", which
  // openvpn passes to scripts unchanged; neither text may hold a line break.
  int Start(const std::string& user, const std::string& password);

  // Before Start: the server also pushes its own tunnel address as the DNS server and `domain`
  // as the search domain, and runs a DNS server (dnsmasq) there that answers `name` with
  // `address` (empty: the server's own tunnel address) and passes other names to the machine's
  // resolvers.
  void ServeDns(std::string domain, std::string name, std::string address);
  // The server's own address in the tunnel (the first of the subnet).
  std::string TunnelAddress() const;

  // Ends the server at once; clients notice only when their pings go unanswered.
  void Stop();
  // Ends the server the polite way: it tells each client to restart, which the client reports
  // at once as "... process restarting".
  void StopWithNotify();

  int Port() const { return port_; }
  const std::string& Error() const { return error_; }
  std::string Log() const { return process_ ? process_->Output() : std::string(); }
  // The client's tunnel subnet, e.g. "100.64.12.0/28"; it follows from the port, so servers
  // running side by side never share one.
  const std::string& Subnet() const { return subnet_; }

  static std::filesystem::path CaFile();  // the demo CA's certificate (PEM)
  static std::filesystem::path OpenVpnProgram();

 private:
  bool MakeCertificate();
  bool RunTool(const std::vector<std::string>& argv);

  std::unique_ptr<TempDir> dir_;
  std::unique_ptr<ChildProcess> process_;
  std::unique_ptr<ChildProcess> dnsServer_;
  std::string dnsDomain_, dnsName_, dnsAddress_;
  int port_ = 0;
  std::string subnet_;
  std::string error_;
};

// A running (not ended) engine started on behalf of a process: an openvpn that an engine helper
// below it in the process tree runs, with the user it runs as and its working folder.
struct EngineProcess {
  int pid = 0;
  int uid = -1;
  std::string folder;
};
std::vector<EngineProcess> EnginesBelow(int ancestor);

}  // namespace testsupport
