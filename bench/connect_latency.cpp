// How long after the engine prints "Initialization Sequence Completed" the status text reads
// "Connected.": the program against a real OpenVPN server on 127.0.0.1, several connects, the
// median printed. The engine in this program's folder is a wrapper that runs the real openvpn
// and notes the moment the marker line leaves it.
//
// Needs root and /dev/net/tun, like any tunnel. Run: bench_connect_latency [connects]
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "app/openvpn_dlg.h"
#include "platform/message_box.h"
#include "support/openvpn/openvpn_fixture.h"
#include "support/refservice/refservice_fixture.h"

namespace fs = std::filesystem;

static long long NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

static long long LastMark(const fs::path& file) {
  std::ifstream in(file);
  long long value = 0, last = 0;
  while (in >> value) last = value;
  return last;
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const int connects = argc > 1 ? std::atoi(argv[1]) : 7;
  if (const std::string why = testsupport::OpenVpnServer::Unavailable(); !why.empty()) {
    std::printf("skipped: %s\n", why.c_str());
    return 0;
  }
  const testsupport::ScopedWorkDir work("tesmira-latency");
  const fs::path& dir = work.Path();
  const fs::path marks = dir / "marks";
  setenv("TESMIRA_MARK_FILE", marks.c_str(), 1);
  std::ofstream("tesm.tfg", std::ios::binary) << "1\talice\r\n";

  testsupport::OpenVpnServer server;
  const int port = server.Start("alice", "pw");
  if (port == 0) {
    std::printf("server failed: %s\n", server.Error().c_str());
    return 1;
  }
  std::ofstream("list.txt", std::ios::binary) << "s|c|c|d|127.0.0.1|" << port << ",";
  std::ofstream("service.conf", std::ios::binary) << "account = alice pw\n";
  testsupport::RefService service;
  if (!service.Start(dir / "list.txt", dir / "service.conf")) return 1;
  setenv("TESMIRA_SERVICE_URL", service.BaseUrl().c_str(), 1);
  platform::SetMessageBoxHandler(
      [](const platform::MessageBoxRequest& box) { std::printf("box: %s\n", box.text.c_str()); });

  std::vector<double> latencies;
  {
    CopenvpnDlg dialog;
    dialog.RunInitialisation();
    for (int i = 0; i < connects; ++i) {
      dialog.serverList()->selectRow(0);
      dialog.connectButton()->click();
      long long changed = 0;
      QElapsedTimer clock;
      clock.start();
      while (clock.elapsed() < 60000) {
        QApplication::processEvents(QEventLoop::AllEvents, 1);
        if (dialog.statusText()->text() == QStringLiteral("Connected.")) {
          changed = NowNs();
          break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      const long long mark = LastMark(marks);
      if (changed == 0 || mark == 0) {
        std::printf("connect %d did not complete\n", i + 1);
        return 1;
      }
      latencies.push_back(static_cast<double>(changed - mark) / 1e6);
      std::printf("connect %d: %.1f ms\n", i + 1, latencies.back());
      dialog.disconnectButton()->click();
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
  }
  std::sort(latencies.begin(), latencies.end());
  std::printf(
      "marker to \"Connected.\": median %.1f ms, min %.1f ms, max %.1f ms over %d connects\n",
      latencies[latencies.size() / 2], latencies.front(), latencies.back(), connects);
  return 0;
}
