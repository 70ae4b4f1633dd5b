// Filling the dialog's list view from a fetched server list: parse and table together, for
// lists of growing size, on Qt's offscreen platform.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableWidget>

#include <string>

#include "app/openvpn_dlg.h"
#include "platform/message_box.h"
#include "sample_server_list.h"
#include "support/refservice/refservice_fixture.h"

namespace {

void BM_DialogLoadsServerList(benchmark::State& state) {
  const testsupport::ScopedWorkDir work("tesmira-bench-load");
  work.Dir().Write("list.txt", MakeServerList(static_cast<int>(state.range(0)), "\r\n"));
  testsupport::RefService service;
  if (!service.Start(work.Path() / "list.txt", {})) {
    state.SkipWithError("reference service did not start");
    return;
  }
  setenv("TESMIRA_SERVICE_URL", service.BaseUrl().c_str(), 1);
  for (auto _ : state) {
    CopenvpnDlg dialog;
    dialog.RunInitialisation();
    benchmark::DoNotOptimize(dialog.serverList()->rowCount());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_DialogLoadsServerList)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  platform::SetMessageBoxHandler([](const platform::MessageBoxRequest&) {});
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
