// SetShadeEffect: the texture and both palette images of a shaded button, for the main
// dialog's button size and for a large face, per texture.

#include <benchmark/benchmark.h>

#include <QApplication>

#include "widgets/buttons/shade_button.h"

namespace {

void SetShadeEffect(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  const auto shadeId = static_cast<gdi::UINT>(state.range(2));
  CShadeButton button(QStringLiteral("Connect"));
  button.resize(width, height);
  for (auto _ : state) {
    button.SetShadeEffect(shadeId, 8, 20, 5, gdi::RGB(55, 55, 255));
    benchmark::DoNotOptimize(button.NormalImage().PixelData());
  }
  state.SetItemsProcessed(state.iterations() * width * height);  // pixels
}

// The dialog's Connect button (hard bump), then every texture on a 1000 x 800 face.
BENCHMARK(SetShadeEffect)->Args({75, 65, SHADE_HARDBUMP})->Unit(benchmark::kMicrosecond);
BENCHMARK(SetShadeEffect)
    ->ArgsProduct({{1000},
                   {800},
                   {SHADE_NOISE, SHADE_DIAGSHADE, SHADE_HSHADE, SHADE_VSHADE, SHADE_HBUMP,
                    SHADE_VBUMP, SHADE_SOFTBUMP, SHADE_HARDBUMP, SHADE_METAL}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
