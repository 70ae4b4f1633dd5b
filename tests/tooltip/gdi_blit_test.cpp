// The GDI-layer operations of the drawing effects: raster operations, one-bit bitmaps, the
// alpha byte, StretchBlt, 32-bit DIB sections, CreateBitmap, GetObject, pens and CopyIcon.

#include <gtest/gtest.h>

#include <QImage>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/dc.h"
#include "platform/gdi/icon.h"
#include "platform/gdi/pen.h"
#include "tooltip/effect_test_util.h"

using namespace gdi;
using namespace effect_test;

namespace {

QImage Mono(const std::vector<int>& bits) {
  QImage image(static_cast<int>(bits.size()), 1, QImage::Format_Mono);
  image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  for (int x = 0; x < image.width(); ++x) image.setPixel(x, 0, bits[x]);
  return image;
}

std::vector<int> MonoBits(const QImage& image) {
  std::vector<int> bits;
  for (int x = 0; x < image.width(); ++x) bits.push_back(image.pixelIndex(x, 0));
  return bits;
}

TEST(GdiRasterOps, CombineTheColourBytes) {
  const QImage source = ImageOf({{Px(0xF0, 0x0F, 0x33)}});
  struct Case {
    const char* name;
    DWORD rop;
    QRgb expected;  // over 0x5A, 0xA5, 0xFF
  } cases[] = {
      {"SRCCOPY", SRCCOPY, Px(0xF0, 0x0F, 0x33)},   {"SRCAND", SRCAND, Px(0x50, 0x05, 0x33)},
      {"SRCPAINT", SRCPAINT, Px(0xFA, 0xAF, 0xFF)}, {"WHITENESS", WHITENESS, Px(0xFF, 0xFF, 0xFF)},
      {"BLACKNESS", BLACKNESS, Px(0, 0, 0)},
  };
  for (const Case& c : cases) {
    QImage image = Canvas(1, 1, Px(0x5A, 0xA5, 0xFF));
    CDC dc(&image);
    QImage sourceImage = source;
    CDC src(&sourceImage);
    EXPECT_TRUE(dc.BitBlt(0, 0, 1, 1, &src, 0, 0, c.rop)) << c.name;
    EXPECT_EQ(image.pixel(0, 0), 0xFF000000u | c.expected) << c.name;  // still opaque
  }
  QImage image = Canvas(1, 1, 0);
  CDC dc(&image);
  EXPECT_TRUE(dc.BitBlt(0, 0, 1, 1, nullptr, 0, 0, WHITENESS));  // needs no source
  EXPECT_EQ(image.pixel(0, 0), 0xFFFFFFFFu);
  EXPECT_FALSE(dc.BitBlt(0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
}

TEST(GdiMono, OneBitSourcesTakeTheTargetsTextAndBackColours) {
  QImage mask = Mono({0, 1, 0});
  CDC src(&mask);
  QImage image = Canvas(3, 1, Px(0x33, 0x33, 0x33));
  CDC dc(&image);
  dc.SetTextColor(RGB(255, 0, 0));
  dc.SetBkColor(RGB(0, 0, 255));
  dc.BitBlt(0, 0, 3, 1, &src, 0, 0, SRCCOPY);
  EXPECT_EQ(PixelsOf(image), (Rows{{Px(255, 0, 0), Px(0, 0, 255), Px(255, 0, 0)}}));

  // Black and white: SRCAND keeps the target where the mask is 1.
  QImage masked = Canvas(3, 1, Px(0x33, 0x44, 0x55));
  CDC maskedDC(&masked);
  maskedDC.BitBlt(0, 0, 3, 1, &src, 0, 0, SRCAND);
  EXPECT_EQ(PixelsOf(masked), (Rows{{0, Px(0x33, 0x44, 0x55), 0}}));
}

TEST(GdiMono, ColourToOneBitComparesWithTheSourcesBackColour) {
  QImage colour = ImageOf({{Px(255, 255, 255), Px(255, 0, 0), Px(255, 255, 255)}});
  CDC src(&colour);
  QImage target = Mono({0, 1, 0});
  CDC dc(&target);
  dc.BitBlt(0, 0, 3, 1, &src, 0, 0, SRCCOPY);
  EXPECT_EQ(MonoBits(target), (std::vector<int>{1, 0, 1}));
  src.SetBkColor(RGB(255, 0, 0));
  dc.BitBlt(0, 0, 3, 1, &src, 0, 0, SRCCOPY);
  EXPECT_EQ(MonoBits(target), (std::vector<int>{0, 1, 0}));

  // One bit to one bit: the bits themselves, and the raster operations on them.
  QImage bits = Mono({1, 1, 0});
  CDC bitsDC(&bits);
  dc.BitBlt(0, 0, 3, 1, &bitsDC, 0, 0, SRCAND);
  EXPECT_EQ(MonoBits(target), (std::vector<int>{0, 1, 0}));
  dc.BitBlt(0, 0, 3, 1, &bitsDC, 0, 0, SRCPAINT);
  EXPECT_EQ(MonoBits(target), (std::vector<int>{1, 1, 0}));
  dc.BitBlt(1, 0, 2, 1, nullptr, 0, 0, WHITENESS);
  EXPECT_EQ(MonoBits(target), (std::vector<int>{1, 1, 1}));
}

TEST(GdiAlpha, OpaqueImagesReadAsAlphaZeroAndSectionsKeepTheirs) {
  void* bits = nullptr;
  const std::unique_ptr<CBitmap> section = CBitmap::CreateDIBSection32(3, 1, &bits);
  ASSERT_TRUE(section && bits);
  std::unique_ptr<CDC> sectionDC = CDC::CreateCompatibleDC(nullptr);
  sectionDC->SelectObject(section.get());

  QImage opaque = ImageOf({{Px(1, 2, 3)}});
  CDC opaqueDC(&opaque);
  QImage alpha = ImageOf({{0x80040506, 0x00070809}}, QImage::Format_ARGB32);
  CDC alphaDC(&alpha);
  sectionDC->BitBlt(0, 0, 1, 1, &opaqueDC, 0, 0, SRCCOPY);
  sectionDC->BitBlt(1, 0, 2, 1, &alphaDC, 0, 0, SRCCOPY);
  EXPECT_EQ(SectionPixels(*section), (Rows{{0x00010203, 0x80040506, 0x00070809}}));

  // Back to an opaque image: the colour bytes, with 0xFF in memory.
  QImage screen = Canvas(3, 1, 0);
  CDC screenDC(&screen);
  screenDC.BitBlt(0, 0, 3, 1, sectionDC.get(), 0, 0, SRCCOPY);
  EXPECT_EQ(PixelsOf(screen, 0xFFFFFFFF), (Rows{{0xFF010203, 0xFF040506, 0xFF070809}}));
  // A window's premultiplied face counts as opaque too.
  QImage face(3, 1, QImage::Format_ARGB32_Premultiplied);
  face.fill(0xFF000000);
  CDC faceDC(&face);
  faceDC.BitBlt(0, 0, 3, 1, sectionDC.get(), 0, 0, SRCCOPY);
  EXPECT_EQ(PixelsOf(face, 0xFFFFFFFF), (Rows{{0xFF010203, 0xFF040506, 0xFF070809}}));

  // Filling and drawing lines on a section write alpha 0, as GDI does.
  sectionDC->FillSolidRect({0, 0, 1, 1}, RGB(9, 8, 7));
  CPen pen(PS_SOLID, 1, RGB(6, 5, 4));
  sectionDC->SelectObject(&pen);
  sectionDC->MoveTo(1, 0);
  sectionDC->LineTo(2, 0);
  sectionDC->SelectObject(static_cast<CPen*>(nullptr));
  EXPECT_EQ(SectionPixels(*section), (Rows{{0x00090807, 0x00060504, 0x00070809}}));
  sectionDC->SelectObject(static_cast<CBitmap*>(nullptr));
}

TEST(GdiStretch, EachTargetPixelTakesTheSourcePixelUnderItsCentre) {
  const QRgb a = Px(1, 0, 0), b = Px(2, 0, 0), c = Px(3, 0, 0), d = Px(4, 0, 0);
  QImage source = ImageOf({{a, b, c, d}});
  CDC src(&source);
  struct Case {
    const char* name;
    int x, width, sourceX, sourceWidth;
    std::vector<QRgb> expected;  // a 4 x 1 target, 0 where nothing was drawn
  } cases[] = {
      {"same", 0, 4, 0, 4, {a, b, c, d}},
      {"double", 0, 4, 0, 2, {a, a, b, b}},
      {"halve", 0, 2, 0, 4, {b, d, 0, 0}},         // centres 1 and 3
      {"three_to_two", 0, 2, 0, 3, {a, c, 0, 0}},  // (2c + 1) 3 / 4 = 0 and 2
      {"offset", 1, 2, 2, 2, {0, c, d, 0}},
      {"clipped_target", -1, 4, 0, 4, {b, c, d, 0}},
      {"source_past_end", 0, 4, 2, 4, {c, d, 0, 0}},  // columns 4 and 5 do not exist
      {"empty", 0, 0, 0, 4, {0, 0, 0, 0}},
      {"negative", 0, 4, 0, -4, {0, 0, 0, 0}},
  };
  for (const Case& k : cases) {
    QImage image = Canvas(4, 1, 0);
    CDC dc(&image);
    EXPECT_TRUE(dc.StretchBlt(k.x, 0, k.width, 1, &src, k.sourceX, 0, k.sourceWidth, 1, SRCCOPY))
        << k.name;
    EXPECT_EQ(PixelsOf(image)[0], k.expected) << k.name;
  }
  // Rows the same way: 1 row to 3.
  QImage image = Canvas(2, 3, 0);
  CDC dc(&image);
  dc.StretchBlt(0, 0, 2, 3, &src, 1, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(PixelsOf(image), (Rows{{b, c}, {b, c}, {b, c}}));
}

TEST(GdiStretch, CoordinatesAtTheEndsOfIntDrawNothing) {
  constexpr int kMax = std::numeric_limits<int>::max();
  constexpr int kMin = std::numeric_limits<int>::min();
  QImage source = ImageOf({{Px(1, 2, 3)}});
  CDC src(&source);
  QImage image = Canvas(2, 1, 0);
  CDC dc(&image);
  EXPECT_TRUE(dc.BitBlt(kMin, 0, kMax, 1, &src, 0, 0, SRCCOPY));
  EXPECT_TRUE(dc.BitBlt(0, 0, kMax, 1, &src, kMin, 0, SRCCOPY));
  EXPECT_TRUE(dc.BitBlt(kMax, 0, 1, 1, &src, kMax, 0, SRCCOPY));
  EXPECT_TRUE(dc.StretchBlt(kMin, 0, kMax, 1, &src, kMax, 0, kMax, 1, SRCCOPY));
  EXPECT_TRUE(dc.StretchBlt(0, kMin, 2, kMax, &src, kMin, kMin, 1, 1, SRCCOPY));
  EXPECT_EQ(PixelsOf(image), (Rows{{0, 0}}));
}

TEST(GdiBitmaps, SectionsCreateBitmapAndGetObject) {
  void* bits = nullptr;
  const std::unique_ptr<CBitmap> section = CBitmap::CreateDIBSection32(3, 2, &bits);
  ASSERT_TRUE(section && bits);
  BITMAP info;
  ASSERT_TRUE(section->GetBitmap(&info));
  EXPECT_EQ(info.bmWidth, 3);
  EXPECT_EQ(info.bmHeight, 2);
  EXPECT_EQ(info.bmWidthBytes, 12);
  EXPECT_EQ(info.bmBitsPixel, 32);
  EXPECT_EQ(info.bmPlanes, 1);
  EXPECT_EQ(info.bmBits, bits);
  EXPECT_EQ(SectionPixels(*section), (Rows{{0, 0, 0}, {0, 0, 0}}));
  // Top-down: the first row in memory is the top row.
  std::unique_ptr<CDC> dc = CDC::CreateCompatibleDC(nullptr);
  dc->SelectObject(section.get());
  dc->FillSolidRect({0, 0, 3, 1}, RGB(1, 2, 3));
  EXPECT_EQ(static_cast<DWORD*>(bits)[0], 0x00010203u);
  EXPECT_EQ(static_cast<DWORD*>(bits)[3], 0u);
  EXPECT_EQ(section->GetPixel(2, 0), RGB(1, 2, 3));
  dc->SelectObject(static_cast<CBitmap*>(nullptr));
  EXPECT_EQ(CBitmap::CreateDIBSection32(0, 2, &bits), nullptr);
  EXPECT_EQ(bits, nullptr);

  const std::unique_ptr<CBitmap> mono = CBitmap::CreateBitmap(9, 2, 1, 1);
  ASSERT_TRUE(mono && mono->GetBitmap(&info));
  EXPECT_EQ(info.bmBitsPixel, 1);
  EXPECT_EQ(info.bmBits, nullptr);
  EXPECT_EQ(mono->GetPixel(8, 1), RGB(0, 0, 0));
  const std::unique_ptr<CBitmap> colour = CBitmap::CreateBitmap(2, 2, 1, 32);
  ASSERT_TRUE(colour && colour->GetBitmap(&info));
  EXPECT_EQ(info.bmBitsPixel, 32);
  EXPECT_EQ(CBitmap::CreateBitmap(2, 2, 1, 8), nullptr);
  EXPECT_EQ(CBitmap::CreateBitmap(2, 2, 2, 32), nullptr);
  EXPECT_EQ(CBitmap::CreateBitmap(0, 2, 1, 32), nullptr);
  EXPECT_FALSE(CBitmap(QImage()).GetBitmap(&info));
}

TEST(GdiPens, LinesFromTheCurrentPositionWithoutTheEndPoint) {
  QImage image = Canvas(5, 5, Px(255, 255, 255));
  CDC dc(&image);
  EXPECT_EQ(dc.MoveTo(0, 0), (POINT{0, 0}));
  EXPECT_EQ(dc.MoveTo(4, 0), (POINT{0, 0}));
  EXPECT_TRUE(dc.LineTo(0, 4));  // no pen selected: black, one pixel
  EXPECT_EQ(dc.MoveTo(1, 1), (POINT{0, 4}));
  CPen none(PS_NULL, 1, RGB(255, 0, 0));
  dc.SelectObject(&none);
  EXPECT_TRUE(dc.LineTo(4, 4));
  // A shallow slope: each step rounds half away from zero.
  CPen red(PS_SOLID, 0, RGB(255, 0, 0));  // width 0 draws as 1
  dc.SelectObject(&red);
  dc.MoveTo(0, 2);
  dc.LineTo(4, 4);
  dc.SelectObject(static_cast<CPen*>(nullptr));
  EXPECT_EQ(Picture(image, {{Px(255, 255, 255), '.'}, {0, 'K'}, {Px(255, 0, 0), 'r'}}),
            (std::vector<std::string>{"....K",  //
                                      "...K.",  //
                                      "r.K..",  //
                                      ".rr..",  //
                                      "...r."}));
  // Lines far outside cost nothing and draw nothing.
  dc.MoveTo(-2000000000, -5);
  EXPECT_TRUE(dc.LineTo(2000000000, -5));
}

TEST(GdiIcons, CopyIconIsANewHandleToTheSamePictures) {
  const int before = LiveIconCount();
  const HICON icon = IconOf(ImageOf({{Px(1, 2, 3), 0}}), ImageOf({{0, Px(255, 255, 255)}}));
  const HICON copy = CopyIcon(icon);
  ASSERT_NE(copy, NULL_ICON);
  EXPECT_NE(copy, icon);
  EXPECT_TRUE(DestroyIcon(icon));
  ICONINFO info;
  ASSERT_TRUE(GetIconInfo(copy, &info));
  EXPECT_EQ(info.hbmColor->GetPixel(0, 0), RGB(1, 2, 3));
  EXPECT_EQ(info.hbmMask->GetPixel(1, 0), RGB(255, 255, 255));
  EXPECT_EQ(CopyIcon(icon), NULL_ICON);
  EXPECT_EQ(CopyIcon(NULL_ICON), NULL_ICON);
  DestroyIcon(copy);
  EXPECT_EQ(LiveIconCount(), before);
}

}  // namespace
