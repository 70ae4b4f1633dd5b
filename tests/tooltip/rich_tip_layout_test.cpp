// Where a tip goes and what shape it has: the twelve placement codes near each edge of a
// small screen, the plain size table, the shadow, and the balloon's region with its anchor
// on each side.

#include <gtest/gtest.h>

#include "widgets/tooltip/tip_layout.h"

using namespace tip;

namespace {

// A 300 x 200 screen and a body of 100 x 40: 116 wide with the anchor strip beside it,
// 56 high with the strip above or below.
constexpr gdi::RECT kScreen{0, 0, 300, 200};
constexpr gdi::RECT kBody{0, 0, 100, 40};
constexpr int kH = 16;  // anchor height
constexpr int kM = 16;  // anchor margin

struct PlaceCase {
  int code;
  gdi::POINT point;
  int expectedCode;
  gdi::POINT expectedTip;
};

// Points 10 pixels inside each edge: left, right, top, bottom.
constexpr gdi::POINT L{10, 100}, R{290, 100}, T{150, 10}, B{150, 190};

const PlaceCase kPlaceCases[] = {
    // Below the cursor: the anchor end flips when the body would leave the screen sideways,
    // the body goes above near the bottom, and the tip is clamped so the body stays on.
    {0, L, 0, {10, 0}},
    {0, R, 1, {90, 0}},
    {0, T, 0, {16, 0}},
    {0, B, 16, {16, 56}},
    {1, L, 0, {10, 0}},
    {1, R, 1, {90, 0}},
    {1, T, 1, {84, 0}},
    {1, B, 17, {84, 56}},
    {2, L, 0, {10, 0}},
    {2, R, 1, {90, 0}},
    {2, T, 2, {50, 0}},
    {2, B, 18, {50, 56}},
    // Above the cursor.
    {16, L, 16, {10, 56}},
    {16, R, 17, {90, 56}},
    {16, T, 0, {16, 0}},
    {16, B, 16, {16, 56}},
    {17, L, 16, {10, 56}},
    {17, R, 17, {90, 56}},
    {17, T, 1, {84, 0}},
    {17, B, 17, {84, 56}},
    {18, L, 16, {10, 56}},
    {18, R, 17, {90, 56}},
    {18, T, 2, {50, 0}},
    {18, B, 18, {50, 56}},
    // Right of the cursor: the body goes left near the right edge; the anchor moves along
    // the vertical edge.
    {32, L, 32, {0, 16}},
    {32, R, 48, {116, 16}},
    {32, T, 32, {0, 10}},
    {32, B, 33, {0, 30}},
    {33, L, 33, {0, 24}},
    {33, R, 49, {116, 24}},
    {33, T, 32, {0, 10}},
    {33, B, 33, {0, 30}},
    {34, L, 34, {0, 20}},
    {34, R, 50, {116, 20}},
    {34, T, 32, {0, 10}},
    {34, B, 33, {0, 30}},
    // Left of the cursor.
    {48, L, 32, {0, 16}},
    {48, R, 48, {116, 16}},
    {48, T, 48, {116, 10}},
    {48, B, 49, {116, 30}},
    {49, L, 33, {0, 24}},
    {49, R, 49, {116, 24}},
    {49, T, 48, {116, 10}},
    {49, B, 49, {116, 30}},
    {50, L, 34, {0, 20}},
    {50, R, 50, {116, 20}},
    {50, T, 48, {116, 10}},
    {50, B, 49, {116, 30}},
    // A centred body that would stick out on the left is pushed back onto the screen.
    {2, {40, 100}, 2, {40, 0}},
    {2, {260, 100}, 2, {60, 0}},
};

TEST(TipPlacement, EveryCodeNearEachEdgeOfASmallScreen) {
  for (const PlaceCase& c : kPlaceCases) {
    SCOPED_TRACE(testing::Message()
                 << "code " << c.code << " at " << c.point.x << "," << c.point.y);
    const PlacementResult r = Place(c.code, c.point, kBody, kH, kM, kScreen);
    EXPECT_EQ(r.code, c.expectedCode);
    EXPECT_EQ(r.tip, c.expectedTip);
    // Wherever the anchor went, the window lies on the screen.
    const int left = c.point.x - r.tip.x;
    const int top = c.point.y - r.tip.y;
    EXPECT_GE(left, kScreen.left);
    EXPECT_LE(left + r.window.Width(), kScreen.right);
    EXPECT_GE(top, kScreen.top);
    EXPECT_LE(top + r.window.Height(), kScreen.bottom);
  }
}

TEST(TipPlacement, ABodyTooWideForEitherEndIsCentred) {
  const gdi::RECT narrow{0, 0, 120, 200};
  const PlacementResult r = Place(BELOW_LEFT, {60, 50}, kBody, kH, kM, narrow);
  EXPECT_EQ(r.code, BELOW_CENTRE);
  EXPECT_EQ(r.tip, (gdi::POINT{50, 0}));
}

TEST(TipPlacement, TheBodyMovesPastTheAnchorStripOnlyWhenTheStripComesFirst) {
  EXPECT_EQ(Place(0, T, kBody, kH, kM, kScreen).body, (gdi::RECT{0, 16, 100, 56}));
  EXPECT_EQ(Place(16, B, kBody, kH, kM, kScreen).body, (gdi::RECT{0, 0, 100, 40}));
  EXPECT_EQ(Place(32, L, kBody, kH, kM, kScreen).body, (gdi::RECT{16, 0, 116, 40}));
  EXPECT_EQ(Place(48, R, kBody, kH, kM, kScreen).body, (gdi::RECT{0, 0, 100, 40}));
}

TEST(TipPlacement, WithThePlainSizesTheCursorIsAtACornerOfTheWindow) {
  const gdi::RECT screen{0, 0, 1000, 800};
  TipGeometry g =
      LayOutTip({50, 14}, kPlainSizes, ABOVE_LEFT, {400, 300}, screen, {0, 0}, {1000, 800});
  EXPECT_EQ(g.code, ABOVE_LEFT);
  EXPECT_EQ(g.window, (gdi::RECT{0, 0, 56, 16}));
  EXPECT_EQ(g.tip, (gdi::POINT{0, 16}));  // bottom-left corner
  EXPECT_EQ(g.position, (gdi::POINT{400, 284}));
  EXPECT_EQ(g.content, (gdi::RECT{3, 1, 53, 15}));
  g = LayOutTip({50, 14}, kPlainSizes, BELOW_LEFT, {400, 300}, screen, {0, 0}, {1000, 800});
  EXPECT_EQ(g.tip, (gdi::POINT{0, 0}));  // top-left corner
  EXPECT_EQ(g.position, (gdi::POINT{400, 300}));
}

TEST(TipPlacement, TheDefaultPlacementNearTheTopOfTheScreenOpensBelow) {
  const gdi::RECT screen{0, 0, 1000, 800};
  const TipGeometry g =
      LayOutTip({50, 14}, kBalloonSizes, ABOVE_LEFT, {400, 20}, screen, {6, 6}, {1000, 800});
  EXPECT_EQ(g.code, BELOW_LEFT);
  EXPECT_EQ(g.content, (gdi::RECT{12, 28, 62, 42}));  // margins, then the anchor strip
  EXPECT_EQ(g.position, (gdi::POINT{384, 20}));
}

TEST(TipPlacement, AShadowGrowsTheWindowAndItsRegionByTheOffset) {
  const gdi::RECT screen{0, 0, 1000, 800};
  const TipGeometry plain =
      LayOutTip({50, 14}, kBalloonSizes, 16, {400, 300}, screen, {0, 0}, {1000, 800});
  const TipGeometry shadowed =
      LayOutTip({50, 14}, kBalloonSizes, 16, {400, 300}, screen, {6, 6}, {1000, 800});
  EXPECT_EQ(shadowed.window.Width(), plain.window.Width() + 6);
  EXPECT_EQ(shadowed.window.Height(), plain.window.Height() + 6);
  EXPECT_EQ(shadowed.face, (gdi::SIZE{plain.window.Width(), plain.window.Height()}));
  EXPECT_EQ(shadowed.position, plain.position);
  EXPECT_EQ(plain.windowRegion, plain.balloon);
  EXPECT_EQ(shadowed.windowRegion, plain.balloon.united(plain.balloon.translated(6, 6)));
}

TEST(TipPlacement, TheWindowIsBoundedAndTheTextKeepsItsRectangle) {
  const gdi::RECT screen{0, 0, 1000, 800};
  const TipGeometry g =
      LayOutTip({5000, 426000}, kBalloonSizes, ABOVE_LEFT, {400, 300}, screen, {6, 6}, {1000, 800});
  EXPECT_EQ(g.window, (gdi::RECT{0, 0, 1000, 800}));
  EXPECT_EQ(g.face, (gdi::SIZE{994, 794}));
  EXPECT_EQ(g.code, BELOW_CENTRE);  // no room above, nor for either end of the anchor
  EXPECT_EQ(g.body, (gdi::RECT{0, 16, 994, 794}));  // below the anchor strip
  EXPECT_EQ(g.content, (gdi::RECT{12, 28, 5012, 426028}));
  EXPECT_TRUE(QRect(0, 0, 1000, 800).contains(g.windowRegion.boundingRect()));
  const TipGeometry sideways =
      LayOutTip({5000, 10}, kBalloonSizes, RIGHT_TOP, {400, 300}, screen, {0, 0}, {1000, 800});
  EXPECT_EQ(sideways.window.Width(), 1000);
  EXPECT_EQ(sideways.body.Width(), 984);
}

// The rectangle a tip keeps to among several monitors, each 1000 x 800.
TEST(TipPlacement, ThePlacementScreenSpansTheMonitorsAndAvoidsPanelsAtOuterEdges) {
  struct Case {
    const char* name;
    std::vector<ScreenArea> screens;
    gdi::POINT at;
    gdi::RECT expected;
  };
  const ScreenArea withBottomPanel{{0, 0, 1000, 800}, {0, 0, 1000, 760}};
  const ScreenArea right{{1000, 0, 2000, 800}, {1000, 0, 2000, 800}};
  const ScreenArea withTopPanel{{0, 0, 1000, 800}, {0, 30, 1000, 800}};
  const ScreenArea below{{0, 800, 1000, 1600}, {0, 800, 1000, 1600}};
  const Case cases[] = {
      {"one", {withBottomPanel}, {500, 400}, {0, 0, 1000, 760}},
      {"left_of_two", {withBottomPanel, right}, {500, 400}, {0, 0, 2000, 760}},
      {"right_of_two", {withBottomPanel, right}, {1500, 400}, {0, 0, 2000, 800}},
      {"upper_of_two", {withTopPanel, below}, {500, 400}, {0, 30, 1000, 1600}},
      {"lower_of_two", {withTopPanel, below}, {500, 1200}, {0, 0, 1000, 1600}},
      {"on_none", {withBottomPanel, right}, {-50, 400}, {0, 0, 2000, 760}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PlacementScreen(c.screens, c.at), c.expected);
  }
  EXPECT_EQ(VirtualScreen({withTopPanel, below, right}), (gdi::RECT{0, 0, 2000, 1600}));
}

TEST(TipRegion, RoundedRectangleCoversItsRectangleLessTheCorners) {
  const QRegion r = RoundRectRegion({10, 20, 110, 60}, 16, 16);
  EXPECT_EQ(r.boundingRect(), QRect(10, 20, 100, 40));
  EXPECT_TRUE(r.contains(QPoint(60, 20)));  // middle of the top edge
  EXPECT_TRUE(r.contains(QPoint(10, 40)));  // middle of the left edge
  EXPECT_TRUE(r.contains(QPoint(109, 59) - QPoint(4, 4)));
  for (const QPoint corner : {QPoint(10, 20), QPoint(109, 20), QPoint(10, 59), QPoint(109, 59)}) {
    EXPECT_FALSE(r.contains(corner)) << corner.x() << "," << corner.y();
  }
  EXPECT_EQ(RoundRectRegion({0, 0, 5, 5}, 0, 0), QRegion(0, 0, 5, 5));
  EXPECT_TRUE(RoundRectRegion({0, 0, 0, 5}, 4, 4).isEmpty());
}

// The balloon with the anchor on each side: the anchor reaches the tip, the strip beside it
// stays outside, the body's corners are rounded off.
TEST(TipRegion, BalloonWithTheAnchorOnEachSide) {
  struct Case {
    int code;
    gdi::POINT tip;
    gdi::SIZE window;
    QPoint nearTip;     // just inside the anchor, a few pixels from its tip
    QPoint stripAway;   // in the anchor strip, away from the anchor
    QPoint bodyCorner;  // the body's corner on the anchor's side
    QRect body;
  };
  const Case cases[] = {
      {0, {16, 0}, {100, 56}, {18, 6}, {60, 6}, {0, 16}, {0, 16, 100, 40}},
      {1, {84, 0}, {100, 56}, {82, 6}, {30, 6}, {99, 16}, {0, 16, 100, 40}},
      {2, {50, 0}, {100, 56}, {50, 5}, {20, 6}, {0, 16}, {0, 16, 100, 40}},
      {16, {16, 56}, {100, 56}, {18, 49}, {60, 49}, {0, 39}, {0, 0, 100, 40}},
      {17, {84, 56}, {100, 56}, {82, 49}, {30, 49}, {99, 39}, {0, 0, 100, 40}},
      {18, {50, 56}, {100, 56}, {50, 50}, {20, 49}, {0, 39}, {0, 0, 100, 40}},
      {32, {0, 16}, {116, 40}, {6, 18}, {6, 35}, {16, 0}, {16, 0, 100, 40}},
      {33, {0, 24}, {116, 40}, {6, 22}, {6, 3}, {16, 39}, {16, 0, 100, 40}},
      {34, {0, 20}, {116, 40}, {5, 20}, {6, 2}, {16, 0}, {16, 0, 100, 40}},
      {48, {116, 16}, {116, 40}, {109, 18}, {109, 35}, {99, 0}, {0, 0, 100, 40}},
      {49, {116, 24}, {116, 40}, {109, 22}, {109, 3}, {99, 39}, {0, 0, 100, 40}},
      {50, {116, 20}, {116, 40}, {110, 20}, {109, 2}, {99, 0}, {0, 0, 100, 40}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "code " << c.code);
    const QRegion balloon = BalloonRegion(c.code, c.tip, c.window, kBalloonSizes);
    EXPECT_TRUE(balloon.contains(c.nearTip));
    EXPECT_FALSE(balloon.contains(c.stripAway));
    EXPECT_FALSE(balloon.contains(c.bodyCorner));
    EXPECT_TRUE(balloon.contains(c.body.center()));
    EXPECT_TRUE(QRect(0, 0, c.window.cx, c.window.cy).contains(balloon.boundingRect()));
    // Without the body, what is left is the anchor alone, inside the strip.
    const QRegion anchor = balloon.subtracted(RoundRectRegion(
        {c.body.left(), c.body.top(), c.body.right() + 1, c.body.bottom() + 1}, 16, 16));
    EXPECT_FALSE(anchor.isEmpty());
    EXPECT_FALSE(anchor.intersects(c.body.adjusted(16, 16, -16, -16)));
  }
}

TEST(TipRegion, WithoutAnAnchorSizeTheBalloonIsTheBodyAlone) {
  tip::SizeTable sizes = kBalloonSizes;
  sizes[SIZE_ANCHOR_WIDTH] = 0;
  EXPECT_EQ(BalloonRegion(0, {16, 0}, {100, 56}, sizes), RoundRectRegion({0, 16, 100, 56}, 16, 16));
  EXPECT_EQ(BalloonRegion(16, {0, 16}, {56, 16}, kPlainSizes), QRegion(0, 0, 56, 16));
}

}  // namespace
