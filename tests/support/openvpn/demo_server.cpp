// The end-to-end tests' OpenVPN server as a program of its own, for scripts/run-demo: a real
// server on 127.0.0.1 that accepts one user name and password.
//
//   tesmira-openvpn-server --user NAME --password TEXT
//
// Where dnsmasq is installed the server pushes a DNS server of its own (its tunnel address,
// search domain tesmira.test) that answers vpn.tesmira.test.
//
// Prints "listening on 127.0.0.1:PORT" once the server is ready, then the server's log as it
// grows. Where no server can run it prints "unavailable: <why>" on one line and exits with 3;
// with 1 when the server fails to start, 2 on a bad command line. SIGINT, SIGTERM and SIGHUP
// stop the server, which tells its clients, and remove its keys.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include <unistd.h>

#include "support/openvpn/openvpn_fixture.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: tesmira-openvpn-server --user NAME --password TEXT\n");
  return 2;
}

void Print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::string user;
  std::string password;
  bool havePassword = false;
  for (int i = 1; i < argc; ++i) {
    if (i + 1 < argc && std::strcmp(argv[i], "--user") == 0) {
      user = argv[++i];
    } else if (i + 1 < argc && std::strcmp(argv[i], "--password") == 0) {
      password = argv[++i];
      havePassword = true;
    } else {
      return Usage();
    }
  }
  if (user.empty() || !havePassword) return Usage();

  const std::string why = testsupport::OpenVpnServer::Unavailable();
  if (!why.empty()) {
    Print("unavailable: " + why + "\n");
    return 3;
  }

  // Blocked before the server's threads exist, so the signals wait for sigtimedwait below.
  sigset_t stops;
  sigemptyset(&stops);
  for (int signo : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, signo);
  pthread_sigmask(SIG_BLOCK, &stops, nullptr);

  testsupport::OpenVpnServer server;
  // The demo's VPN has a DNS server of its own, pushed to clients: while connected,
  // vpn.tesmira.test (or just "vpn", by the pushed search domain) names the server's tunnel
  // address, and other names go on to this machine's resolvers.
  if (access("/usr/sbin/dnsmasq", X_OK) == 0)
    server.ServeDns("tesmira.test", "vpn.tesmira.test", "");
  const int port = server.Start(user, password);
  if (port == 0) {
    Print("failed: " + server.Error() + "\n");
    return 1;
  }
  Print("listening on 127.0.0.1:" + std::to_string(port) + "\n");
  if (access("/usr/sbin/dnsmasq", X_OK) == 0) {
    Print("pushing DNS " + server.TunnelAddress() + " with vpn.tesmira.test\n");
  }

  size_t shown = 0;
  const timespec tick = {0, 500 * 1000 * 1000};
  for (;;) {
    const std::string log = server.Log();
    if (log.size() > shown) {
      Print(log.substr(shown));
      shown = log.size();
    }
    const int signo = sigtimedwait(&stops, nullptr, &tick);
    if (signo > 0) break;
  }
  server.StopWithNotify();
  Print(server.Log().substr(shown));
  return 0;
}
