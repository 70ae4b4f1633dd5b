// CEffectPainter: backgrounds, styled lines and frames, copies, image effects and drop
// shadows, as exact pixels of small images. Expected values are worked out by hand from the
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

constexpr QRgb kMark = Px(0x12, 0x34, 0x56);  // the canvas around the painted area

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey128 = RGB(128, 128, 128);

Rows Repeat(std::vector<QRgb> row, int times) { return Rows(times, row); }

std::vector<QRgb> Greys(std::vector<int> values) {
  std::vector<QRgb> row;
  for (int v : values) row.push_back(Px(v, v, v));
  return row;
}

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

// ---- MakeEffectBitmap -------------------------------------------------------------------------

constexpr QRgb kP = Px(200, 100, 50);
constexpr QRgb kMagenta = Px(255, 0, 255);
constexpr QRgb kK = Px(0, 0, 0);
constexpr QRgb kW = Px(255, 255, 255);

struct EffectCase {
  const char* name;
  DWORD flags;
  BOOL useMask;
  COLORREF replace;
  std::vector<QRgb> expected;  // for P, magenta (the mask colour), black, white
};

void PrintTo(const EffectCase& c, std::ostream* os) { *os << c.name; }

class EffectBits : public testing::TestWithParam<EffectCase> {};

TEST_P(EffectBits, AppliedInOrderToUnmaskedPixels) {
  const EffectCase& c = GetParam();
  const CBitmap bitmap(ImageOf({{kP, kMagenta, kK, kW}}));
  CEffectPainter painter;
  const std::unique_ptr<CBitmap> out =
      painter.MakeEffectBitmap(&bitmap, 4, 1, c.flags, c.useMask, RGB(255, 0, 255), c.replace);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(SectionPixels(*out), Rows{c.expected});  // alpha bytes 0
  EXPECT_FALSE(painter.ImageHasAlpha());
}

// Grey of P: 124.2; darker 0.75, lighter 1.25, each channel truncated. Masked pixels become 0
// and only the invert bit reaches them.
INSTANTIATE_TEST_SUITE_P(
    Bits, EffectBits,
    testing::Values(
        EffectCase{"none", 0, TRUE, RGB(1, 2, 3), {kP, 0, kK, kW}},
        EffectCase{"no_mask", 0, FALSE, RGB(1, 2, 3), {kP, kMagenta, kK, kW}},
        EffectCase{"grey", 0x0001, TRUE, RGB(1, 2, 3), {Px(124, 124, 124), 0, kK, kW}},
        EffectCase{
            "darker", 0x0002, TRUE, RGB(1, 2, 3), {Px(150, 75, 37), 0, kK, Px(191, 191, 191)}},
        EffectCase{"lighter", 0x0004, TRUE, RGB(1, 2, 3), {Px(250, 125, 62), 0, kK, kW}},
        EffectCase{
            "silhouette", 0x0008, TRUE, RGB(1, 2, 3), {Px(1, 2, 3), 0, Px(1, 2, 3), Px(1, 2, 3)}},
        EffectCase{"invert", 0x8000, TRUE, RGB(1, 2, 3), {Px(55, 155, 205), kW, kW, kK}},
        EffectCase{"invert_unmasked",
                   0x8000,
                   FALSE,
                   RGB(1, 2, 3),
                   {Px(55, 155, 205), Px(0, 255, 0), kW, kK}},
        // The shadow bits do nothing here.
        EffectCase{"shadow_bits", 0x0300, TRUE, RGB(1, 2, 3), {kP, 0, kK, kW}},
        // Grey first: 124 x 0.75 = 93, 255 x 0.75 = 191.
        EffectCase{
            "grey_darker", 0x0003, TRUE, RGB(1, 2, 3), {Px(93, 93, 93), 0, kK, Px(191, 191, 191)}},
        EffectCase{"grey_lighter", 0x0005, TRUE, RGB(1, 2, 3), {Px(155, 155, 155), 0, kK, kW}},
        // Darker, then lighter: (150, 75, 37) x 1.25 = (187.5, 93.75, 46.25); 191 -> 238.
        EffectCase{"darker_lighter",
                   0x0006,
                   TRUE,
                   RGB(1, 2, 3),
                   {Px(187, 93, 46), 0, kK, Px(238, 238, 238)}},
        // Darker, then inverted (inverting first would give (41, 116, 153)).
        EffectCase{"darker_invert",
                   0x8002,
                   TRUE,
                   RGB(1, 2, 3),
                   {Px(105, 180, 218), kW, kW, Px(64, 64, 64)}},
        // The silhouette replaces whatever came before it; invert comes after it.
        EffectCase{"all",
                   0x800F,
                   TRUE,
                   RGB(1, 2, 3),
                   {Px(254, 253, 252), kW, Px(254, 253, 252), Px(254, 253, 252)}},
        // The mask image of DrawBitmapWithEffects: opaque black, masked white.
        EffectCase{"mask_image", 0x8008, TRUE, RGB(255, 255, 255), {kK, kW, kK, kK}},
        // Its shadow image: opaque in the colour, masked white.
        EffectCase{"shadow_image",
                   0x8008,
                   TRUE,
                   RGB(254, 253, 252),
                   {Px(1, 2, 3), kW, Px(1, 2, 3), Px(1, 2, 3)}}),
    [](const testing::TestParamInfo<EffectCase>& info) { return std::string(info.param.name); });

TEST(MakeEffectBitmap, KeepsAlphaBytesAndSetsTheFlag) {
  // Transparent black is the mask colour (alpha 0); opaque black is not.
  const CBitmap argb(ImageOf({{0x00000000, 0x800A141E, 0xFF000000}}, QImage::Format_ARGB32));
  CEffectPainter painter;
  std::unique_ptr<CBitmap> out = painter.MakeEffectBitmap(&argb, 3, 1, 0, TRUE, kBlack, kWhite);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(SectionPixels(*out), (Rows{{0x00000000, 0x800A141E, 0xFF000000}}));
  EXPECT_TRUE(painter.ImageHasAlpha());
  out = painter.MakeEffectBitmap(&argb, 3, 1, 0x8000, TRUE, kBlack, kWhite);
  EXPECT_EQ(SectionPixels(*out), (Rows{{0x00FFFFFF, 0x80F5EBE1, 0xFFFFFFFF}}));

  // An opaque image reads as alpha 0, and the flag, once set, stays until a draw clears it.
  const CBitmap opaque(ImageOf({{kP}}));
  out = painter.MakeEffectBitmap(&opaque, 1, 1, 0, FALSE, kBlack, kWhite);
  EXPECT_EQ(SectionPixels(*out), (Rows{{kP}}));
  EXPECT_TRUE(painter.ImageHasAlpha());
  CEffectPainter fresh;
  fresh.MakeEffectBitmap(&opaque, 1, 1, 0, FALSE, kBlack, kWhite);
  EXPECT_FALSE(fresh.ImageHasAlpha());

  // Larger than the bitmap: the rest of the section is black (0), then the effects.
  out = fresh.MakeEffectBitmap(&opaque, 2, 1, 0x8000, FALSE, kBlack, kWhite);
  EXPECT_EQ(SectionPixels(*out), (Rows{{Px(55, 155, 205), kW}}));
  EXPECT_EQ(fresh.MakeEffectBitmap(nullptr, 2, 1, 0, FALSE, kBlack, kWhite), nullptr);
  EXPECT_EQ(fresh.MakeEffectBitmap(&opaque, 0, 1, 0, FALSE, kBlack, kWhite), nullptr);
}

TEST(MakeEffectBitmap, AOneBitMaskReadsBlackAndWhite) {
  QImage mask(2, 1, QImage::Format_Mono);
  mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  mask.setPixel(0, 0, 0);
  mask.setPixel(1, 0, 1);
  const CBitmap bitmap(mask);
  CEffectPainter painter;
  const std::unique_ptr<CBitmap> out =
      painter.MakeEffectBitmap(&bitmap, 2, 1, 0x0008, TRUE, kWhite, RGB(1, 2, 3));
  EXPECT_EQ(SectionPixels(*out), (Rows{{Px(1, 2, 3), 0}}));
}

// ---- Sizes ------------------------------------------------------------------------------------

TEST(Sizes, BitmapsAndIconsAndTheirFailures) {
  CEffectPainter painter;
  SIZE size{9, 9};
  painter.GetBitmapSize(nullptr, size);
  EXPECT_EQ(size, (SIZE{0, 0}));
  const CBitmap bitmap(QImage(7, 3, QImage::Format_RGB32));
  painter.GetBitmapSize(&bitmap, size);
  EXPECT_EQ(size, (SIZE{7, 3}));
  const CBitmap empty{QImage()};
  size = {9, 9};
  painter.GetBitmapSize(&empty, size);
  EXPECT_EQ(size, (SIZE{0, 0}));
  void* bits = nullptr;
  const std::unique_ptr<CBitmap> section = CBitmap::CreateDIBSection32(5, 4, &bits);
  painter.GetBitmapSize(section.get(), size);
  EXPECT_EQ(size, (SIZE{5, 4}));

  // Twice the hotspot: an odd icon reads one pixel smaller.
  const HICON icon = IconOf(Canvas(7, 8, 0), Canvas(7, 8, 0));
  painter.GetIconSize(icon, size);
  EXPECT_EQ(size, (SIZE{6, 8}));
  DestroyIcon(icon);
  size = {9, 9};
  painter.GetIconSize(icon, size);
  EXPECT_EQ(size, (SIZE{0, 0}));
  size = {9, 9};
  painter.GetIconSize(NULL_ICON, size);
  EXPECT_EQ(size, (SIZE{0, 0}));
}

// ---- DrawBitmapWithEffects --------------------------------------------------------------------

constexpr QRgb kG = Px(0, 255, 0);
constexpr QRgb kR = Px(255, 0, 0);
constexpr QRgb kB = Px(0, 0, 255);
constexpr QRgb kC = Px(0, 255, 255);
constexpr QRgb kY = Px(255, 255, 0);

const std::vector<std::pair<QRgb, char>> kKey{{kG, '.'}, {kR, 'R'},       {kB, 'B'},
                                              {kC, 'C'}, {kY, 'Y'},       {kW, 'W'},
                                              {kK, 'K'}, {kMagenta, 'M'}, {Px(1, 2, 3), 's'}};

struct BitmapCase {
  const char* name;
  int width, height;  // drawn size
  BOOL useMask;
  DWORD flags;
  BOOL shadow;
  std::vector<std::string> picture;  // 8 x 4 green canvas, drawn at (1, 1)
};

void PrintTo(const BitmapCase& c, std::ostream* os) { *os << c.name; }

class BitmapEffects : public testing::TestWithParam<BitmapCase> {};

TEST_P(BitmapEffects, DrawsThroughTheMask) {
  const BitmapCase& c = GetParam();
  CBitmap bitmap(ImageOf({{kR, kMagenta, kB}}));
  QImage image = Canvas(8, 4, kG);
  CDC dc(&image);
  CEffectPainter painter;
  painter.DrawBitmapWithEffects(&dc, {1, 1, c.width, c.height}, &bitmap,
                                {c.useMask, RGB(255, 0, 255)},
                                {c.flags, c.shadow, {1, 1, 3, 3}, RGB(1, 2, 3)});
  EXPECT_EQ(Picture(image, kKey), c.picture);
  EXPECT_FALSE(painter.ImageHasAlpha());
}

// Scaled 3 -> 6: each target column takes the source column under its centre, (2c + 1) 3 / 12.
INSTANTIATE_TEST_SUITE_P(
    Paths, BitmapEffects,
    testing::Values(
        BitmapCase{
            "masked", 3, 1, TRUE, 0, FALSE, {"........", ".R.B....", "........", "........"}},
        BitmapCase{
            "unmasked", 3, 1, FALSE, 0, FALSE, {"........", ".RMB....", "........", "........"}},
        // Inverting reaches the masked pixel too: it comes out white.
        BitmapCase{"inverted",
                   3,
                   1,
                   TRUE,
                   0x8000,
                   FALSE,
                   {"........", ".CWY....", "........", "........"}},
        BitmapCase{"silhouette",
                   3,
                   1,
                   TRUE,
                   0x0008,
                   FALSE,
                   {"........", ".s.s....", "........", "........"}},
        BitmapCase{
            "scaled", 6, 2, TRUE, 0, FALSE, {"........", ".RR..BB.", ".RR..BB.", "........"}},
        // A shadow asked for without a shadow bit: no shadow, the image moved by the offset.
        BitmapCase{"shadow_without_bit",
                   3,
                   1,
                   TRUE,
                   0,
                   TRUE,
                   {"........", "........", "..R.B...", "........"}},
        // Shadow bits without the shadow argument: nothing but the image.
        BitmapCase{"bits_without_shadow",
                   3,
                   1,
                   TRUE,
                   0x0300,
                   FALSE,
                   {"........", ".R.B....", "........", "........"}}),
    [](const testing::TestParamInfo<BitmapCase>& info) { return std::string(info.param.name); });

TEST(BitmapEffects, HardShadowInTheColourUnderTheImage) {
  // Opaque pixels of the shadow image take the colour (black here), whose blue byte 0 is the
  // factor: black under every opaque pixel, one pixel down and right; the masked pixel casts
  // nothing. The image is drawn over it at (1, 1).
  CBitmap bitmap(ImageOf({{kR, kMagenta}, {kB, kB}}));
  QImage image = Canvas(5, 4, kW);
  CDC dc(&image);
  CEffectPainter painter;
  painter.DrawBitmapWithEffects(&dc, {1, 1, 2, 2}, &bitmap, {TRUE, RGB(255, 0, 255)},
                                {0x0100, TRUE, {1, 1, 0, 0}, kBlack});
  EXPECT_EQ(Picture(image, {{kW, '.'}, {kR, 'R'}, {kB, 'B'}, {kK, 'K'}}),
            (std::vector<std::string>{".....",  //
                                      ".R...",  //
                                      ".BB..",  //
                                      "..KK."}));
}

TEST(BitmapEffects, AnyAlphaMeansPerPixelBlending) {
  // With alpha: the transparent pixel shows the canvas, the mask is not needed. Without: the
  // same colours are drawn as they are.
  CBitmap alpha(ImageOf({{0xFFFF0000, 0x000000FF, 0x33FA0000}}, QImage::Format_ARGB32));
  QImage image = Canvas(3, 1, Px(0, 0, 250));
  CDC dc(&image);
  CEffectPainter painter;
  painter.DrawBitmapWithEffects(&dc, {0, 0, 3, 1}, &alpha, {FALSE, kBlack},
                                {0, FALSE, {0, 0, 0, 0}, kBlack});
  EXPECT_TRUE(painter.ImageHasAlpha());
  EXPECT_EQ(PixelsOf(image), (Rows{{kR, Px(0, 0, 250), Px(50, 0, 200)}}));

  CBitmap opaque(ImageOf({{kR, kB, Px(250, 0, 0)}}));
  QImage other = Canvas(3, 1, Px(0, 0, 250));
  CDC otherDC(&other);
  painter.DrawBitmapWithEffects(&otherDC, {0, 0, 3, 1}, &opaque, {FALSE, kBlack},
                                {0, FALSE, {0, 0, 0, 0}, kBlack});
  EXPECT_FALSE(painter.ImageHasAlpha());  // cleared by each draw
  EXPECT_EQ(PixelsOf(other), (Rows{{kR, kB, Px(250, 0, 0)}}));
}

TEST(BitmapEffects, NothingForNullArguments) {
  QImage image = Canvas(3, 1, kG);
  CDC dc(&image);
  CBitmap bitmap(ImageOf({{kR}}));
  CEffectPainter painter;
  painter.DrawBitmapWithEffects(&dc, {0, 0, 1, 1}, nullptr, {FALSE, kBlack},
                                {0, FALSE, {0, 0, 0, 0}, 0});
  painter.DrawBitmapWithEffects(nullptr, {0, 0, 1, 1}, &bitmap, {FALSE, kBlack},
                                {0, FALSE, {0, 0, 0, 0}, 0});
  painter.DrawBitmapWithEffects(&dc, {0, 0, 0, 1}, &bitmap, {FALSE, kBlack},
                                {0, FALSE, {0, 0, 0, 0}, 0});
  EXPECT_EQ(PixelsOf(image), (Rows{{kG, kG, kG}}));
}

// ---- DrawStripImage ---------------------------------------------------------------------------

TEST(StripImage, CellsAlongTheRowsAndNothingPastTheLast) {
  const QRgb a = Px(1, 0, 0), b = Px(2, 0, 0), c = Px(3, 0, 0), d = Px(4, 0, 0);
  CBitmap strip(ImageOf({{a, a, b, b}, {c, c, d, d}}));  // 2 x 2 cells of 2 x 1
  struct Case {
    int index, itemWidth, itemHeight;
    std::vector<QRgb> row;  // row 1 of a 4 x 3 canvas; drawn at (1, 1)
  } cases[] = {
      {0, 2, 1, {kW, a, a, kW}},
      {1, 2, 1, {kW, b, b, kW}},
      {2, 2, 1, {kW, c, c, kW}},
      {3, 2, 1, {kW, d, d, kW}},
      {4, 2, 1, {kW, kW, kW, kW}},  // the number of cells
      {-1, 2, 1, {kW, kW, kW, kW}},
      {0, 0, 1, {kW, kW, kW, kW}},  // no cell size
      {0, 2, 0, {kW, kW, kW, kW}},
      {0, 5, 1, {kW, kW, kW, kW}},  // cells wider than the strip: no
                                    // column
      {0, 2, 3, {kW, kW, kW, kW}},
  };
  for (const Case& k : cases) {
    QImage image = Canvas(4, 3, kW);
    CDC dc(&image);
    CEffectPainter painter;
    painter.DrawStripImage(&dc, {1, 1, 2, 1}, &strip, k.index, {k.itemWidth, k.itemHeight},
                           {FALSE, kBlack}, {0, FALSE, {0, 0, 0, 0}, kBlack});
    EXPECT_EQ(PixelsOf(image)[1], k.row)
        << "index " << k.index << ", cell " << k.itemWidth << " x " << k.itemHeight;
    EXPECT_EQ(PixelsOf(image)[0], std::vector<QRgb>(4, kW));
  }
  QImage image = Canvas(4, 3, kW);
  CDC dc(&image);
  CEffectPainter painter;
  painter.DrawStripImage(&dc, {1, 1, 2, 1}, nullptr, 0, {2, 1}, {FALSE, kBlack},
                         {0, FALSE, {0, 0, 0, 0}, kBlack});
  EXPECT_EQ(PixelsOf(image)[1], std::vector<QRgb>(4, kW));
}

TEST(StripImage, TheCellGoesThroughTheEffectsAndTheMask) {
  const QRgb a = Px(200, 100, 50);
  CBitmap strip(ImageOf({{kMagenta, kMagenta, a, kMagenta}}));
  QImage image = Canvas(2, 1, kG);
  CDC dc(&image);
  CEffectPainter painter;
  painter.DrawStripImage(&dc, {0, 0, 2, 1}, &strip, 1, {2, 1}, {TRUE, RGB(255, 0, 255)},
                         {0x0001, FALSE, {0, 0, 0, 0}, kBlack});
  EXPECT_EQ(PixelsOf(image), (Rows{{Px(124, 124, 124), kG}}));
}

// ---- DrawIconWithEffects ----------------------------------------------------------------------

// A 2 x 2 icon without alpha: red, transparent / blue, yellow. Transparent pixels are black
// in the colour bitmap, as in an icon resource.
HICON TestIcon() { return IconOf(ImageOf({{kR, kK}, {kB, kY}}), ImageOf({{kK, kW}, {kK, kK}})); }

TEST(IconEffects, DrawnThroughItsMaskWithTheCallersColoursKept) {
  const int before = LiveIconCount();
  const HICON icon = TestIcon();
  QImage image = Canvas(4, 4, kG);
  CDC dc(&image);
  dc.SetTextColor(RGB(9, 9, 9));
  dc.SetBkColor(RGB(8, 8, 8));
  CEffectPainter painter;
  painter.DrawIconWithEffects(&dc, {1, 1, 2, 2}, icon, {0, FALSE, {0, 0, 0, 0}, kBlack});
  EXPECT_EQ(Picture(image, kKey), (std::vector<std::string>{"....", ".R..", ".BY.", "...."}));
  EXPECT_EQ(dc.GetTextColor(), RGB(9, 9, 9));
  EXPECT_EQ(dc.GetBkColor(), RGB(8, 8, 8));
  EXPECT_FALSE(painter.ImageHasAlpha());
  DestroyIcon(icon);
  EXPECT_EQ(LiveIconCount(), before);  // the working copy is gone too
}

struct IconCase {
  const char* name;
  int size;  // drawn width and height
  DWORD flags;
  BOOL shadow;
  std::vector<std::string> picture;  // 5 x 5 green canvas, drawn at (1, 1)
};

void PrintTo(const IconCase& c, std::ostream* os) { *os << c.name; }

class IconEffects : public testing::TestWithParam<IconCase> {};

TEST_P(IconEffects, Paths) {
  const IconCase& c = GetParam();
  const HICON icon = TestIcon();
  QImage image = Canvas(5, 5, kG);
  CDC dc(&image);
  CEffectPainter painter;
  painter.DrawIconWithEffects(&dc, {1, 1, c.size, c.size}, icon,
                              {c.flags, c.shadow, {1, 1, 0, 0}, RGB(1, 2, 3)});
  EXPECT_EQ(Picture(image, kKey), c.picture);
  DestroyIcon(icon);
}

INSTANTIATE_TEST_SUITE_P(
    Effects, IconEffects,
    testing::Values(
        IconCase{"plain", 2, 0, FALSE, {".....", ".R...", ".BY..", ".....", "....."}},
        // The shape of the mask in the colour.
        IconCase{"silhouette", 2, 0x0008, FALSE, {".....", ".s...", ".ss..", ".....", "....."}},
        // Inverted, the transparent pixel (black, masked) turns white.
        IconCase{"inverted", 2, 0x8000, FALSE, {".....", ".CW..", ".YB..", ".....", "....."}},
        IconCase{"scaled", 4, 0, FALSE, {".....", ".RR..", ".RR..", ".BBYY", ".BBYY"}},
        IconCase{"shadow_without_bit", 2, 0, TRUE, {".....", ".....", "..R..", "..BY.", "....."}}),
    [](const testing::TestParamInfo<IconCase>& info) { return std::string(info.param.name); });

TEST(IconEffects, AlphaIconsAreBlendedAndNullIconsDrawNothing) {
  const HICON icon =
      IconOf(ImageOf({{0xFFFF0000, 0x00000000}, {0xFF0000FF, 0x33FA0000}}, QImage::Format_ARGB32),
             ImageOf({{kK, kK}, {kK, kK}}));
  QImage image = Canvas(2, 2, Px(0, 0, 250));
  CDC dc(&image);
  CEffectPainter painter;
  painter.DrawIconWithEffects(&dc, {0, 0, 2, 2}, icon, {0, FALSE, {0, 0, 0, 0}, kBlack});
  EXPECT_TRUE(painter.ImageHasAlpha());
  EXPECT_EQ(PixelsOf(image), (Rows{{kR, Px(0, 0, 250)}, {kB, Px(50, 0, 200)}}));

  // The silhouette comes from the mask, which has no alpha.
  painter.DrawIconWithEffects(&dc, {0, 0, 2, 2}, icon, {0x0008, FALSE, {0, 0, 0, 0}, RGB(1, 2, 3)});
  EXPECT_FALSE(painter.ImageHasAlpha());
  EXPECT_EQ(PixelsOf(image), (Rows{{Px(1, 2, 3), Px(1, 2, 3)}, {Px(1, 2, 3), Px(1, 2, 3)}}));
  DestroyIcon(icon);

  QImage untouched = Canvas(2, 2, kG);
  CDC other(&untouched);
  painter.DrawIconWithEffects(&other, {0, 0, 2, 2}, NULL_ICON, {0, FALSE, {0, 0, 0, 0}, kBlack});
  painter.DrawIconWithEffects(&other, {0, 0, 2, 2}, icon,
                              {0, FALSE, {0, 0, 0, 0}, kBlack});  // stale
  EXPECT_EQ(PixelsOf(untouched), Repeat({kG, kG}, 2));
}

TEST(ScaleIcon, StretchesBothBitmapsKeepingTheirDepthsAndAlpha) {
  const HICON icon =
      IconOf(ImageOf({{0xFFFF0000, 0x00000000}, {0x800000FF, 0xFF00FF00}}, QImage::Format_ARGB32),
             ImageOf({{kK, kW}, {kK, kK}}));
  CEffectPainter painter;
  const HICON scaled = painter.ScaleIcon(icon, 4, 4);
  ASSERT_NE(scaled, NULL_ICON);
  ICONINFO info;
  ASSERT_TRUE(GetIconInfo(scaled, &info));
  EXPECT_EQ(info.xHotspot, 2u);
  EXPECT_EQ(info.yHotspot, 2u);
  BITMAP color, mask;
  ASSERT_TRUE(info.hbmColor->GetBitmap(&color));
  ASSERT_TRUE(info.hbmMask->GetBitmap(&mask));
  EXPECT_EQ(color.bmBitsPixel, 32);
  EXPECT_EQ(mask.bmBitsPixel, 1);
  EXPECT_EQ(PixelsOf(*info.hbmColor->Image(), 0xFFFFFFFF),
            (Rows{{0xFFFF0000, 0xFFFF0000, 0, 0},
                  {0xFFFF0000, 0xFFFF0000, 0, 0},
                  {0x800000FF, 0x800000FF, 0xFF00FF00, 0xFF00FF00},
                  {0x800000FF, 0x800000FF, 0xFF00FF00, 0xFF00FF00}}));
  EXPECT_EQ(
      Picture(info.hbmMask->Image()->convertToFormat(QImage::Format_RGB32), {{kK, '0'}, {kW, '1'}}),
      (std::vector<std::string>{"0011", "0011", "0000", "0000"}));
  DestroyIcon(scaled);
  EXPECT_EQ(painter.ScaleIcon(icon, 0, 4), NULL_ICON);
  DestroyIcon(icon);
  EXPECT_EQ(painter.ScaleIcon(icon, 4, 4), NULL_ICON);
}

// ---- Drop shadows -----------------------------------------------------------------------------

TEST(DropShadow, WithoutBlurTheBlueByteOverTwoFiftyFiveScales) {
  // Factors 0, 51 / 255 = 0.2, 0 (yellow: only blue counts) and 1 (white leaves it alone).
  CBitmap shade(ImageOf({{kK, Px(0, 0, 51), kY, kW}}));
  QImage image = Canvas(4, 1, Px(200, 100, 50));
  CDC dc(&image);
  CEffectPainter painter;
  painter.DrawDropShadow(&dc, {0, 0, 4, 1}, &shade, FALSE, 99, 99);
  EXPECT_EQ(PixelsOf(image), (Rows{{kK, Px(40, 20, 10), kK, Px(200, 100, 50)}}));
}

TEST(DropShadow, BoxAverageWindowsOverThePaddedShade) {
  // 5 x 3 white shade with black at (0, 0).
  std::vector<DWORD> shade(15, 0x00FFFFFF);
  shade[0] = 0;
  std::vector<double> factors(15);
  CEffectPainter::BoxAverage(5, 3, shade.data(), 3, 3, factors.data());
  const double e = 8.0 / 9;
  EXPECT_EQ(factors, (std::vector<double>{e, e, 1, 1, 1, e, e, 1, 1, 1, 1, 1, 1, 1, 1}));
  CEffectPainter::BoxAverage(5, 3, shade.data(), 5, 1, factors.data());
  const double f = 4.0 / 5;
  EXPECT_EQ(factors, (std::vector<double>{f, f, f, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
  CEffectPainter::BoxAverage(5, 3, shade.data(), 1, 1, factors.data());
  EXPECT_EQ(factors, (std::vector<double>{0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));

  // Only the blue byte counts: a 3 x 3 shade with blue 51 in the middle, which every 3 x 3
  // window holds: (8 x 255 + 51) / (9 x 255).
  std::vector<DWORD> middle(9, 0x00FFFFFF);
  middle[4] = 0x00FF0033;
  std::vector<double> centred(9);
  CEffectPainter::BoxAverage(3, 3, middle.data(), 3, 3, centred.data());
  for (double v : centred) EXPECT_DOUBLE_EQ(v, 2091.0 / 2295);
}

struct BlurCase {
  const char* name;
  DWORD depthX, depthY;
  Rows expected;  // 5 x 5, white canvas
};

void PrintTo(const BlurCase& c, std::ostream* os) { *os << c.name; }

class BlurredShadow : public testing::TestWithParam<BlurCase> {};

TEST_P(BlurredShadow, ShrunkCentredAndAveraged) {
  const BlurCase& c = GetParam();
  CBitmap shade(Canvas(5, 5, kK));  // an all-black shadow image
  QImage image = Canvas(5, 5, kW);
  CDC dc(&image);
  CEffectPainter painter;
  painter.DrawDropShadow(&dc, {0, 0, 5, 5}, &shade, TRUE, c.depthX, c.depthY);
  EXPECT_EQ(PixelsOf(image), c.expected);
}

// Depth 3: the shade is white with the image shrunk to 2 x 2 at (1, 1); each pixel counts the
// black cells n of its 3 x 3 window and becomes 255 (9 - n) / 9, truncated:
// n = 1: 226, 2: 198, 4: 141. Depth 1 (also what 0 becomes): shrunk to 4 x 4 at (0, 0), each
// pixel its own factor.
const Rows kBlur3{Greys({226, 198, 198, 226, 255}), Greys({198, 141, 141, 198, 255}),
                  Greys({198, 141, 141, 198, 255}), Greys({226, 198, 198, 226, 255}),
                  Greys({255, 255, 255, 255, 255})};
const Rows kBlur1{Greys({0, 0, 0, 0, 255}), Greys({0, 0, 0, 0, 255}), Greys({0, 0, 0, 0, 255}),
                  Greys({0, 0, 0, 0, 255}), Greys({255, 255, 255, 255, 255})};
const Rows kUnchanged(5, Greys({255, 255, 255, 255, 255}));

INSTANTIATE_TEST_SUITE_P(
    Depths, BlurredShadow,
    testing::Values(BlurCase{"depth3", 3, 3, kBlur3}, BlurCase{"depth2_made_odd", 2, 2, kBlur3},
                    BlurCase{"depth1", 1, 1, kBlur1}, BlurCase{"depth0_made_odd", 0, 0, kBlur1},
                    // As deep as the area: no room for the shadow, the area is left alone.
                    BlurCase{"depth5", 5, 3, kUnchanged},
                    BlurCase{"depth4_made_5", 3, 4, kUnchanged},
                    BlurCase{"depth_huge", 0xFFFFFFFFu, 0xFFFFFFFEu, kUnchanged}),
    [](const testing::TestParamInfo<BlurCase>& info) { return std::string(info.param.name); });

TEST(DropShadow, NothingWithoutAShadowImageOrArea) {
  QImage image = Canvas(2, 2, kW);
  CDC dc(&image);
  CEffectPainter painter;
  CBitmap shade(Canvas(2, 2, kK));
  painter.DrawDropShadow(&dc, {0, 0, 2, 2}, nullptr, FALSE, 1, 1);
  painter.DrawDropShadow(&dc, {0, 0, 0, 2}, &shade, FALSE, 1, 1);
  painter.DrawDropShadow(nullptr, {0, 0, 2, 2}, &shade, FALSE, 1, 1);
  EXPECT_EQ(PixelsOf(image), Repeat({kW, kW}, 2));
}

TEST(DropShadow, BlurredShadowOfAnIconSitsUnderIt) {
  // A 3 x 3 opaque black icon at (1, 1) with a blurred shadow of depth 1 moved (2, 2): the
  // shadow image shrunk to 2 x 2 at the shadow's corner darkens (3, 3) to (4, 4), of which
  // the icon covers (3, 3).
  const HICON icon = IconOf(Canvas(3, 3, kK), Canvas(3, 3, kK));
  QImage image = Canvas(6, 6, kW);
  CDC dc(&image);
  CEffectPainter painter;
  painter.DrawIconWithEffects(&dc, {1, 1, 3, 3}, icon, {0x0200, TRUE, {2, 2, 1, 1}, RGB(0, 0, 0)});
  EXPECT_EQ(Picture(image, {{kW, '.'}, {kK, 'K'}}),
            (std::vector<std::string>{"......", ".KKK..", ".KKK..", ".KKKK.", "...KK.", "......"}));
  DestroyIcon(icon);
}

// ---- Extremes -------------------------------------------------------------------------------

TEST(Extremes, CoordinatesAndWidthsAtTheEndsOfIntStayQuickAndExact) {
  constexpr int kMax = std::numeric_limits<int>::max();
  constexpr int kMin = std::numeric_limits<int>::min();
  const std::vector<std::pair<QRgb, char>> key{{kW, '.'}, {kK, 'K'}, {kB, 'B'}};
  QImage image = Canvas(4, 3, kW);
  CDC dc(&image);
  CEffectPainter painter;
  // A dashed line of the widest pen through the image: its first dash covers everything.
  painter.DrawStyledLine(&dc, {kMin, 1}, {kMax, 1}, kBlack, 2, kMax);
  EXPECT_EQ(Picture(image, key), (std::vector<std::string>{"KKKK", "KKKK", "KKKK"}));
  // So does a slanted one through (0, 0).
  image.fill(0xFFFFFFFF);
  painter.DrawStyledLine(&dc, {kMin, kMin}, {kMax, kMax}, kBlack, 6, kMax / 2);
  EXPECT_EQ(Picture(image, key), (std::vector<std::string>{"KKKK", "KKKK", "KKKK"}));

  // The widest dashed frame: its centre lines run kMax / 2 inside the corners, so the right
  // side (x = 2^30) reaches from column 1 on and the bottom side from row 1 on; the top and
  // left sides end two pixels short of the image. A thin double frame there misses it.
  image.fill(0xFFFFFFFF);
  painter.DrawStyledFrame(&dc, kMin, kMin, kMax, kMax, kRed, kBlue, 6, 1);
  painter.DrawStyledFrame(&dc, kMin, kMin, kMax, kMax, kRed, kBlue, 2, kMax);
  EXPECT_EQ(Picture(image, key), (std::vector<std::string>{".BBB", "BBBB", "BBBB"}));

  // Images, copies and backgrounds far away leave the image alone.
  image.fill(0xFFFFFFFF);
  CBitmap bitmap(ImageOf({{Px(1, 2, 3)}}));
  painter.DrawBitmapWithEffects(&dc, {kMax, kMax, 1, 1}, &bitmap, {FALSE, kBlack},
                                {0x0300, TRUE, {kMax, kMax, 3, 3}, kBlack});
  painter.DrawBitmapWithEffects(&dc, {kMin, 0, 1, 1}, &bitmap, {FALSE, kBlack},
                                {0, TRUE, {kMin, 0, 3, 3}, kBlack});
  QImage source = Canvas(2, 2, 0);
  CDC src(&source);
  painter.BlendCopy(&dc, {kMin, kMin, 2, 2}, &src, kMax, kMax, 50);
  painter.TileCopy(&dc, {kMax, kMax, 2, 2}, &src, 0, 0, kMax, kMax);
  const RECT far{kMax - 2, kMax - 2, kMax, kMax};
  painter.PaintBackground(&dc, CEffectPainter::EFFECT_HGRADIENT, &far, {kRed, kRed, kRed}, 0, 0);
  painter.PaintBackground(&dc, CEffectPainter::EFFECT_METAL, &far, {kRed, kRed, kRed}, 0, 0);
  EXPECT_EQ(Picture(image, key), (std::vector<std::string>{"....", "....", "...."}));
  // A gradient across the whole range of int: row 0 lies in one of its middle bands.
  const RECT wide{kMin, 0, kMax, 1};
  painter.PaintBackground(&dc, CEffectPainter::EFFECT_HGRADIENT, &wide, {kBlack, kBlack, kBlack}, 0,
                          0);
  EXPECT_EQ(Picture(image, key), (std::vector<std::string>{"KKKK", "....", "...."}));
}

}  // namespace
