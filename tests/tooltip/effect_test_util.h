#pragma once
// Small images for the drawing-effect tests: canvases, pixels as 0xRRGGBB, pictures as letters.

#include <QImage>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/gdi/dc.h"
#include "platform/gdi/icon.h"
#include "support/picture.h"

namespace effect_test {

// 0xRRGGBB, the way QImage reads a pixel without its alpha byte.
constexpr QRgb Px(int red, int green, int blue) {
  return static_cast<QRgb>((red << 16) | (green << 8) | blue);
}

using Rows = std::vector<std::vector<QRgb>>;  // top row first, 0xRRGGBB

inline QImage Canvas(int width, int height, QRgb fill) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(0xFF000000u | fill);
  return image;
}

// An image from rows of 0xAARRGGBB values, in the given format.
inline QImage ImageOf(const std::vector<std::vector<QRgb>>& rows,
                      QImage::Format format = QImage::Format_RGB32) {
  const int height = static_cast<int>(rows.size());
  const int width = height ? static_cast<int>(rows[0].size()) : 0;
  QImage image(width, height, format);
  for (int y = 0; y < height; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      line[x] = format == QImage::Format_RGB32 ? 0xFF000000u | rows[y][x] : rows[y][x];
    }
  }
  return image;
}

inline Rows PixelsOf(const QImage& image, QRgb mask = 0x00FFFFFF) {
  Rows rows(image.height());
  for (int y = 0; y < image.height(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) rows[y].push_back(line[x] & mask);
  }
  return rows;
}

// The rectangle (x, y, width, height) of an image.
inline Rows PixelsOf(const QImage& image, int x, int y, int width, int height) {
  return PixelsOf(image.copy(x, y, width, height));
}

// The pixels of a 32-bit DIB section (top-down), all four bytes.
inline Rows SectionPixels(const gdi::CBitmap& bitmap) {
  gdi::BITMAP info;
  bitmap.GetBitmap(&info);
  Rows rows(info.bmHeight);
  const auto* bits = static_cast<const gdi::DWORD*>(info.bmBits);
  for (int y = 0; y < info.bmHeight; ++y) {
    rows[y].assign(bits + y * info.bmWidth, bits + (y + 1) * info.bmWidth);
  }
  return rows;
}

using testsupport::Picture;

inline constexpr QRgb kMark = Px(0x12, 0x34, 0x56);  // the canvas around the painted area

inline constexpr gdi::COLORREF kRed = gdi::RGB(255, 0, 0);
inline constexpr gdi::COLORREF kGreen = gdi::RGB(0, 255, 0);
inline constexpr gdi::COLORREF kBlue = gdi::RGB(0, 0, 255);
inline constexpr gdi::COLORREF kBlack = gdi::RGB(0, 0, 0);
inline constexpr gdi::COLORREF kWhite = gdi::RGB(255, 255, 255);
inline constexpr gdi::COLORREF kGrey128 = gdi::RGB(128, 128, 128);

inline Rows Repeat(std::vector<QRgb> row, int times) { return Rows(times, row); }

inline std::vector<QRgb> Greys(std::vector<int> values) {
  std::vector<QRgb> row;
  for (int v : values) row.push_back(Px(v, v, v));
  return row;
}

// An icon from a colour image and a mask image (white = transparent); the hotspot is the
// centre, as for an icon resource.
inline gdi::HICON IconOf(const QImage& color, const QImage& mask) {
  gdi::ICONINFO info;
  info.xHotspot = static_cast<gdi::DWORD>(color.width() / 2);
  info.yHotspot = static_cast<gdi::DWORD>(color.height() / 2);
  info.hbmColor = std::make_unique<gdi::CBitmap>(color);
  info.hbmMask = std::make_unique<gdi::CBitmap>(mask);
  return gdi::CreateIconIndirect(info);
}

}  // namespace effect_test
