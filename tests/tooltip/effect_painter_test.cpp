// CEffectPainter: backgrounds, styled lines and frames, copies and the colour functions, as
// exact pixels of small images. Expected values are worked out by hand from the
// formulas (the working is in the comments). No GUI application: nothing here reads the
// desktop's colours.

#include <gtest/gtest.h>

#include <QImage>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "platform/crt_rand.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/icon.h"
#include "tooltip/effect_test_util.h"
#include "widgets/tooltip/effect_painter.h"

using namespace gdi;
using namespace effect_test;

namespace {

// ---- PaintBackground --------------------------------------------------------------------------

struct BackgroundCase {
  const char* name;
  DWORD effect;
  COLORREF begin, mid, end;
  BYTE coloring;
  Rows expected;  // 4 x 2, top row first
};

void PrintTo(const BackgroundCase& c, std::ostream* os) { *os << c.name; }

class Background : public testing::TestWithParam<BackgroundCase> {};

// A 4 x 2 rectangle at (1, 1) of a 6 x 4 canvas: the ring around it stays as it was.
TEST_P(Background, PaintsTheRectangleOnly) {
  const BackgroundCase& c = GetParam();
  QImage image = Canvas(6, 4, kMark);
  CDC dc(&image);
  CEffectPainter painter;
  const RECT rect{1, 1, 5, 3};
  platform::CrtSrand(1);  // granularity 0: no noise in the first values after seed 1
  painter.PaintBackground(&dc, c.effect, &rect, {c.begin, c.mid, c.end}, 0, c.coloring);
  EXPECT_EQ(PixelsOf(image, 1, 1, 4, 2), c.expected);
  Rows ring = PixelsOf(image);
  for (int y = 1; y <= 2; ++y) {
    for (int x = 1; x <= 4; ++x) ring[y][x] = kMark;
  }
  EXPECT_EQ(ring, Repeat(std::vector<QRgb>(6, kMark), 4));
}

// Gradients on 4 pixels: band i covers [4i >> 6, 4(i + 1) >> 6), so only bands 15, 31, 47 and
// 63 have a column. Red to blue: red (255 (64 - i)) >> 6 = 195, 131, 67, 3 and blue
// (255 i) >> 6 = 59, 123, 187, 251. On 2 pixels only bands 31 and 63 show; on 1 pixel only 63.
// Textures: begin white, mid grey 128 and end black make the palette the identity (entry n is
// grey n), so the pixels are the bare texture values (granularity 0), top row = memory row 1.
INSTANTIATE_TEST_SUITE_P(
    EveryId, Background,
    testing::Values(
        BackgroundCase{"solid", 0, RGB(10, 20, 30), kGreen, kBlue, 0,
                       Repeat(std::vector<QRgb>(4, Px(10, 20, 30)), 2)},
        BackgroundCase{"id16_is_solid", 16, RGB(10, 20, 30), kGreen, kBlue, 0,
                       Repeat(std::vector<QRgb>(4, Px(10, 20, 30)), 2)},
        BackgroundCase{"minus1_is_solid", static_cast<DWORD>(-1), RGB(10, 20, 30), kGreen, kBlue, 0,
                       Repeat(std::vector<QRgb>(4, Px(10, 20, 30)), 2)},
        BackgroundCase{"id1000_is_solid", 1000, RGB(10, 20, 30), kGreen, kBlue, 0,
                       Repeat(std::vector<QRgb>(4, Px(10, 20, 30)), 2)},
        BackgroundCase{"hgradient", 1, kRed, kGreen, kBlue, 0,
                       Repeat({Px(195, 0, 59), Px(131, 0, 123), Px(67, 0, 187), Px(3, 0, 251)}, 2)},
        BackgroundCase{
            "vgradient",
            2,
            kRed,
            kGreen,
            kBlue,
            0,
            {std::vector<QRgb>(4, Px(131, 0, 123)), std::vector<QRgb>(4, Px(3, 0, 251))}},
        // Halves of 2: red to blue (bands 31, 63), then blue to red.
        BackgroundCase{"hcgradient", 3, kRed, kGreen, kBlue, 0,
                       Repeat({Px(131, 0, 123), Px(3, 0, 251), Px(123, 0, 131), Px(251, 0, 3)}, 2)},
        BackgroundCase{"vcgradient",
                       4,
                       kRed,
                       kGreen,
                       kBlue,
                       0,
                       {std::vector<QRgb>(4, Px(3, 0, 251)), std::vector<QRgb>(4, Px(251, 0, 3))}},
        // Red to green, then green to blue.
        BackgroundCase{"3hgradient", 5, kRed, kGreen, kBlue, 0,
                       Repeat({Px(131, 123, 0), Px(3, 251, 0), Px(0, 131, 123), Px(0, 3, 251)}, 2)},
        BackgroundCase{"3vgradient",
                       6,
                       kRed,
                       kGreen,
                       kBlue,
                       0,
                       {std::vector<QRgb>(4, Px(3, 251, 0)), std::vector<QRgb>(4, Px(0, 3, 251))}},
        BackgroundCase{"noise", 7, kWhite, kGrey128, kBlack, 0,
                       Repeat(Greys({128, 128, 128, 128}), 2)},
        BackgroundCase{"diagshade",
                       8,
                       kWhite,
                       kGrey128,
                       kBlack,
                       0,
                       {Greys({190, 158, 126, 94}), Greys({127, 95, 63, 31})}},
        BackgroundCase{"hshade",
                       9,
                       kWhite,
                       kGrey128,
                       kBlack,
                       0,
                       {Greys({127, 127, 127, 127}), Greys({0, 0, 0, 0})}},
        BackgroundCase{"vshade", 10, kWhite, kGrey128, kBlack, 0,
                       Repeat(Greys({255, 191, 127, 63}), 2)},
        BackgroundCase{"hbump",
                       11,
                       kWhite,
                       kGrey128,
                       kBlack,
                       0,
                       {Greys({128, 128, 128, 128}), Greys({3, 3, 3, 3})}},
        BackgroundCase{"vbump", 12, kWhite, kGrey128, kBlack, 0,
                       Repeat(Greys({0, 144, 128, 112}), 2)},
        BackgroundCase{"softbump",
                       13,
                       kWhite,
                       kGrey128,
                       kBlack,
                       0,
                       {Greys({255, 144, 128, 112}), Greys({131, 19, 3, 0})}},
        // Too narrow for the bevelled ends: the row ramp alone.
        BackgroundCase{"hardbump",
                       14,
                       kWhite,
                       kGrey128,
                       kBlack,
                       0,
                       {Greys({128, 128, 128, 128}), Greys({3, 3, 3, 3})}},
        // Height 2 makes every scratch empty; k = (255 - 40) / 2 = 107.
        BackgroundCase{"metal",
                       15,
                       kWhite,
                       kGrey128,
                       kBlack,
                       0,
                       {Greys({160, 133, 106, 79}), Greys({107, 80, 53, 26})}},
        // The palette itself: entry 128 comes from the second loop, ((127 mid + begin) / 128:
        // red 255 / 128 = 1, green 127 x 255 / 128 = 253; entry 0 is end, entry 127 is
        // (end + 127 mid) / 128 = (0, 253, 1).
        BackgroundCase{"palette_middle", 7, kRed, kGreen, kBlue, 0,
                       Repeat(std::vector<QRgb>(4, Px(1, 253, 0)), 2)},
        BackgroundCase{"palette_ends",
                       9,
                       kRed,
                       kGreen,
                       kBlue,
                       0,
                       {std::vector<QRgb>(4, Px(0, 253, 1)), std::vector<QRgb>(4, Px(0, 0, 255))}},
        // Tinted toward begin: (128 x 50 + 255 x 50) / 100 = 191; 100 % and above: begin.
        BackgroundCase{"coloring50", 7, kWhite, kGrey128, kBlack, 50,
                       Repeat(Greys({191, 191, 191, 191}), 2)},
        BackgroundCase{"coloring100", 8, kRed, kGrey128, kBlack, 100,
                       Repeat(std::vector<QRgb>(4, Px(255, 0, 0)), 2)},
        BackgroundCase{"coloring200", 8, kRed, kGrey128, kBlack, 200,
                       Repeat(std::vector<QRgb>(4, Px(255, 0, 0)), 2)}),
    [](const testing::TestParamInfo<BackgroundCase>& info) {
      return std::string(info.param.name);
    });

struct BandCase {
  const char* name;
  DWORD effect;
  int width;
  std::vector<int> greys;  // one row, black toward white
};

void PrintTo(const BandCase& c, std::ostream* os) { *os << c.name; }

class GradientBands : public testing::TestWithParam<BandCase> {};

TEST_P(GradientBands, EmptyBandsAreSkippedAndTheLastIsNearTheEnd) {
  const BandCase& c = GetParam();
  QImage image = Canvas(c.width + 2, 1, kMark);
  CDC dc(&image);
  CEffectPainter painter;
  const RECT rect{1, 0, 1 + c.width, 1};
  painter.PaintBackground(&dc, c.effect, &rect, {kBlack, kGrey128, kWhite}, 5, 0);
  std::vector<QRgb> expected{kMark};
  for (QRgb v : Greys(c.greys)) expected.push_back(v);
  expected.push_back(kMark);
  EXPECT_EQ(PixelsOf(image)[0], expected);
}

// Column c shows band i = ceil(64 (c + 1) / width) - 1, of grey (255 i) >> 6.
// Width 10: bands 6, 12, 19, 25, 31, 38, 44, 51, 57, 63.
// "hcgradient" on 5: halves of 2 (bands 31, 63 up) and 3 (bands 21, 42, 63 back down:
// (255 (64 - i)) >> 6 = 171, 87, 3).
INSTANTIATE_TEST_SUITE_P(
    Widths, GradientBands,
    testing::Values(BandCase{"one", 1, 1, {251}},
                    BandCase{"ten", 1, 10, {23, 47, 75, 99, 123, 151, 175, 203, 227, 251}},
                    BandCase{"hcgradient_odd", 3, 5, {123, 251, 171, 87, 3}},
                    BandCase{"hcgradient_one", 3, 1, {3}},  // the first half is empty
                    BandCase{"empty", 1, 0, {}}),
    [](const testing::TestParamInfo<BandCase>& info) { return std::string(info.param.name); });

TEST(GradientBands, SixtyFourColumnsShowEveryBand) {
  QImage image = Canvas(64, 1, kMark);
  CDC dc(&image);
  CEffectPainter painter;
  const RECT rect{0, 0, 64, 1};
  painter.PaintBackground(&dc, 1, &rect, {kBlack, kBlack, kWhite}, 0, 0);
  for (int i = 0; i < 64; ++i) {
    const int v = (255 * i) >> 6;
    EXPECT_EQ(image.pixel(i, 0) & 0xFFFFFF, Px(v, v, v)) << i;
  }
}

TEST(Background, TexturesKeepTheirImageAndNullArgumentsPaintNothing) {
  QImage image = Canvas(6, 4, kMark);
  CDC dc(&image);
  CEffectPainter painter;
  EXPECT_EQ(painter.EffectImage().PixelData(), nullptr);
  const RECT rect{1, 1, 5, 3};
  painter.PaintBackground(&dc, CEffectPainter::EFFECT_VSHADE, &rect, {kWhite, kGrey128, kBlack}, 0,
                          0);
  EXPECT_EQ(painter.EffectImage().GetWidth(), 4u);
  EXPECT_EQ(painter.EffectImage().GetHeight(), 2u);
  EXPECT_EQ(painter.EffectImage().GetBitCount(), 8);

  QImage untouched = Canvas(6, 4, kMark);
  CDC other(&untouched);
  painter.PaintBackground(&other, 0, nullptr, {kRed, kRed, kRed}, 0, 0);
  painter.PaintBackground(nullptr, 0, &rect, {kRed, kRed, kRed}, 0, 0);
  const RECT empty{3, 3, 3, 3};
  const RECT inverted{5, 3, 1, 1};
  painter.PaintBackground(&other, CEffectPainter::EFFECT_METAL, &empty, {kRed, kRed, kRed}, 0, 0);
  painter.PaintBackground(&other, CEffectPainter::EFFECT_METAL, &inverted, {kRed, kRed, kRed}, 0,
                          0);
  painter.PaintBackground(&other, CEffectPainter::EFFECT_HGRADIENT, &inverted, {kRed, kRed, kRed},
                          0, 0);
  EXPECT_EQ(PixelsOf(untouched), Repeat(std::vector<QRgb>(6, kMark), 4));
}

// ---- Lines and frames -------------------------------------------------------------------------

struct LineCase {
  const char* name;
  int width, height;  // of the canvas
  int x1, y1, x2, y2, style, penWidth;
  std::vector<std::string> picture;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class StyledLine : public testing::TestWithParam<LineCase> {};

TEST_P(StyledLine, DrawsThePatternInTheColour) {
  const LineCase& c = GetParam();
  QImage image = Canvas(c.width, c.height, Px(255, 255, 255));
  CDC dc(&image);
  CEffectPainter painter;
  painter.DrawStyledLine(&dc, {c.x1, c.y1}, {c.x2, c.y2}, RGB(0, 0, 255), c.style, c.penWidth);
  EXPECT_EQ(Picture(image, {{Px(255, 255, 255), '.'}, {Px(0, 0, 255), '#'}}), c.picture);
}

const std::string kEmpty32(32, '.');

// One pixel wide: GDI's cosmetic patterns, the end point left out. Wider: squares of the
// width on every point, end included, the geometric patterns times the width.
INSTANTIATE_TEST_SUITE_P(
    Styles, StyledLine,
    testing::Values(LineCase{"none", 32, 3, 0, 1, 30, 1, 0, 1, {kEmpty32, kEmpty32, kEmpty32}},
                    LineCase{"width0", 32, 3, 0, 1, 30, 1, 1, 0, {kEmpty32, kEmpty32, kEmpty32}},
                    LineCase{"solid",
                             32,
                             3,
                             0,
                             1,
                             30,
                             1,
                             1,
                             1,
                             {kEmpty32, "##############################..", kEmpty32}},
                    LineCase{"dash",
                             32,
                             3,
                             0,
                             1,
                             30,
                             1,
                             2,
                             1,
                             {kEmpty32, "##################......######..", kEmpty32}},
                    LineCase{"dot",
                             32,
                             3,
                             0,
                             1,
                             30,
                             1,
                             3,
                             1,
                             {kEmpty32, "###...###...###...###...###.....", kEmpty32}},
                    LineCase{"dashdot",
                             32,
                             3,
                             0,
                             1,
                             30,
                             1,
                             4,
                             1,
                             {kEmpty32, "#########......###......######..", kEmpty32}},
                    LineCase{"dashdotdot",
                             32,
                             3,
                             0,
                             1,
                             30,
                             1,
                             5,
                             1,
                             {kEmpty32, "#########...###...###...######..", kEmpty32}},
                    LineCase{"unknown_is_solid",
                             32,
                             3,
                             0,
                             1,
                             30,
                             1,
                             7,
                             1,
                             {kEmpty32, "##############################..", kEmpty32}},
                    LineCase{"negative_is_solid",
                             32,
                             3,
                             0,
                             1,
                             30,
                             1,
                             -1,
                             1,
                             {kEmpty32, "##############################..", kEmpty32}},
                    // The twin of a horizontal line 2 x width lower, of a vertical one to the
                    // right, of a slanted one both.
                    LineCase{"double_horizontal",
                             8,
                             5,
                             0,
                             1,
                             6,
                             1,
                             6,
                             1,
                             {"........", "######..", "........", "######..", "........"}},
                    LineCase{"double_vertical",
                             5,
                             5,
                             1,
                             0,
                             1,
                             4,
                             6,
                             1,
                             {".#.#.", ".#.#.", ".#.#.", ".#.#.", "....."}},
                    LineCase{"double_slanted",
                             5,
                             5,
                             0,
                             0,
                             2,
                             2,
                             6,
                             1,
                             {"#....", ".#...", "..#..", "...#.", "....."}},
                    LineCase{"double_width2",
                             8,
                             7,
                             1,
                             1,
                             5,
                             1,
                             6,
                             2,
                             {"######..", "######..", "........", "........", "######..",
                              "######..", "........"}},
                    LineCase{"width2",
                             9,
                             5,
                             2,
                             2,
                             6,
                             2,
                             1,
                             2,
                             {".........", ".######..", ".######..", ".........", "........."}},
                    // Dash 3 on 1 off times 2: points 1..6 on, 7..8 off, 9..12 on.
                    LineCase{"dash_width2",
                             15,
                             4,
                             1,
                             2,
                             12,
                             2,
                             2,
                             2,
                             {"...............", "#######.#####..", "#######.#####..",
                              "..............."}},
                    // Dot 1 on 1 off times 3: points 1..3, 7..9 and 13.
                    LineCase{"dot_width3",
                             16,
                             3,
                             1,
                             1,
                             13,
                             1,
                             3,
                             3,
                             {"#####.#####.###.", "#####.#####.###.", "#####.#####.###."}}),
    [](const testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

struct FrameCase {
  const char* name;
  int size;  // of the square canvas
  RECT rect;
  int style, width;
  COLORREF bottomRight;
  std::vector<std::string> picture;
};

void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.name; }

class StyledFrame : public testing::TestWithParam<FrameCase> {};

TEST_P(StyledFrame, TopLeftThenBottomRight) {
  const FrameCase& c = GetParam();
  for (bool rectForm : {true, false}) {
    QImage image = Canvas(c.size, c.size, Px(255, 255, 255));
    CDC dc(&image);
    CEffectPainter painter;
    if (rectForm) {
      painter.DrawStyledFrame(&dc, &c.rect, kRed, c.bottomRight, c.style, c.width);
    } else {
      painter.DrawStyledFrame(&dc, c.rect.left, c.rect.top, c.rect.right, c.rect.bottom, kRed,
                              c.bottomRight, c.style, c.width);
    }
    EXPECT_EQ(
        Picture(image, {{Px(255, 255, 255), '.'}, {Px(255, 0, 0), 'T'}, {Px(0, 0, 255), 'B'}}),
        c.picture)
        << (rectForm ? "RECT form" : "coordinate form");
  }
}

// Width 1: lines (1,7)-(1,1)-(7,1) and (7,1)-(7,7)-(1,7), each without its end point. The
// double frame adds the same 2 pixels inside. Width 3: centre lines 1 pixel in, 3 x 3 squares.
INSTANTIATE_TEST_SUITE_P(
    Frames, StyledFrame,
    testing::Values(
        FrameCase{"solid",
                  9,
                  {1, 1, 7, 7},
                  1,
                  1,
                  kBlue,
                  {".........", ".TTTTTTB.", ".T.....B.", ".T.....B.", ".T.....B.", ".T.....B.",
                   ".T.....B.", ".TBBBBBB.", "........."}},
        FrameCase{"double_width1",
                  9,
                  {1, 1, 7, 7},
                  6,
                  1,
                  kBlue,
                  {".........", ".TTTTTTB.", ".T.....B.", ".T.TTB.B.", ".T.T.B.B.", ".T.TBB.B.",
                   ".T.....B.", ".TBBBBBB.", "........."}},
        FrameCase{"one_colour",
                  9,
                  {1, 1, 7, 7},
                  1,
                  1,
                  kRed,
                  {".........", ".TTTTTTT.", ".T.....T.", ".T.....T.", ".T.....T.", ".T.....T.",
                   ".T.....T.", ".TTTTTTT.", "........."}},
        FrameCase{"width3",
                  11,
                  {0, 0, 9, 9},
                  1,
                  3,
                  kBlue,
                  {"TTTTTTTBBB.", "TTTTTTTBBB.", "TTTTTTTBBB.", "TTT....BBB.", "TTT....BBB.",
                   "TTT....BBB.", "TTT....BBB.", "BBBBBBBBBB.", "BBBBBBBBBB.", "BBBBBBBBBB.",
                   "..........."}},
        FrameCase{"none", 4, {0, 0, 3, 3}, 0, 1, kBlue, {"....", "....", "....", "...."}},
        FrameCase{"width0", 4, {0, 0, 3, 3}, 1, 0, kBlue, {"....", "....", "....", "...."}}),
    [](const testing::TestParamInfo<FrameCase>& info) { return std::string(info.param.name); });

TEST(StyledLine, RestoresTheCallersPen) {
  QImage image = Canvas(8, 3, Px(255, 255, 255));
  CDC dc(&image);
  CPen* none = nullptr;
  CEffectPainter painter;
  painter.DrawStyledLine(&dc, {0, 0}, {5, 0}, kRed, 6, 1);
  painter.DrawStyledFrame(&dc, 0, 0, 5, 2, kRed, kBlue, 6, 1);
  EXPECT_EQ(dc.SelectObject(none), nullptr);
}

// ---- TileCopy, BlendCopy, AlphaCopy -----------------------------------------------------------

TEST(TileCopy, RepeatsTheBlockAndCutsTheLastTiles) {
  const QRgb a = Px(1, 0, 0), b = Px(2, 0, 0), c = Px(3, 0, 0), d = Px(4, 0, 0), e = Px(5, 0, 0);
  QImage source = ImageOf({{e, e, e}, {e, a, b}, {e, c, d}});
  CDC src(&source);
  const std::vector<std::pair<QRgb, char>> key{
      {Px(255, 255, 255), '.'}, {a, 'a'}, {b, 'b'}, {c, 'c'}, {d, 'd'}, {e, 'e'}};
  struct Case {
    int tileWidth, tileHeight;
    std::vector<std::string> picture;
  } cases[] = {
      {2, 2, {".ababa.", ".cdcdc.", ".ababa.", "......."}},
      {1, 2, {".aaaaa.", ".ccccc.", ".aaaaa.", "......."}},
      {9, 9, {".ab....", ".cd....", ".......", "......."}},  // the source ends at (3, 3)
      {0, 2, {".......", ".......", ".......", "......."}},  // an empty tile: nothing
      {2, -1, {".......", ".......", ".......", "......."}},
  };
  for (const Case& k : cases) {
    QImage image = Canvas(7, 4, Px(255, 255, 255));
    CDC dc(&image);
    CEffectPainter painter;
    painter.TileCopy(&dc, {1, 0, 5, 3}, &src, 1, 1, k.tileWidth, k.tileHeight);
    EXPECT_EQ(Picture(image, key), k.picture) << k.tileWidth << " x " << k.tileHeight;
  }
}

TEST(BlendCopy, FullOpacityCopiesExactlyAndHalfMixes) {
  const QImage source = ImageOf({{Px(200, 100, 51), Px(0, 0, 0), Px(255, 255, 255)}});
  const Rows destination{{Px(100, 0, 255), Px(10, 20, 30), Px(1, 2, 3)}};
  struct Case {
    int opacity;
    Rows expected;
  } cases[] = {
      {100, PixelsOf(source)},
      {150, PixelsOf(source)},
      // 0.5 x 200 + 0.5 x 100 = 150, 0.5 x 51 + 0.5 x 255 = 153; 0.5 x 255 + 0.5 x 1 = 128.
      {50, {{Px(150, 50, 153), Px(5, 10, 15), Px(128, 128, 129)}}},
      {0, destination},
      {-20, destination},
  };
  for (const Case& c : cases) {
    QImage image = ImageOf(destination);
    CDC dc(&image);
    QImage sourceImage = source;
    CDC src(&sourceImage);
    CEffectPainter painter;
    painter.BlendCopy(&dc, {0, 0, 3, 1}, &src, 0, 0, c.opacity);
    EXPECT_EQ(PixelsOf(image), c.expected) << c.opacity;
    EXPECT_EQ(PixelsOf(image, 0xFF000000)[0][0], 0xFF000000u) << "an opaque image stays opaque";
  }
}

TEST(BlendCopy, OffsetsInBothDCs) {
  QImage source = ImageOf({{Px(0, 0, 0), Px(200, 0, 0)}, {Px(0, 0, 0), Px(0, 200, 0)}});
  CDC src(&source);
  QImage image = Canvas(3, 2, Px(0, 0, 100));
  CDC dc(&image);
  CEffectPainter painter;
  painter.BlendCopy(&dc, {2, 0, 1, 2}, &src, 1, 0, 50);
  EXPECT_EQ(PixelsOf(image), (Rows{{Px(0, 0, 100), Px(0, 0, 100), Px(100, 0, 50)},
                                   {Px(0, 0, 100), Px(0, 0, 100), Px(0, 100, 50)}}));
}

TEST(AlphaCopy, WeighsEachPixelByItsAlpha) {
  // 51 / 255 = 0.2: 0.2 x 250 = 50 and 0.8 x 250 = 200.
  QImage source = ImageOf({{0xFFC86432, 0x00C86432, 0x33FA0000}}, QImage::Format_ARGB32);
  CDC src(&source);
  QImage image = Canvas(3, 1, Px(0, 0, 250));
  CDC dc(&image);
  CEffectPainter painter;
  painter.AlphaCopy(&dc, {0, 0, 3, 1}, &src, 0, 0);
  EXPECT_EQ(PixelsOf(image), (Rows{{Px(200, 100, 50), Px(0, 0, 250), Px(50, 0, 200)}}));
}

// ---- Colour functions -------------------------------------------------------------------------

TEST(ColorFunctions, ChannelsTruncatedAndAlphaDropped) {
  using P = CEffectPainter;
  // 0.5 x 0xC8 + 0.5 x 0x64 = 0x96, 0.5 x 0x33 + 0.5 x 0xFF = 153 = 0x99.
  EXPECT_EQ(P::MixColors(0xFFC86433, 0.5, 0x006400FF, 0.5), 0x00963299u);
  EXPECT_EQ(P::MixColors(0xFFC86433, 1, 0x006400FF, 0), 0x00C86433u);
  // 1.25 x (200, 100, 50) = (250, 125, 62.5).
  EXPECT_EQ(P::BrightenColor(0x00C86432, 0.25), 0x00FA7D3Eu);
  EXPECT_EQ(P::BrightenColor(0x00C86432, 1), 0x00FFC864u);  // 400 is kept to 255
  EXPECT_EQ(P::BrightenColor(0x00C86432, 0), 0x00C86432u);  // unchanged outside (0, 1]
  EXPECT_EQ(P::BrightenColor(0x00C86432, 1.5), 0x00C86432u);
  EXPECT_EQ(P::BrightenColor(0x00C86432, -0.5), 0x00C86432u);
  // 0.75 x (200, 100, 50) = (150, 75, 37.5).
  EXPECT_EQ(P::ScaleColor(0x00C86432, 0.75), 0x00964B25u);
  EXPECT_EQ(P::ScaleColor(0x00C86432, 0), 0u);
  EXPECT_EQ(P::ScaleColor(0x00C86432, 0.999), 0x00C76331u);  // 199.8, 99.9, 49.95
  EXPECT_EQ(P::ScaleColor(0x00C86432, 1), 0x00C86432u);      // unchanged outside [0, 1)
  EXPECT_EQ(P::ScaleColor(0x00C86432, -0.1), 0x00C86432u);
  EXPECT_EQ(P::InvertColor(0xFFC86432), 0x00379BCDu);
  // A DIB pixel: red 200, green 100, blue 50: 59.8 + 58.7 + 5.7 = 124.2.
  EXPECT_EQ(P::GrayColor(0x00C86432), 0x007C7C7Cu);
  EXPECT_EQ(P::GrayColor(0x00FFFFFF), 0x00FFFFFFu);
  EXPECT_EQ(P::GrayColor(0x000000FF), 0x001D1D1Du);  // blue alone: 29.07
  EXPECT_EQ(P::GrayColor(0x00FF0000), 0x004C4C4Cu);  // red alone: 76.245
}

}  // namespace
