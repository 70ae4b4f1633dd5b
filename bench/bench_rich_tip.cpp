// The rich tip: laying out and painting the main dialog's Connect tip and a tip holding a
// ten-row table, and one fade step (a repaint at a new transparency from the kept bitmaps).
// The screen under the tip comes from a fixed image, so the figures are the tip's own work.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include <cstdio>
#include <string>

#include "platform/gdi/dc.h"
#include "widgets/tooltip/rich_tip.h"

namespace {

std::string TableTip() {
  std::string text = "<b>Servers</b><br><table border=1 cellpadding=2>";
  for (int row = 0; row < 10; ++row) {
    const std::string n = std::to_string(row + 1);
    text += "<tr><td>Node " + n + "</td><td><font color=blue>198.51.100." + n +
            "</font></td><td align=right>" + std::to_string(20 * row + 7) + " ms</td></tr>";
  }
  return text + "</table>";
}

struct Fixture {
  explicit Fixture(const std::string& text) {
    tip.Create(&owner, true);
    tip.SetScreenGrabber([](const QRect& r) {
      QImage under(r.size(), QImage::Format_RGB32);
      under.fill(0xFFC8C8C8);
      return under;
    });
    entry.text = text;
  }
  void LayOut() {
    tip.Timing().SetNextTool(&owner, entry);
    tip.LayOutAndShow({400, 300});
  }
  QWidget owner;
  CRichTip tip;
  ToolEntry entry;
};

void LayOutAndPaint(benchmark::State& state, const std::string& text) {
  Fixture f(text);
  QImage target(1000, 1000, QImage::Format_RGB32);
  gdi::CDC dc(&target);
  for (auto _ : state) {
    f.LayOut();
    f.tip.PaintTip(&dc, 0);
    benchmark::DoNotOptimize(target.bits());
  }
  state.counters["width"] = f.tip.width();
  state.counters["height"] = f.tip.height();
}

void FadeStep(benchmark::State& state, const std::string& text) {
  Fixture f(text);
  f.LayOut();
  QImage target(1000, 1000, QImage::Format_RGB32);
  gdi::CDC dc(&target);
  int transparency = 0;
  for (auto _ : state) {
    transparency = (transparency + 20) % 100;
    f.tip.PaintTip(&dc, transparency);
    benchmark::DoNotOptimize(target.bits());
  }
}

BENCHMARK_CAPTURE(LayOutAndPaint, connect, std::string("Connect"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(LayOutAndPaint, table10, TableTip())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(FadeStep, connect, std::string("Connect"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(FadeStep, table10, TableTip())->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // The offscreen platform says at every show that it cannot shape windows.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtWarningMsg) fprintf(stderr, "%s\n", qPrintable(text));
  });
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
