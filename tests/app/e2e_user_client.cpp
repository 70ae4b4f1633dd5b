// The program as an ordinary user runs it, driven for the end-to-end test that runs it as one:
// it chooses its engine launcher as the program does, selects the row whose "IP" column is
// 127.0.0.1, presses Connect and reports on standard output what the user would see:
//   status:TEXT   each change of the status text
//   box:TEXT      each message box (answered at once)
// With "disconnect" it presses Disconnect once connected and ends when the status says so;
// otherwise it runs the dialog until it is closed (SIGTERM closes it the program's way).

#include <QAbstractItemModel>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTableView>
#include <QTimer>

#include <cstdio>
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
  const bool disconnect = argc > 1 && std::string(argv[1]) == "disconnect";
  platform::SetMessageBoxHandler(
      [](const platform::MessageBoxRequest& box) { Say("box:" + box.text); });
  std::string error;
  if (!ChooseEngineLauncher(&error)) {
    Say("box:" + error);
    return 2;
  }
  {
    CopenvpnDlg dialog;
    const auto notifier = CloseOnTerminationSignals(dialog);
    dialog.RunInitialisation();
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
      if (disconnect && now == QStringLiteral("Connected.")) dialog.disconnectButton()->click();
      if (disconnect && now == QStringLiteral("Disconnected.")) dialog.accept();
    });
    watch.start(20);
    dialog.connectButton()->click();
    dialog.exec();
  }
  ShutdownTunnel();
  return 0;
}
