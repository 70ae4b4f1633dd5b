// Filling the dialog's list view from a fetched server list, on Qt's offscreen platform: the
// dialog's initialisation (start-up exchange, fetch, parse, rows into the view) until the dialog
// is shown and painted, for lists of growing size.
//
// The program fills its list once, so the first fill's page faults belong in the figure: run
// each size in a fresh process, one iteration, e.g.
//   bench_load_server_list --benchmark_filter='/100000/'
// Qt's own start-up (fonts, style, the first window) is paid before timing by a dialog with a
// one-row list. The service is a loopback server in this process that answers from memory, so
// the figure is the program's own time, not the time a service takes to produce the list.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QTableView>

#include <string>
#include <thread>

#include "app/openvpn_dlg.h"
#include "platform/message_box.h"
#include "sample_server_list.h"
#include "service/server_list.h"
#include "service/startup_exchange.h"
#include "support/refservice/child_process.h"

namespace {

class MemoryService {
 public:
  MemoryService() {
    // Streamed from the one copy: the answer starts at once, as from a file in the page cache.
    server_.Get(kServerListPath, [this](const httplib::Request&, httplib::Response& r) {
      r.set_content_provider(list_.size(), "text/plain",
                             [this](size_t offset, size_t length, httplib::DataSink& sink) {
                               return sink.write(list_.data() + offset, length);
                             });
    });
    server_.Post(kStartupPath, [](const httplib::Request&, httplib::Response& r) {
      r.set_content(std::string(kStatusStart) + "OK" + kStatusEnd, "text/html");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~MemoryService() {
    server_.stop();
    thread_.join();
  }
  // Set only while no request is being answered.
  void SetList(std::string list) { list_ = std::move(list); }
  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  httplib::Server server_;
  std::string list_;
  int port_ = 0;
  std::thread thread_;
};

int FillAndShow() {
  CopenvpnDlg dialog;
  dialog.RunInitialisation();
  dialog.show();
  QApplication::processEvents();
  return dialog.serverList()->model()->rowCount();
}

void BM_DialogLoadsServerList(benchmark::State& state) {
  const testsupport::ScopedWorkDir work("tesmira-bench-load");
  MemoryService service;
  setenv("TESMIRA_SERVICE_URL", service.BaseUrl().c_str(), 1);
  service.SetList(MakeServerList(1, "\r\n"));
  FillAndShow();
  service.SetList(MakeServerList(static_cast<int>(state.range(0)), "\r\n"));
  for (auto _ : state) {
    if (FillAndShow() != state.range(0)) state.SkipWithError("the list did not load");
  }
}
BENCHMARK(BM_DialogLoadsServerList)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  platform::SetMessageBoxHandler([](const platform::MessageBoxRequest&) {});
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
