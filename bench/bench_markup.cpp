// The markup drawer measuring and then drawing a tip, as the tooltip does when it shows one:
// a typical tip (the size of the program's own), a 2 KB tip of styled, wrapped text, a
// 20 x 10 table, and the typical tip's words in Chinese and Arabic, which go through the
// text layout.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include <string>

#include "platform/gdi/dc.h"
#include "widgets/tooltip/markup_drawer.h"

namespace {

const std::string kTypicalTip =
    "<h2>Connect</h2><br><hr width=100% color=#c0c0c0><br>Opens a tunnel to the <b>selected "
    "server</b>.<br><small><i>Select a row first; the status shows <font "
    "color=green>Connected.</font></i></small>";

const std::string kWorldTip =
    "<h2>\xE8\xBF\x9E\xE6\x8E\xA5</h2><br><hr width=100% color=#c0c0c0><br>"
    "\xE6\x89\x93\xE5\xBC\x80\xE5\x88\xB0<b>\xE6\x89\x80\xE9\x80\x89\xE6\x9C\x8D"
    "\xE5\x8A\xA1\xE5\x99\xA8</b>\xE7\x9A\x84\xE9\x9A\xA7\xE9\x81\x93\xE3\x80\x82<br>"
    "<small><i>\xD9\x8A\xD9\x81\xD8\xAA\xD8\xAD \xD9\x86\xD9\x81\xD9\x82\xD9\x8B\xD8\xA7 "
    "\xD8\xA5\xD9\x84\xD9\x89 \xD8\xA7\xD9\x84\xD8\xAE\xD8\xA7\xD8\xAF\xD9\x85 "
    "<font color=green>Connected.</font></i></small>";

// Paragraphs of mixed styles, links, tabs and entities, wrapped at 300 pixels.
std::string LargeTip() {
  const std::string paragraph =
      "<b>Server</b> list &amp; status: the <i>selected</i> row is used for the "
      "<a href=\"https://example.com/help\">tunnel</a>; <font color=crimson>red</font> rows are "
      "<u>busy</u>.<t>Load<t><code>42%</code><br>";
  std::string text = "<h1>Help</h1><br><justify>";
  while (text.size() + paragraph.size() <= 2048 - 11) text += paragraph;
  text += "</justify>";
  return text;
}

// 20 rows of 10 cells: a bordered table with a gradient background, a spanning heading,
// styled cell text and cell backgrounds.
std::string Table20x10() {
  std::string text =
      "<table border=1 cellspacing=1 bgeffect=vgradient bgcolor=white bgendcolor=lightsteelblue>"
      "<tr><td colspan=10 align=center><b>Servers</b></td></tr>";
  for (int r = 1; r < 20; ++r) {
    text += "<tr>";
    for (int c = 0; c < 10; ++c) {
      text += (r + c) % 4 == 0 ? "<td bgcolor=lavender>" : "<td>";
      text += "<i>r" + std::to_string(r) + "</i> c" + std::to_string(c) + "</td>";
    }
    text += "</tr>";
  }
  return text + "</table>";
}

void MeasureAndDraw(benchmark::State& state, const std::string& text, int maxWidth) {
  CMarkupDrawer drawer;
  drawer.SetMaxWidth(maxWidth);
  QImage image(1200, 2000, QImage::Format_RGB32);
  gdi::CDC dc(&image);
  gdi::SIZE size{};
  for (auto _ : state) {
    size = drawer.PrepareOutput(&dc, text);
    drawer.DrawPreparedOutput(&dc, {0, 0, size.cx, size.cy});
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long long>(text.size()));
  state.counters["width"] = size.cx;
  state.counters["height"] = size.cy;
}

void Measure(benchmark::State& state, const std::string& text, int maxWidth) {
  CMarkupDrawer drawer;
  drawer.SetMaxWidth(maxWidth);
  QImage image(1, 1, QImage::Format_RGB32);
  gdi::CDC dc(&image);
  for (auto _ : state) benchmark::DoNotOptimize(drawer.PrepareOutput(&dc, text));
  state.SetBytesProcessed(state.iterations() * static_cast<long long>(text.size()));
}

BENCHMARK_CAPTURE(MeasureAndDraw, TypicalTip, kTypicalTip, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(MeasureAndDraw, Tip2KB, LargeTip(), 300)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(MeasureAndDraw, Table20x10, Table20x10(), 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(MeasureAndDraw, WorldTip, kWorldTip, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Measure, TypicalTip, kTypicalTip, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Measure, Tip2KB, LargeTip(), 300)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Measure, Table20x10, Table20x10(), 0)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
