#include "app/app.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <memory>

#include "app/openvpn_dlg.h"
#include "platform/termination_signals.h"

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
  const int notices = platform::RedirectTerminationSignals();
  if (notices < 0) return nullptr;
  auto notifier = std::make_unique<QSocketNotifier>(notices, QSocketNotifier::Read);
  QObject::connect(notifier.get(), &QSocketNotifier::activated, &dialog, [&dialog, notices] {
    platform::TakeTerminationNotice(notices);
    dialog.PostClose();
  });
  return notifier;
}
