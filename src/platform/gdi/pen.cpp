// Lines of the GDI-like layer: MoveTo and LineTo in the selected pen, stepped pixel by pixel
// so that they come out the same on every system.

#include "platform/gdi/pen.h"

#include <QImage>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "platform/gdi/dc.h"

namespace gdi {

namespace {

// On and off runs, starting with on; an empty pattern is a solid line.
struct DashPattern {
  int runs[6] = {};
  int count = 0;
};

DashPattern PatternOf(int style, int width) {
  // One pixel wide: GDI's cosmetic patterns in pixels. Wider: the geometric patterns, in
  // units of the width.
  DashPattern pattern;
  const auto set = [&pattern](std::initializer_list<int> runs, int unit) {
    for (int run : runs) pattern.runs[pattern.count++] = run * unit;
  };
  const bool thin = width <= 1;
  switch (style) {
    case PS_DASH:
      thin ? set({18, 6}, 1) : set({3, 1}, width);
      break;
    case PS_DOT:
      thin ? set({3, 3}, 1) : set({1, 1}, width);
      break;
    case PS_DASHDOT:
      thin ? set({9, 6, 3, 6}, 1) : set({3, 1, 1, 1}, width);
      break;
    case PS_DASHDOTDOT:
      thin ? set({9, 3, 3, 3, 3, 3}, 1) : set({3, 1, 1, 1, 1, 1}, width);
      break;
    default:
      break;
  }
  return pattern;
}

// Whether step k of a line is drawn.
bool IsOn(const DashPattern& pattern, std::int64_t k) {
  if (pattern.count == 0) return true;
  int period = 0;
  for (int i = 0; i < pattern.count; ++i) period += pattern.runs[i];
  std::int64_t at = k % period;
  for (int i = 0; i < pattern.count; ++i) {
    if (at < pattern.runs[i]) return i % 2 == 0;
    at -= pattern.runs[i];
  }
  return true;
}

}  // namespace

CPen* CDC::SelectObject(CPen* pen) { return std::exchange(pen_, pen); }

POINT CDC::MoveTo(int x, int y) { return std::exchange(position_, POINT{x, y}); }

BOOL CDC::LineTo(int x, int y) {
  const POINT from = std::exchange(position_, POINT{x, y});
  const CPen pen = pen_ ? *pen_ : CPen(PS_SOLID, 1, RGB(0, 0, 0));
  QImage* image = Surface();
  if (!image) return FALSE;
  const QImage::Format format = image->format();
  if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
      format != QImage::Format_ARGB32_Premultiplied) {
    return FALSE;
  }
  if (pen.Style() == PS_NULL) return TRUE;

  // DIB sections (ARGB32) get 0 in the alpha byte, as GDI writes it; opaque images and window
  // faces keep 0xFF.
  const COLORREF c = pen.Color();
  const QRgb value = (format == QImage::Format_ARGB32 ? 0u : 0xFF000000u) |
                     (QRgb{GetRValue(c)} << 16) | (QRgb{GetGValue(c)} << 8) | GetBValue(c);
  const int width = pen.Width();
  const DashPattern pattern = PatternOf(pen.Style(), width);
  const int w = image->width();
  const int h = image->height();
  const auto stamp = [&](std::int64_t px, std::int64_t py) {
    const std::int64_t left = std::max<std::int64_t>(px - width / 2, 0);
    const std::int64_t top = std::max<std::int64_t>(py - width / 2, 0);
    const std::int64_t right = std::min<std::int64_t>(px - width / 2 + width, w);
    const std::int64_t bottom = std::min<std::int64_t>(py - width / 2 + width, h);
    for (std::int64_t row = top; row < bottom; ++row) {
      QRgb* line = reinterpret_cast<QRgb*>(image->scanLine(static_cast<int>(row)));
      std::fill(line + left, line + std::max(left, right), value);
    }
  };

  // The points of the line: each step moves one pixel along the longer axis and rounds the
  // other. A thin line leaves out its end point, as GDI does; a wide one ends in a square.
  const std::int64_t dx = std::int64_t{x} - from.x;
  const std::int64_t dy = std::int64_t{y} - from.y;
  const std::int64_t steps = std::max(std::llabs(dx), std::llabs(dy));
  const std::int64_t last = width <= 1 ? steps - 1 : steps;
  // Only the steps whose longer-axis coordinate is near the image are walked, so a line far
  // outside costs nothing.
  const std::int64_t margin = width;
  std::int64_t first = 0;
  std::int64_t end = last;
  if (steps > 0) {
    const bool alongX = std::llabs(dx) >= std::llabs(dy);
    const std::int64_t start = alongX ? from.x : from.y;
    const std::int64_t size = alongX ? w : h;
    const bool forward = (alongX ? dx : dy) > 0;
    const std::int64_t low = forward ? -margin - start : start - (size + margin - 1);
    const std::int64_t high = forward ? size + margin - 1 - start : start + margin;
    first = std::max(first, low);
    end = std::min(end, high);
  }
  for (std::int64_t k = first; k <= end; ++k) {
    std::int64_t px = from.x, py = from.y;
    if (steps > 0) {
      // Rounds k * d / steps half away from zero.
      const auto along = [k, steps](std::int64_t d) {
        const std::int64_t n = 2 * k * std::llabs(d) + steps;
        const std::int64_t v = n / (2 * steps);
        return d < 0 ? -v : v;
      };
      px += along(dx);
      py += along(dy);
    }
    if (px < -margin || py < -margin || px >= w + margin || py >= h + margin) continue;
    if (IsOn(pattern, k)) stamp(px, py);
  }
  return TRUE;
}

}  // namespace gdi
