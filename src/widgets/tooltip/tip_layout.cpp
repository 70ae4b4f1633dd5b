#include "widgets/tooltip/tip_layout.h"

#include <QPolygon>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tip {

namespace {

// The anchor's place along its edge, the low value of a code: near the start (left or top),
// near the end, or centred.
enum Along { NEAR_START = 0, NEAR_END = 1, CENTRED = 2 };

// Keeps the body of `length` on [lo, hi] along one axis by moving the anchor along its edge;
// p is the cursor's coordinate on that axis.
int FitAlong(int along, int p, int length, int m, int lo, int hi) {
  switch (along) {
    case NEAR_START:
      if (p + length - m > hi) return p - length + m < lo ? CENTRED : NEAR_END;
      return NEAR_START;
    case NEAR_END:
      if (p - length + m < lo) return p + length - m > hi ? CENTRED : NEAR_START;
      return NEAR_END;
    default:
      if (m >= p - lo) return NEAR_START;
      if (m >= hi - p) return NEAR_END;
      return CENTRED;
  }
}

// The tip's coordinate along its edge, from the window's start on that axis.
int TipAlong(int along, int p, int length, int m, int lo, int hi) {
  int t = 0;
  switch (along) {
    case NEAR_START:
      t = m;
      break;
    case NEAR_END:
      t = length - m;
      break;
    default: {
      t = length / 2;
      const int start = p - t;
      const int end = start + length;
      // A centred body that sticks out on one side only is pushed back onto the screen.
      if (start < lo && end <= hi) {
        t -= lo - start;
      } else if (end > hi && start >= lo) {
        t += end - hi;
      }
      break;
    }
  }
  if (along == NEAR_END) {
    if (p + length - t > hi) t = length + p - hi;
  } else if (p - t < lo) {
    t = p - lo;
  }
  return t;
}

}  // namespace

PlacementResult Place(int code, gdi::POINT point, const gdi::RECT& body, int h, int m,
                      const gdi::RECT& screen) {
  PlacementResult r;
  r.body = body;
  r.window = body;
  const bool sideways = IsSideways(code);
  if (sideways) {
    r.window.right += h;
  } else {
    r.window.bottom += h;
  }
  const int W = r.window.Width();
  const int H = r.window.Height();
  const int x = point.x;
  const int y = point.y;
  int side = code & 0xF0;
  int along = code & 0x0F;
  if (along > CENTRED) along = CENTRED;
  if (side > LEFT_TOP) side = LEFT_TOP;

  if (sideways) {
    if (side == RIGHT_TOP && x + W > screen.right) side = LEFT_TOP;
    if (side == LEFT_TOP && x - W < screen.left && code >= LEFT_TOP) side = RIGHT_TOP;
    along = FitAlong(along, y, H, m, screen.top, screen.bottom);
  } else {
    along = FitAlong(along, x, W, m, screen.left, screen.right);
    if (side == BELOW_LEFT && y + H > screen.bottom) {
      side = ABOVE_LEFT;
    } else if (side == ABOVE_LEFT && y - H < screen.top) {
      side = BELOW_LEFT;
    }
  }
  r.code = side + along;

  switch (side) {
    case BELOW_LEFT:
      r.tip = {TipAlong(along, x, W, m, screen.left, screen.right), 0};
      r.body.OffsetRect(0, h);
      break;
    case ABOVE_LEFT:
      r.tip = {TipAlong(along, x, W, m, screen.left, screen.right), H};
      break;
    case RIGHT_TOP:
      r.tip = {0, TipAlong(along, y, H, m, screen.top, screen.bottom)};
      r.body.OffsetRect(h, 0);
      break;
    default:
      r.tip = {W, TipAlong(along, y, H, m, screen.top, screen.bottom)};
      break;
  }
  return r;
}

gdi::RECT VirtualScreen(const std::vector<ScreenArea>& screens) {
  if (screens.empty()) return {0, 0, 640, 480};
  gdi::RECT all = screens.front().geometry;
  for (const ScreenArea& s : screens) {
    all.left = std::min(all.left, s.geometry.left);
    all.top = std::min(all.top, s.geometry.top);
    all.right = std::max(all.right, s.geometry.right);
    all.bottom = std::max(all.bottom, s.geometry.bottom);
  }
  return all;
}

gdi::RECT PlacementScreen(const std::vector<ScreenArea>& screens, gdi::POINT point) {
  if (screens.empty()) return VirtualScreen(screens);
  const ScreenArea* own = &screens.front();
  for (const ScreenArea& s : screens) {
    const gdi::RECT& g = s.geometry;
    if (point.x >= g.left && point.x < g.right && point.y >= g.top && point.y < g.bottom) {
      own = &s;
      break;
    }
  }
  const gdi::RECT all = VirtualScreen(screens);
  gdi::RECT r = own->available;
  if (all.left < own->geometry.left) r.left = all.left;
  if (all.top < own->geometry.top) r.top = all.top;
  if (all.right > own->geometry.right) r.right = all.right;
  if (all.bottom > own->geometry.bottom) r.bottom = all.bottom;
  return r;
}

QRegion RoundRectRegion(const gdi::RECT& rect, int roundX, int roundY) {
  const int width = rect.Width();
  const int height = rect.Height();
  if (width <= 0 || height <= 0) return {};
  const double a = std::min(roundX, width) / 2.0;
  const double b = std::min(roundY, height) / 2.0;
  if (a <= 0 || b <= 0) return QRegion(rect.left, rect.top, width, height);
  // One span per row: the corners inset the rows within b of the top and the bottom.
  std::vector<QRect> rows;
  rows.reserve(static_cast<std::size_t>(height));
  for (int row = 0; row < height; ++row) {
    const double centre = row + 0.5;
    const double dy = std::max(b - centre, centre - (height - b));
    int inset = 0;
    if (dy > 0) {
      const double ratio = dy / b;
      inset = static_cast<int>(std::lround(a - a * std::sqrt(std::max(0.0, 1.0 - ratio * ratio))));
    }
    if (width - 2 * inset > 0) {
      rows.emplace_back(rect.left + inset, rect.top + row, width - 2 * inset, 1);
    }
  }
  QRegion region;
  region.setRects(rows.data(), static_cast<int>(rows.size()));
  return region;
}

QRegion BalloonRegion(int code, gdi::POINT tip, gdi::SIZE window, const SizeTable& sizes) {
  const int h = sizes[SIZE_ANCHOR_HEIGHT];
  const int a = sizes[SIZE_ANCHOR_WIDTH];
  const int m = sizes[SIZE_ANCHOR_MARGIN];
  gdi::RECT body{0, 0, window.cx, window.cy};
  const int side = code & 0xF0;
  const int along = code & 0x0F;
  switch (side) {
    case BELOW_LEFT:
      body.top += h;
      break;
    case ABOVE_LEFT:
      body.bottom -= h;
      break;
    case RIGHT_TOP:
      body.left += h;
      break;
    default:
      body.right -= h;
      break;
  }
  QRegion region = RoundRectRegion(body, sizes[SIZE_ROUND_X], sizes[SIZE_ROUND_Y]);
  if (a == 0 || h == 0) return region;

  const bool sideways = IsSideways(code);
  const int start = sideways ? body.top : body.left;
  const int end = sideways ? body.bottom : body.right;
  int p1 = 0;
  if (along == NEAR_START) {
    p1 = start + m;
  } else if (along == NEAR_END) {
    p1 = end - m - a;
  } else {
    p1 = (sideways ? tip.y : tip.x) - a / 2;
  }
  const int p2 = p1 + a;
  int edge = 0;
  switch (side) {
    case BELOW_LEFT:
      edge = body.top;
      break;
    case ABOVE_LEFT:
      edge = body.bottom;
      break;
    case RIGHT_TOP:
      edge = body.left;
      break;
    default:
      edge = body.right;
      break;
  }
  QPolygon triangle;
  if (sideways) {
    triangle << QPoint(tip.x, tip.y) << QPoint(edge, p1) << QPoint(edge, p2);
  } else {
    triangle << QPoint(tip.x, tip.y) << QPoint(p1, edge) << QPoint(p2, edge);
  }
  return region.united(QRegion(triangle, Qt::OddEvenFill));
}

TipGeometry LayOutTip(gdi::SIZE text, const SizeTable& sizes, int code, gdi::POINT point,
                      const gdi::RECT& screen, gdi::POINT shadowOffset, gdi::SIZE largest) {
  const int mx = sizes[SIZE_MARGIN_X];
  const int my = sizes[SIZE_MARGIN_Y];
  const int h = sizes[SIZE_ANCHOR_HEIGHT];
  TipGeometry g;
  // No text makes a window larger than the screens: its memory is a screenful at most.
  const bool sideways = IsSideways(code);
  const auto bound = [](long long wanted, long long room) {
    return static_cast<int>(std::clamp(wanted, 0LL, std::max(room, 0LL)));
  };
  const int bodyWidth =
      bound(static_cast<long long>(text.cx) + 2LL * mx,
            static_cast<long long>(largest.cx) - (sideways ? h : 0) - std::max(shadowOffset.x, 0));
  const int bodyHeight =
      bound(static_cast<long long>(text.cy) + 2LL * my,
            static_cast<long long>(largest.cy) - (sideways ? 0 : h) - std::max(shadowOffset.y, 0));
  const gdi::RECT body{0, 0, bodyWidth, bodyHeight};
  const PlacementResult placed = Place(code, point, body, h, sizes[SIZE_ANCHOR_MARGIN], screen);
  g.code = placed.code;
  g.tip = placed.tip;
  g.body = placed.body;
  g.window = placed.window;
  g.content = {mx, my, mx + text.cx, my + text.cy};
  g.content.OffsetRect(placed.body.left, placed.body.top);
  g.balloon = BalloonRegion(g.code, g.tip, {g.window.Width(), g.window.Height()}, sizes);
  g.position = {point.x - g.tip.x, point.y - g.tip.y};
  g.face = {g.window.Width(), g.window.Height()};
  if (shadowOffset.x != 0 || shadowOffset.y != 0) {
    g.windowRegion = g.balloon.united(g.balloon.translated(shadowOffset.x, shadowOffset.y));
    g.window.right += shadowOffset.x;
    g.window.bottom += shadowOffset.y;
  } else {
    g.windowRegion = g.balloon;
  }
  return g;
}

}  // namespace tip
