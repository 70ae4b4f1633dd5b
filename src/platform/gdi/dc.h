#pragma once
// Bitmaps, brushes and device contexts of the GDI-like layer. A device context draws on a
// 32-bit QImage, whose memory layout is that of a 32-bit DIB (blue byte first); a memory DC
// draws on whatever bitmap is selected into it.

#include <QFont>
#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdi/gdi.h"

namespace gdi {

class CBitmap {
 public:
  // A device-dependent bitmap, 32 bits per pixel; its pixels start black.
  static std::unique_ptr<CBitmap> CreateCompatibleBitmap(int width, int height);

  // A DIB section (1, 4, 8 or 32 bits per pixel, BI_RGB) whose pixel memory keeps the DIB
  // layout: rows padded to 4 bytes, bottom-up when biHeight is positive. The colour table has
  // 2^bits entries for the palette depths. Null on a header it cannot honour or on lack of
  // memory; *bits then is null too.
  static std::unique_ptr<CBitmap> CreateDIBSection(const BITMAPINFOHEADER& header,
                                                   const RGBQUAD* colors, void** bits);

  // Wraps a 32-bit image (RGB32 or ARGB32); alpha counts only where a caller asks for it.
  explicit CBitmap(QImage image);

  int Width() const;
  int Height() const;

  // The 32-bit image behind a device bitmap, or null for a DIB section.
  QImage* Image() { return dib_ ? nullptr : &image_; }
  const QImage* Image() const { return dib_ ? nullptr : &image_; }

  COLORREF GetPixel(int x, int y) const;

 private:
  CBitmap() = default;
  // The address of row y (0 = top) of a DIB section.
  const std::uint8_t* DibRow(int y) const;

  QImage image_;
  bool dib_ = false;
  BITMAPINFOHEADER header_{};
  std::vector<RGBQUAD> colors_;
  std::unique_ptr<std::uint8_t[]> bits_;
  std::size_t stride_ = 0;

  friend class CDC;
};

class CBrush {
 public:
  explicit CBrush(COLORREF color) : color_(color), null_(false) {}
  // The stock NULL_BRUSH: paints nothing.
  static CBrush Null() { return CBrush(); }

  COLORREF Color() const { return color_; }
  bool IsNull() const { return null_; }

 private:
  CBrush() = default;
  COLORREF color_ = 0;
  bool null_ = true;
};

enum class HICON : std::uint32_t;

class CDC {
 public:
  // A DC that draws on an existing 32-bit image, such as a window's face being painted.
  explicit CDC(QImage* target);
  ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  // A memory DC; nothing can be drawn on it until a bitmap is selected.
  static std::unique_ptr<CDC> CreateCompatibleDC(const CDC* dc);

  // Returns the bitmap selected before. The DC does not own the bitmap.
  CBitmap* SelectObject(CBitmap* bitmap);
  QFont SelectObject(const QFont& font);
  const QFont& GetFont() const { return font_; }

  COLORREF SetTextColor(COLORREF color);
  COLORREF GetTextColor() const { return textColor_; }
  COLORREF SetBkColor(COLORREF color);
  int SetBkMode(int mode);
  int GetBkMode() const { return bkMode_; }

  void FillSolidRect(const RECT& rect, COLORREF color);
  void FillRect(const RECT& rect, const CBrush& brush);
  // Top and left edges in topLeft, right and bottom edges (and their corners) in bottomRight.
  void Draw3dRect(const RECT& rect, COLORREF topLeft, COLORREF bottomRight);

  // Multi-line text, top-aligned; lines end at CR, LF or CR LF, and with DT_WORDBREAK also
  // between words where a line would pass the right edge. '&' marks a mnemonic and is not
  // drawn ("&&" draws one) unless DT_NOPREFIX. DT_CALCRECT draws nothing and sets the
  // rectangle's right and bottom to bound the text. Returns the height of the text.
  int DrawText(const QString& text, RECT* rect, UINT format);

  // DST_ICON only: draws the icon at pt with the given size; DSS_DISABLED embosses its shape
  // in the 3-D highlight and shadow colours.
  BOOL DrawState(POINT pt, SIZE size, HICON icon, UINT flags, const CBrush* brush = nullptr);

  // SRCCOPY only, from any bitmap to a 32-bit one; parts outside either bitmap are skipped.
  BOOL BitBlt(int x, int y, int width, int height, const CDC* source, int xSource, int ySource,
              DWORD rop);

  COLORREF GetPixel(int x, int y) const;
  COLORREF SetPixel(int x, int y, COLORREF color);

 private:
  CDC() = default;
  // The 32-bit image drawn on, or null (no bitmap, or a DIB section of a palette depth).
  QImage* Surface() const;

  QImage* target_ = nullptr;
  CBitmap* selected_ = nullptr;
  QFont font_;
  COLORREF textColor_ = RGB(0, 0, 0);
  COLORREF bkColor_ = RGB(255, 255, 255);
  int bkMode_ = OPAQUE;
};

}  // namespace gdi
