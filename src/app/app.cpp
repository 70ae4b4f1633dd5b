#include "app/app.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#include <memory>

#include "app/openvpn_dlg.h"

namespace {

int signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = write(signalPipe[1], &byte, 1);
}

}  // namespace

bool CopenvpnApp::InitInstance() {
  // The common controls and the control container need no preparation here.
  QCoreApplication::setOrganizationName(QString::fromUtf8(
      "\xE5\xBA\x94\xE7\x94\xA8\xE7\xA8\x8B\xE5\xBA\x8F\xE5\x90\x91\xE5\xAF\xBC\xE7\x94\x9F\xE6\x88"
      "\x90\xE7\x9A\x84\xE6\x9C\xAC\xE5\x9C\xB0\xE5\xBA\x94\xE7\x94\xA8\xE7\xA8\x8B\xE5\xBA\x8F"));

  CopenvpnDlg dialog;
  const std::unique_ptr<QSocketNotifier> notifier = CloseOnTerminationSignals(dialog);
  dialog.DoModal();
  return false;
}

std::unique_ptr<QSocketNotifier> CloseOnTerminationSignals(CopenvpnDlg& dialog) {
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return nullptr;
  auto notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
  QObject::connect(notifier.get(), &QSocketNotifier::activated, &dialog, [&dialog] {
    char byte;
    [[maybe_unused]] const ssize_t n = read(signalPipe[0], &byte, 1);
    dialog.PostClose();
  });
  struct sigaction action {};
  action.sa_handler = &OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
  return notifier;
}
