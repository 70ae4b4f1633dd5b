#include "platform/termination_signals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

namespace platform {
namespace {

int signalPipe[2] = {-1, -1};

// Only what is safe in a signal handler: one byte into the socket.
void OnTerminationSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = write(signalPipe[1], &byte, 1);
}

}  // namespace

int RedirectTerminationSignals() {
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return -1;
  struct sigaction action {};
  action.sa_handler = &OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
  return signalPipe[0];
}

void TakeTerminationNotice(int descriptor) {
  char byte;
  [[maybe_unused]] const ssize_t n = read(descriptor, &byte, 1);
}

}  // namespace platform
