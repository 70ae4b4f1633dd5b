// tesmira-dns-hook: the engine's --route-up hook, set by the engine helper alone. It reads what
// the server pushed (foreign_option_N, redirect_gateway) from the engine's environment, keeps
// only what passes the DNS rules, and hands it to the helper on descriptor 3, which the helper
// gave the engine. The helper, root and the engine's parent for its whole life, applies the
// settings and puts them back whatever happens; the hook waits for its answer, so the engine
// says "Initialization Sequence Completed" only once DNS is in place (or known to have failed).

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dns/pushed_dns.h"

namespace {

constexpr int kHelperChannel = 3;
constexpr int kAnswerMilliseconds = 20000;

}  // namespace

int main() {
  // Started by anything but the helper's engine there is no channel, and nothing to do.
  struct stat channel {};
  if (::fstat(kHelperChannel, &channel) != 0 || !S_ISSOCK(channel.st_mode)) return 0;
  std::vector<std::string> refused;
  const dns::PushedDns pushed = dns::ReadPushedDns(std::getenv, &refused);
  for (const std::string& note : refused)
    std::printf("tesmira-dns-hook: ignored: %s\n", note.c_str());
  std::fflush(stdout);
  const std::string message = dns::EncodePushedDns(pushed) + "end\n";
  if (::send(kHelperChannel, message.data(), message.size(), MSG_NOSIGNAL) !=
      static_cast<ssize_t>(message.size())) {
    return 0;
  }
  pollfd answer{kHelperChannel, POLLIN, 0};
  if (::poll(&answer, 1, kAnswerMilliseconds) == 1) {
    char byte[16];
    [[maybe_unused]] const ssize_t n = ::read(kHelperChannel, byte, sizeof byte);
  }
  // A failure to set DNS is the helper's to report; the tunnel itself stands.
  return 0;
}
