#pragma once
// The geometry of a rich tip: where the balloon goes beside the cursor, which way its anchor
// points, and the shapes of the balloon and of the window. Plain functions, no window.

#include <QRegion>

#include <array>
#include <vector>

#include "platform/gdi/gdi.h"

namespace tip {

// Placement codes: the high nibble is the side of the cursor the body lies on, the low value
// where the anchor sits on the edge facing the cursor.
enum Placement : int {
  BELOW_LEFT = 0,
  BELOW_RIGHT = 1,
  BELOW_CENTRE = 2,
  ABOVE_LEFT = 16,
  ABOVE_RIGHT = 17,
  ABOVE_CENTRE = 18,
  RIGHT_TOP = 32,
  RIGHT_BOTTOM = 33,
  RIGHT_CENTRE = 34,
  LEFT_TOP = 48,
  LEFT_BOTTOM = 49,
  LEFT_CENTRE = 50,
};

// The size table's entries.
enum SizeIndex : int {
  SIZE_ROUND_X = 0,
  SIZE_ROUND_Y = 1,
  SIZE_MARGIN_X = 2,
  SIZE_MARGIN_Y = 3,
  SIZE_ANCHOR_WIDTH = 4,
  SIZE_ANCHOR_HEIGHT = 5,
  SIZE_ANCHOR_MARGIN = 6,
  SIZE_COUNT = 9,
};
using SizeTable = std::array<int, SIZE_COUNT>;

inline constexpr SizeTable kBalloonSizes{16, 16, 12, 12, 12, 16, 16, 0, 0};
inline constexpr SizeTable kPlainSizes{0, 0, 3, 1, 0, 0, 0, 0, 0};

// True for the codes whose body lies left or right of the cursor.
constexpr bool IsSideways(int code) { return code >= RIGHT_TOP; }

struct PlacementResult {
  int code = ABOVE_LEFT;
  gdi::POINT tip;    // the anchor's tip, window coordinates; the cursor goes there
  gdi::RECT window;  // body plus anchor strip, from (0, 0)
  gdi::RECT body;    // moved past the anchor strip where that lies before it
};

// Places a body of the given size (from (0, 0)) for the cursor at `point` on `screen`, with
// anchor height h and anchor margin m.
PlacementResult Place(int code, gdi::POINT point, const gdi::RECT& body, int h, int m,
                      const gdi::RECT& screen);

// The pixels [left, right) x [top, bottom) with elliptic corners roundX wide and roundY high.
QRegion RoundRectRegion(const gdi::RECT& rect, int roundX, int roundY);

// The balloon: rounded body and, when the anchor has a width and a height, the anchor
// triangle from the tip to the body's edge facing the cursor.
QRegion BalloonRegion(int code, gdi::POINT tip, gdi::SIZE window, const SizeTable& sizes);

// Everything a tip's layout decides, from the measured text size.
struct TipGeometry {
  int code = ABOVE_LEFT;
  gdi::POINT tip;
  gdi::RECT content;  // where the text goes
  gdi::RECT body;
  gdi::RECT window;     // grown by the shadow offset
  gdi::SIZE face;       // body plus anchor strip: the window without its shadow
  gdi::POINT position;  // the window's top-left corner on the screen
  QRegion balloon;
  QRegion windowRegion;  // the balloon and its shadow
};

// `largest` bounds the whole window, shadow included: a larger text keeps its content
// rectangle and is cut off at the body's edge.
TipGeometry LayOutTip(gdi::SIZE text, const SizeTable& sizes, int code, gdi::POINT point,
                      const gdi::RECT& screen, gdi::POINT shadowOffset, gdi::SIZE largest);

// One monitor: all of it, and the part that panels leave free.
struct ScreenArea {
  gdi::RECT geometry;
  gdi::RECT available;
};

// The union of the monitors.
gdi::RECT VirtualScreen(const std::vector<ScreenArea>& screens);

// What a tip at `point` keeps to: the virtual screen, except that on each side with no
// monitor beyond the pointer's own, the edge of its free part (panels are avoided). The
// monitor under the point, or else the first, is the pointer's own.
gdi::RECT PlacementScreen(const std::vector<ScreenArea>& screens, gdi::POINT point);

}  // namespace tip
