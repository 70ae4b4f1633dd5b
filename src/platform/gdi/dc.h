#pragma once
// Bitmaps, brushes and device contexts of the GDI-like layer. A device context draws on a
// 32-bit QImage, whose memory layout is that of a 32-bit DIB (blue byte first); a memory DC
// draws on whatever bitmap is selected into it.

#include <QFont>
#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
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

  // A 32-bit top-down DIB section of width x height, all bytes 0 (blit.cpp); the drawing
  // surface of the per-pixel work: a DC can draw on it and its alpha bytes are kept.
  static std::unique_ptr<CBitmap> CreateDIBSection32(int width, int height, void** bits);

  // CreateBitmap: 1 bit per pixel (all 0, black) or 32 bits per pixel (all bytes 0, alpha
  // bytes kept by blits as in a DIB); null for other depths, several planes or no size.
  static std::unique_ptr<CBitmap> CreateBitmap(int width, int height, UINT planes,
                                               UINT bitsPerPixel);

  // Wraps a 32-bit image (RGB32 or ARGB32); alpha counts only where a caller asks for it.
  explicit CBitmap(QImage image);

  int Width() const;
  int Height() const;

  // The image behind a device bitmap or a 32-bit top-down DIB section (over its pixel
  // memory); null for the other DIB sections.
  QImage* Image() { return image_.isNull() && dib_ ? nullptr : &image_; }
  const QImage* Image() const { return image_.isNull() && dib_ ? nullptr : &image_; }

  COLORREF GetPixel(int x, int y) const;

  // GetObject: size, depth and, for a DIB section, its pixels; FALSE for an empty bitmap.
  BOOL GetBitmap(BITMAP* info) const;

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
class CFont;
struct TEXTMETRIC;
class CPen;

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

  // Raster operations SRCCOPY, SRCAND, SRCPAINT, and BLACKNESS and WHITENESS (no source;
  // blit.cpp). Onto a 32-bit bitmap from any bitmap, and onto a 1-bit one; parts outside
  // either bitmap are skipped. As in GDI, a 1-bit source gives its 0 pixels the text colour
  // of this DC and its 1 pixels the back colour, and a colour source gives a 1-bit target 1
  // where it has the source DC's back colour, 0 elsewhere. A pixel of a 32-bit bitmap is
  // the four bytes of a DIB (blue, green, red, alpha): opaque images (RGB32, and premultiplied
  // window faces) read as alpha 0 and keep their 0xFF in memory; ARGB32 images and 32-bit DIB
  // sections keep the alpha byte as it comes, not premultiplied.
  BOOL BitBlt(int x, int y, int width, int height, const CDC* source, int xSource, int ySource,
              DWORD rop);
  // SRCCOPY, SRCAND, SRCPAINT with the same rules; each target pixel takes the source pixel
  // under its centre (COLORONCOLOR). A negative or zero size draws nothing.
  BOOL StretchBlt(int x, int y, int width, int height, const CDC* source, int xSource,
                  int ySource, int widthSource, int heightSource, DWORD rop);

  // Lines in the selected pen (pen.cpp); without one, a black solid pen one pixel wide.
  CPen* SelectObject(CPen* pen);
  POINT MoveTo(int x, int y);
  BOOL LineTo(int x, int y);

  COLORREF GetPixel(int x, int y) const;
  COLORREF SetPixel(int x, int y, COLORREF color);

  // Text in a GDI font (font.cpp). Texts are bytes decoded as UTF-8. The justification set
  // by SetTextJustification widens every break character of the following measurements and
  // outputs: breakExtra pixels over breakCount breaks, the first breakExtra % breakCount of
  // them one pixel more. TextOut draws the cell (extent by tmHeight) from its top-left corner,
  // filled with the back colour in OPAQUE mode, clipped to the clip rectangle.
  CFont* SelectObject(CFont* font);
  CFont* GetCurrentFont() const { return gdiFont_; }
  BOOL GetTextMetrics(TEXTMETRIC* metrics) const;
  BOOL GetTextExtentPoint32(std::string_view text, SIZE* size) const;
  // (*prefixWidths)[k] is the width of the first k bytes (text.size() + 1 entries); a cut
  // inside a character counts up to that character.
  BOOL GetTextExtentExPoint(std::string_view text, std::vector<int>* prefixWidths) const;
  BOOL TextOut(int x, int y, std::string_view text);
  BOOL SetTextJustification(int breakExtra, int breakCount);
  COLORREF GetBkColor() const { return bkColor_; }
  // A fixed 96 pixels per inch, the Windows default, so sizes in points do not depend on the
  // screen the program runs on.
  int GetDeviceCaps(int index) const;
  // A single clip rectangle; a null one removes it. Text output honours it.
  void SelectClipRect(const RECT* rect);
  std::optional<RECT> GetClipRect() const { return clip_; }

 private:
  CDC() = default;
  // The 32-bit image drawn on, or null (no bitmap, or a DIB section of a palette depth).
  QImage* Surface() const;
  // The pixels this DC draws on or reads from, for the blits (blit.cpp).
  struct Pixels;
  Pixels View() const;

  QImage* target_ = nullptr;
  CBitmap* selected_ = nullptr;
  QFont font_;
  COLORREF textColor_ = RGB(0, 0, 0);
  COLORREF bkColor_ = RGB(255, 255, 255);
  int bkMode_ = OPAQUE;
  CFont* gdiFont_ = nullptr;
  int justifyExtra_ = 0;
  int justifyCount_ = 0;
  std::optional<RECT> clip_;
  CPen* pen_ = nullptr;
  POINT position_;
};

}  // namespace gdi
