// Lines of the GDI-like layer: MoveTo and LineTo in the selected pen, stepped pixel by pixel
// so that they come out the same on every system.

#include "platform/gdi/pen.h"

#include <QImage>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>

#include "platform/gdi/dc.h"

namespace gdi {

namespace {

struct POINT64 {
  std::int64_t x;
  std::int64_t y;
};

// On and off runs, starting with on; an empty pattern is a solid line.
struct DashPattern {
  std::int64_t runs[6] = {};
  int count = 0;
};

DashPattern PatternOf(int style, int width) {
  // One pixel wide: GDI's cosmetic patterns in pixels. Wider: the geometric patterns, in
  // units of the width.
  DashPattern pattern;
  const auto set = [&pattern](std::initializer_list<int> runs, int unit) {
    for (int run : runs) pattern.runs[pattern.count++] = std::int64_t{run} * unit;
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

// Whether step k (k >= 0) of a line is drawn, and the first step after it where that changes.
struct Run {
  bool on;
  std::int64_t next;
};

Run RunAt(const DashPattern& pattern, std::int64_t k) {
  if (pattern.count == 0) return {true, std::numeric_limits<std::int64_t>::max()};
  std::int64_t period = 0;
  for (int i = 0; i < pattern.count; ++i) period += pattern.runs[i];
  std::int64_t at = k % period;
  for (int i = 0; i < pattern.count; ++i) {
    if (at < pattern.runs[i]) return {i % 2 == 0, k + (pattern.runs[i] - at)};
    at -= pattern.runs[i];
  }
  return {true, k + 1};
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
  // Fills the pixels [left, right) x [top, bottom) that lie on the image.
  const auto fill = [&](std::int64_t left, std::int64_t top, std::int64_t right,
                        std::int64_t bottom) {
    left = std::max<std::int64_t>(left, 0);
    top = std::max<std::int64_t>(top, 0);
    right = std::min<std::int64_t>(right, w);
    bottom = std::min<std::int64_t>(bottom, h);
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
  const auto point = [&](std::int64_t k) {
    if (steps == 0) return POINT64{from.x, from.y};
    // Rounds k * d / steps half away from zero. Coordinates span up to 2^32, so the product
    // is worked out in 128 bits.
    const auto along = [k, steps](std::int64_t d) {
      const __int128 n = __int128{2} * k * std::llabs(d) + steps;
      const auto v = static_cast<std::int64_t>(n / (__int128{2} * steps));
      return d < 0 ? -v : v;
    };
    return POINT64{from.x + along(dx), from.y + along(dy)};
  };
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
  const std::int64_t half = width / 2;
  if (dx == 0 || dy == 0) {
    // Along an axis each run of drawn steps is one rectangle, however wide the pen.
    for (std::int64_t k = first; k <= end;) {
      const Run run = RunAt(pattern, k);
      const std::int64_t runEnd = std::min(end, run.next - 1);
      if (run.on) {
        const POINT64 a = point(k);
        const POINT64 b = point(runEnd);
        fill(std::min(a.x, b.x) - half, std::min(a.y, b.y) - half,
             std::max(a.x, b.x) - half + width, std::max(a.y, b.y) - half + width);
      }
      k = runEnd + 1;
    }
    return TRUE;
  }
  // A slanted line, row by row of the image. The squares that reach row r are those of the
  // steps whose y lies in [r + half + 1 - width, r + half]: one range of steps, as y only
  // moves one way. Along a run of drawn steps x moves at most one pixel a step, so their
  // squares cover one span of the row. The cost follows the pixels drawn, not the length of
  // the line or the width of the pen.
  const bool down = dy > 0;
  // The first step in [from, to] where `test` holds, for a test that holds from some step on;
  // to + 1 when it never does.
  const auto firstWhere = [](std::int64_t lo, std::int64_t hi, auto&& test) {
    ++hi;
    while (lo < hi) {
      const std::int64_t mid = lo + (hi - lo) / 2;
      if (test(mid)) {
        hi = mid;
      } else {
        lo = mid + 1;
      }
    }
    return lo;
  };
  for (std::int64_t r = 0; r < h && first <= end; ++r) {
    const std::int64_t low = r + half + 1 - width;
    const std::int64_t high = r + half;
    const auto y = [&](std::int64_t k) { return point(k).y; };
    const std::int64_t kA =
        down ? firstWhere(first, end, [&](std::int64_t k) { return y(k) >= low; })
             : firstWhere(first, end, [&](std::int64_t k) { return y(k) <= high; });
    const std::int64_t kB =
        (down ? firstWhere(first, end, [&](std::int64_t k) { return y(k) > high; })
              : firstWhere(first, end, [&](std::int64_t k) { return y(k) < low; })) -
        1;
    for (std::int64_t k = kA; k <= kB;) {
      const Run run = RunAt(pattern, k);
      const std::int64_t runEnd = std::min(kB, run.next - 1);
      if (run.on) {
        const std::int64_t xa = point(k).x;
        const std::int64_t xb = point(runEnd).x;
        fill(std::min(xa, xb) - half, r, std::max(xa, xb) - half + width, r + 1);
      }
      k = runEnd + 1;
    }
  }
  return TRUE;
}

}  // namespace gdi
