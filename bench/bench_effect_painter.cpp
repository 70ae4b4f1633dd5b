// CEffectPainter: the drop shadow of a 400 x 200 image without blur and blurred at depths 3, 7
// and 31 (the running sums keep the blur's cost flat in the depth), the box average alone, and
// every background id on a 300 x 200 area.

#include <benchmark/benchmark.h>

#include <QImage>

#include <memory>
#include <vector>

#include "platform/gdi/dc.h"
#include "widgets/tooltip/effect_painter.h"

namespace {

constexpr int kShadowWidth = 400;
constexpr int kShadowHeight = 200;

// A shadow image as DrawBitmapWithEffects makes it: the picture's shape in the shadow colour
// (here a rectangle in grey) on white.
QImage ShadowImage() {
  QImage image(kShadowWidth, kShadowHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  for (int y = 20; y < kShadowHeight - 20; ++y) {
    for (int x = 40; x < kShadowWidth - 40; ++x) image.setPixel(x, y, qRgb(96, 96, 96));
  }
  return image;
}

void DrawDropShadow(benchmark::State& state) {
  const auto depth = static_cast<gdi::DWORD>(state.range(0));
  const gdi::BOOL blur = depth > 0 ? gdi::TRUE : gdi::FALSE;
  gdi::CBitmap shadow(ShadowImage());
  QImage target(kShadowWidth + 20, kShadowHeight + 20, QImage::Format_RGB32);
  target.fill(qRgb(240, 240, 240));
  gdi::CDC dc(&target);
  CEffectPainter painter;
  for (auto _ : state) {
    painter.DrawDropShadow(&dc, {10, 10, kShadowWidth, kShadowHeight}, &shadow, blur, depth, depth);
    benchmark::DoNotOptimize(target.constBits());
  }
  state.SetItemsProcessed(state.iterations() * kShadowWidth * kShadowHeight);  // pixels
}

// Depth 0 stands for no blur.
BENCHMARK(DrawDropShadow)->Arg(0)->Arg(3)->Arg(7)->Arg(31)->Unit(benchmark::kMicrosecond);

void BoxAverage(benchmark::State& state) {
  const auto depth = static_cast<gdi::DWORD>(state.range(0));
  std::vector<gdi::DWORD> shade(kShadowWidth * kShadowHeight, 0x00FFFFFF);
  for (int i = 0; i < kShadowWidth * kShadowHeight; i += 3) shade[i] = 0x00606060;
  std::vector<double> factors(shade.size());
  for (auto _ : state) {
    CEffectPainter::BoxAverage(kShadowWidth, kShadowHeight, shade.data(), depth, depth,
                               factors.data());
    benchmark::DoNotOptimize(factors.data());
  }
  state.SetItemsProcessed(state.iterations() * kShadowWidth * kShadowHeight);
}

BENCHMARK(BoxAverage)->Arg(3)->Arg(7)->Arg(31)->Unit(benchmark::kMicrosecond);

void PaintBackground(benchmark::State& state) {
  const auto effect = static_cast<gdi::DWORD>(state.range(0));
  QImage target(300, 200, QImage::Format_RGB32);
  gdi::CDC dc(&target);
  CEffectPainter painter;
  const gdi::RECT rect{0, 0, 300, 200};
  // The markup's background areas: granularity 5, coloring 0.
  for (auto _ : state) {
    painter.PaintBackground(
        &dc, effect, &rect,
        {gdi::RGB(255, 255, 255), gdi::RGB(200, 220, 255), gdi::RGB(40, 80, 160)}, 5, 0);
    benchmark::DoNotOptimize(target.constBits());
  }
  state.SetItemsProcessed(state.iterations() * 300 * 200);
}

BENCHMARK(PaintBackground)->DenseRange(0, 15)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
