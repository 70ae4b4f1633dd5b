// CEffectPainter's pictures: image effects, bitmaps, strip cells, icons and drop shadows, as
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
