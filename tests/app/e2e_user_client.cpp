// The program as an ordinary user runs it, driven for the end-to-end test that runs it as one:
// it chooses its engine launcher as the program does, selects the row whose "IP" column is
// 127.0.0.1, presses Connect and reports on standard output what the user would see:
//   status:TEXT   each change of the status text
//   box:TEXT      each message box (answered at once)
// With "disconnect-later" it presses Disconnect at SIGUSR1 (once the test has looked at the
// connected engine) and ends when the status says so; with "start-only" it ends after the
// initialisation, pressing nothing; otherwise it runs the dialog until it is closed (SIGTERM
// closes it the program's way).

#include <QAbstractItemModel>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTableView>
#include <QTimer>

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/app.h"
#include "app/openvpn_dlg.h"
#include "app/tunnel_engine.h"
#include "platform/message_box.h"

namespace {

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const std::string mode = argc > 1 ? argv[1] : "";
  const bool disconnect = mode == "disconnect-later";
  platform::SetMessageBoxHandler(
      [](const platform::MessageBoxRequest& box) { Say("box:" + box.text); });
  ChooseEngineLauncher();
  {
    CopenvpnDlg dialog;
    const auto notifier = CloseOnTerminationSignals(dialog);
    dialog.RunInitialisation();
    if (mode == "start-only") return 0;
    QAbstractItemModel* rows = dialog.serverList()->model();
    for (int row = 0; row < rows->rowCount(); ++row) {
      if (rows->index(row, 4).data().toString() == QStringLiteral("127.0.0.1")) {
        dialog.serverList()->selectRow(row);
      }
    }
    QString last;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      const QString now = dialog.statusText()->text();
      if (now == last) return;
      last = now;
      Say("status:" + now.toStdString());
      if (disconnect && now == QStringLiteral("Disconnected.")) dialog.accept();
    });
    watch.start(20);
    // SIGUSR1 presses Disconnect, through the same kind of pipe the program's signals use.
    static int pressPipe[2];
    std::unique_ptr<QSocketNotifier> press;
    if (disconnect && ::pipe(pressPipe) == 0) {
      press = std::make_unique<QSocketNotifier>(pressPipe[0], QSocketNotifier::Read);
      QObject::connect(press.get(), &QSocketNotifier::activated, [&] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(pressPipe[0], &byte, 1);
        dialog.disconnectButton()->click();
      });
      ::signal(SIGUSR1, [](int) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(pressPipe[1], &byte, 1);
      });
    }
    dialog.connectButton()->click();
    dialog.exec();
  }
  ShutdownTunnel();
  return 0;
}
