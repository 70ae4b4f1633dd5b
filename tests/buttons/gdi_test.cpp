// The GDI-like layer: pixels and colours, rectangles, text, icons, DrawState and BitBlt.

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>

#include <string>
#include <vector>

#include "buttons/test_colors.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/icon.h"
#include "resources.h"
#include "support/picture.h"

using namespace gdi;

namespace {

QImage Canvas(int width, int height, QRgb fill = 0xFFFFFFFF) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(fill);
  return image;
}

using testsupport::Picture;

// A w x h icon from an image; alpha decides unless the image has none.
HICON IconFrom(const QImage& color, const QImage& maskOrNull = QImage()) {
  ICONINFO info;
  info.xHotspot = color.width() / 2;
  info.yHotspot = color.height() / 2;
  info.hbmColor = std::make_unique<CBitmap>(color);
  QImage mask = maskOrNull;
  if (mask.isNull()) {
    mask = QImage(color.size(), QImage::Format_RGB32);
    mask.fill(Qt::black);
  }
  info.hbmMask = std::make_unique<CBitmap>(mask);
  return CreateIconIndirect(info);
}

TEST(GdiPixels, ColorrefIsRedLowWhileTheImageKeepsBlueFirst) {
  EXPECT_EQ(RGB(1, 2, 3), 0x00030201u);
  QImage image = Canvas(2, 1);
  CDC dc(&image);
  EXPECT_EQ(dc.SetPixel(1, 0, RGB(1, 2, 3)), RGB(1, 2, 3));
  const uchar* bytes = image.constScanLine(0) + 4;
  EXPECT_EQ(std::vector<int>(bytes, bytes + 4), (std::vector<int>{3, 2, 1, 255}));
  EXPECT_EQ(dc.GetPixel(1, 0), RGB(1, 2, 3));
  EXPECT_EQ(dc.GetPixel(2, 0), CLR_INVALID);
  EXPECT_EQ(dc.SetPixel(-1, 0, 0), CLR_INVALID);
}

TEST(GdiPixels, SystemColoursComeFromTheApplicationPalette) {
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(0xF0, 0xF0, 0xF0));
  EXPECT_EQ(GetSysColor(COLOR_3DSHADOW), RGB(0xA0, 0xA0, 0xA0));
  EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), RGB(0xFF, 0xFF, 0xFF));
  EXPECT_EQ(GetSysColor(COLOR_BTNTEXT), RGB(0, 0, 0));
}

TEST(GdiRects, FillClipsAndDraw3dRectGivesTheCornersToBottomRight) {
  QImage image = Canvas(6, 5);
  CDC dc(&image);
  dc.FillSolidRect({-3, -3, 2, 1}, RGB(0, 0, 255));
  dc.FillRect({0, 0, 6, 5}, CBrush::Null());  // paints nothing
  dc.Draw3dRect({1, 1, 6, 5}, RGB(255, 0, 0), RGB(0, 255, 0));
  EXPECT_EQ(Picture(image, {{0xFFFFFF, '.'}, {0x0000FF, 'b'}, {0xFF0000, 'T'}, {0x00FF00, 'B'}}),
            (std::vector<std::string>{"bb....",  //
                                      ".TTTTB",  //
                                      ".T...B",  //
                                      ".T...B",  //
                                      ".BBBBB"}));
}

TEST(GdiText, CalcRectBreaksBetweenWordsAndBoundsTheLines) {
  QImage image = Canvas(200, 100);
  CDC dc(&image);
  const QFontMetrics metrics(dc.GetFont(), &image);
  const int word = metrics.horizontalAdvance(QStringLiteral("Disconnect"));
  const int line = metrics.height();
  struct Case {
    const char* text;
    UINT format;
    int width;
    int expectWidth, expectLines;
  };
  const int both = metrics.horizontalAdvance(QStringLiteral("Disconnect Disconnect"));
  const Case cases[] = {
      {"Disconnect Disconnect", DT_WORDBREAK, both + 5, both, 1},
      {"Disconnect Disconnect", DT_WORDBREAK, word + 5, word, 2},
      {"Disconnect Disconnect", 0, word + 5, both, 1},  // no breaking without the flag
      {"Disconnect", DT_WORDBREAK, word / 2, word, 1},  // a long word widens the rect
      {"Disconnect\r\nDisconnect", 0, 500, word, 2},    // CR LF is one line end
      {"&Disconnect", 0, 500, word, 1},                 // the mnemonic marker is not drawn
      {"", DT_WORDBREAK, 500, 0, 0},
  };
  for (const Case& c : cases) {
    RECT rect{10, 20, 10 + c.width, 90};
    const int height =
        dc.DrawText(QString::fromUtf8(c.text), &rect, c.format | DT_CENTER | DT_CALCRECT);
    EXPECT_EQ(rect.left, 10) << c.text;
    EXPECT_EQ(rect.top, 20) << c.text;
    EXPECT_EQ(rect.Width(), c.expectWidth) << c.text << " in " << c.width;
    EXPECT_EQ(height, c.expectLines * line) << c.text << " in " << c.width;
    EXPECT_EQ(rect.Height(), height) << c.text;
  }
  RECT rect{0, 0, 500, 50};
  dc.DrawText(QStringLiteral("a&&b"), &rect, DT_CALCRECT);
  EXPECT_EQ(rect.Width(), metrics.horizontalAdvance(QStringLiteral("a&b")));
  rect = {0, 0, 500, 50};
  dc.DrawText(QStringLiteral("a&&b"), &rect, DT_CALCRECT | DT_NOPREFIX);
  EXPECT_EQ(rect.Width(), metrics.horizontalAdvance(QStringLiteral("a&&b")));
}

// The columns and rows that hold ink other than `background`.
QRect InkBounds(const QImage& image, QRgb background) {
  QRect bounds;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if ((image.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF)) bounds |= QRect(x, y, 1, 1);
    }
  }
  return bounds;
}

TEST(GdiText, DrawsCentredInTheTextColourAndClipsToTheRect) {
  QImage image = Canvas(200, 40);
  CDC dc(&image);
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(RGB(255, 0, 0));
  RECT rect{0, 0, 200, 40};
  dc.DrawText(QStringLiteral("Connect"), &rect, DT_WORDBREAK | DT_CENTER);
  const QRect ink = InkBounds(image, 0xFFFFFFFF);
  ASSERT_TRUE(ink.isValid());
  const int width = QFontMetrics(dc.GetFont(), &image).horizontalAdvance(QStringLiteral("Connect"));
  EXPECT_NEAR(ink.left() - 0, 200 - ink.right() - 1, 3);  // centred
  EXPECT_LE(ink.width(), width + 1);
  bool red = false;
  for (int y = ink.top(); y <= ink.bottom(); ++y) {
    for (int x = ink.left(); x <= ink.right(); ++x) red |= image.pixel(x, y) == 0xFFFF0000;
  }
  EXPECT_TRUE(red);

  QImage clipped = Canvas(200, 40);
  CDC clippedDC(&clipped);
  RECT narrow{0, 0, 200, 3};
  clippedDC.SetBkMode(OPAQUE);
  clippedDC.SetBkColor(RGB(0, 0, 255));
  clippedDC.DrawText(QStringLiteral("Connect"), &narrow, DT_CENTER);
  const QRect clippedInk = InkBounds(clipped, 0xFFFFFFFF);
  EXPECT_EQ(clippedInk.top(), 0);
  EXPECT_EQ(clippedInk.bottom(), 2);  // nothing below the rectangle
  EXPECT_EQ(clipped.pixel(clippedInk.left(), 0) & 0xFFFFFF, 0x0000FFu);  // opaque background
}

TEST(GdiIcons, HandlesAreCheckedAndResourcesLoadAtTheAskedSize) {
  const int before = LiveIconCount();
  EXPECT_EQ(LoadIconResource(999, 32, 32), NULL_ICON);
  ICONINFO info;
  EXPECT_FALSE(GetIconInfo(HICON{0x1234567}, &info));
  EXPECT_FALSE(GetIconInfo(NULL_ICON, &info));

  const HICON icon = LoadIconResource(res::kIconConnect, 32, 32);
  ASSERT_NE(icon, NULL_ICON);
  ASSERT_TRUE(GetIconInfo(icon, &info));
  EXPECT_EQ(info.xHotspot, 16u);
  EXPECT_EQ(info.yHotspot, 16u);
  EXPECT_EQ(info.hbmColor->Width(), 32);
  // Transparent pixels are black in the colour bitmap and set in the mask.
  EXPECT_EQ(info.hbmColor->GetPixel(0, 0), 0u);
  EXPECT_EQ(info.hbmMask->GetPixel(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(info.hbmMask->GetPixel(16, 16), 0u);

  const HICON small = LoadIconResource(res::kIconDisconnect, 16, 16);
  ASSERT_TRUE(GetIconInfo(small, &info));
  EXPECT_EQ(info.xHotspot, 8u);
  EXPECT_EQ(LiveIconCount(), before + 2);
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DestroyIcon(icon));
  EXPECT_FALSE(GetIconInfo(icon, &info));
  DestroyIcon(small);
  EXPECT_EQ(LiveIconCount(), before);
}

TEST(GdiIcons, MaskedIconsXorAndAlphaIconsBlend) {
  // Without alpha: (dest AND mask) XOR colour. Masked pixel with black keeps the background,
  // masked with colour inverts it, unmasked pixels take the colour.
  QImage color(3, 1, QImage::Format_RGB32);
  color.setPixel(0, 0, 0xFF000000);
  color.setPixel(1, 0, 0xFFFFFFFF);
  color.setPixel(2, 0, 0xFF00FF00);
  QImage mask(3, 1, QImage::Format_RGB32);
  mask.setPixel(0, 0, 0xFFFFFFFF);
  mask.setPixel(1, 0, 0xFFFFFFFF);
  mask.setPixel(2, 0, 0xFF000000);
  const HICON masked = IconFrom(color, mask);
  QImage target = Canvas(3, 1, 0xFF102030);
  CDC dc(&target);
  EXPECT_TRUE(dc.DrawState({0, 0}, {3, 1}, masked, DST_ICON | DSS_NORMAL));
  EXPECT_EQ(dc.GetPixel(0, 0), RGB(0x10, 0x20, 0x30));
  EXPECT_EQ(dc.GetPixel(1, 0), RGB(0xEF, 0xDF, 0xCF));
  EXPECT_EQ(dc.GetPixel(2, 0), RGB(0, 0xFF, 0));

  QImage half(1, 1, QImage::Format_ARGB32);
  half.setPixel(0, 0, qRgba(255, 0, 0, 128));
  const HICON blended = IconFrom(half);
  QImage white = Canvas(1, 1);
  CDC whiteDC(&white);
  whiteDC.DrawState({0, 0}, {1, 1}, blended, DST_ICON);
  const COLORREF mixed = whiteDC.GetPixel(0, 0);
  EXPECT_EQ(GetRValue(mixed), 255);
  EXPECT_NEAR(GetGValue(mixed), 127, 2);
  DestroyIcon(masked);
  DestroyIcon(blended);
}

TEST(GdiIcons, DisabledStateEngravesTheShapeInHighlightAndShadow) {
  QImage color(2, 2, QImage::Format_RGB32);
  color.fill(qRgb(200, 0, 0));
  color.setPixel(1, 1, qRgb(255, 255, 255));  // white stays out of the shape
  const HICON icon = IconFrom(color);
  QImage target = Canvas(4, 4, 0xFF00FF00);
  CDC dc(&target);
  EXPECT_TRUE(dc.DrawState({1, 1}, {2, 2}, icon, DST_ICON | DSS_DISABLED));
  EXPECT_EQ(Picture(target,
                    {{0x00FF00, '.'}, {test_colors::kShadow, 'S'}, {test_colors::kHighlight, 'H'}}),
            (std::vector<std::string>{"....",  //
                                      ".SS.",  //
                                      ".SHH",  //
                                      "..H."}));
  EXPECT_FALSE(dc.DrawState({0, 0}, {2, 2}, HICON{0x7777}, DST_ICON));
  DestroyIcon(icon);
}

TEST(GdiBlit, CopiesFromDibSectionsBottomUpAndClips) {
  BITMAPINFOHEADER header;
  header.biSize = 40;
  header.biWidth = 2;
  header.biHeight = 2;  // bottom-up
  header.biPlanes = 1;
  header.biBitCount = 8;
  std::vector<RGBQUAD> colors(256);
  colors[1] = {0, 0, 255, 0};  // red
  colors[2] = {255, 0, 0, 0};  // blue
  void* bits = nullptr;
  std::unique_ptr<CBitmap> section = CBitmap::CreateDIBSection(header, colors.data(), &bits);
  ASSERT_TRUE(section && bits);
  auto* bytes = static_cast<BYTE*>(bits);
  bytes[0] = 1;      // bottom-left
  bytes[4 + 1] = 2;  // top-right
  EXPECT_EQ(section->GetPixel(0, 1), RGB(255, 0, 0));

  QImage screen = Canvas(3, 3);
  CDC dc(&screen);
  std::unique_ptr<CDC> memory = CDC::CreateCompatibleDC(&dc);
  CBitmap* old = memory->SelectObject(section.get());
  EXPECT_TRUE(dc.BitBlt(1, 1, 2, 2, memory.get(), 0, 0, SRCCOPY));
  EXPECT_TRUE(dc.BitBlt(-1, 0, 2, 1, memory.get(), 0, 0, SRCCOPY));     // left half cut off
  EXPECT_FALSE(dc.BitBlt(0, 0, 1, 1, memory.get(), 0, 0, 0x00660046));  // SRCINVERT: not here
  memory->SelectObject(old);
  EXPECT_EQ(Picture(screen, {{0xFFFFFF, '.'}, {0xFF0000, 'r'}, {0x0000FF, 'b'}, {0, 'k'}}),
            (std::vector<std::string>{"b..",  //
                                      ".kb",  //
                                      ".rk"}));

  header.biBitCount = 24;
  EXPECT_EQ(CBitmap::CreateDIBSection(header, nullptr, &bits), nullptr);
  EXPECT_EQ(bits, nullptr);
}

}  // namespace
