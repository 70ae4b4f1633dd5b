#include "platform/gdi/dc.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "platform/gdi/icon.h"

namespace gdi {

namespace {

bool Is32Bit(const QImage& image) {
  switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
      return true;
    default:
      return false;
  }
}

COLORREF FromQRgb(QRgb rgb) { return RGB(qRed(rgb), qGreen(rgb), qBlue(rgb)); }

QRgb OpaqueQRgb(COLORREF color) {
  return qRgb(GetRValue(color), GetGValue(color), GetBValue(color));
}

// The lines of a DrawText call, after mnemonic markers are taken out.
struct TextLine {
  QString text;
  int width = 0;
};

QString StripPrefixes(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&') {
      if (i + 1 < text.size() && text[i + 1] == u'&') out += u'&';
      ++i;
      if (i < text.size() && text[i] != u'&') out += text[i];
      continue;
    }
    out += text[i];
  }
  return out;
}

void BreakParagraph(const QString& paragraph, const QFontMetrics& metrics, int maxWidth,
                    bool wordBreak, std::vector<TextLine>& lines) {
  if (!wordBreak || paragraph.isEmpty()) {
    lines.push_back({paragraph, metrics.horizontalAdvance(paragraph)});
    return;
  }
  const qsizetype n = paragraph.size();
  qsizetype start = 0;
  for (;;) {
    qsizetype end = start;  // end of the last word that fits
    qsizetype i = start;
    bool hasWord = false;
    while (i < n) {
      qsizetype k = i;
      while (k < n && paragraph[k] == u' ') ++k;
      while (k < n && paragraph[k] != u' ') ++k;
      // A word wider than the whole line still gets a line of its own.
      if (hasWord && metrics.horizontalAdvance(paragraph.mid(start, k - start)) > maxWidth) break;
      end = k;
      i = k;
      hasWord = true;
    }
    const QString line = paragraph.mid(start, end - start);
    lines.push_back({line, metrics.horizontalAdvance(line)});
    start = end;
    while (start < n && paragraph[start] == u' ') ++start;
    if (start >= n) return;
  }
}

std::vector<TextLine> LayOutText(const QString& text, const QFontMetrics& metrics, int maxWidth,
                                 bool wordBreak) {
  std::vector<TextLine> lines;
  if (text.isEmpty()) return lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != u'\r' && text[i] != u'\n') continue;
    BreakParagraph(text.mid(start, i - start), metrics, maxWidth, wordBreak, lines);
    if (i + 1 < text.size() && text[i] == u'\r' && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  return lines;
}

}  // namespace

// ---- CBitmap ----------------------------------------------------------------------------------

CBitmap::CBitmap(QImage image) : image_(std::move(image)) {}

std::unique_ptr<CBitmap> CBitmap::CreateCompatibleBitmap(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  QImage image(width, height, QImage::Format_RGB32);
  if (image.isNull()) return nullptr;
  image.fill(Qt::black);
  return std::make_unique<CBitmap>(std::move(image));
}

std::unique_ptr<CBitmap> CBitmap::CreateDIBSection(const BITMAPINFOHEADER& header,
                                                   const RGBQUAD* colors, void** bits) {
  if (bits) *bits = nullptr;
  const int depth = header.biBitCount;
  if (header.biCompression != BI_RGB || header.biWidth <= 0 || header.biHeight == 0) {
    return nullptr;
  }
  if (depth != 1 && depth != 4 && depth != 8 && depth != 32) return nullptr;
  if (depth <= 8 && !colors) return nullptr;
  const std::uint64_t width = static_cast<std::uint64_t>(header.biWidth);
  const std::uint64_t height = static_cast<std::uint64_t>(
      header.biHeight < 0 ? -std::int64_t{header.biHeight} : std::int64_t{header.biHeight});
  const std::uint64_t stride = (width * depth + 31) / 32 * 4;
  const std::uint64_t size = stride * height;
  if (size > 0x7FFFFFFF) return nullptr;

  std::unique_ptr<CBitmap> bitmap(new (std::nothrow) CBitmap());
  if (!bitmap) return nullptr;
  bitmap->bits_.reset(new (std::nothrow) std::uint8_t[size]());
  if (!bitmap->bits_) return nullptr;
  bitmap->dib_ = true;
  bitmap->header_ = header;
  bitmap->stride_ = static_cast<std::size_t>(stride);
  if (depth <= 8) {
    bitmap->colors_.assign(colors, colors + (std::size_t{1} << depth));
  }
  // A top-down 32-bit section is drawn on through an image over its own memory.
  if (depth == 32 && header.biHeight < 0) {
    bitmap->image_ = QImage(bitmap->bits_.get(), static_cast<int>(width), static_cast<int>(height),
                            static_cast<qsizetype>(stride), QImage::Format_ARGB32);
  }
  if (bits) *bits = bitmap->bits_.get();
  return bitmap;
}

int CBitmap::Width() const { return dib_ ? header_.biWidth : image_.width(); }

int CBitmap::Height() const {
  if (!dib_) return image_.height();
  return header_.biHeight < 0 ? -header_.biHeight : header_.biHeight;
}

const std::uint8_t* CBitmap::DibRow(int y) const {
  const int row = header_.biHeight > 0 ? Height() - 1 - y : y;
  return bits_.get() + static_cast<std::size_t>(row) * stride_;
}

COLORREF CBitmap::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return CLR_INVALID;
  if (!dib_) return FromQRgb(image_.pixel(x, y));
  const std::uint8_t* row = DibRow(y);
  switch (header_.biBitCount) {
    case 1: {
      const RGBQUAD& q = colors_[(row[x / 8] >> (7 - x % 8)) & 1];
      return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    case 4: {
      const RGBQUAD& q = colors_[(row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF];
      return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    case 8: {
      const RGBQUAD& q = colors_[row[x]];
      return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    default: {
      const std::uint8_t* p = row + 4 * x;
      return RGB(p[2], p[1], p[0]);
    }
  }
}

// ---- CDC --------------------------------------------------------------------------------------

CDC::CDC(QImage* target) : target_(target) {}

CDC::~CDC() = default;

std::unique_ptr<CDC> CDC::CreateCompatibleDC(const CDC* dc) {
  std::unique_ptr<CDC> memory(new (std::nothrow) CDC());
  if (memory && dc) memory->font_ = dc->font_;
  return memory;
}

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
  CBitmap* previous = selected_;
  selected_ = bitmap;
  return previous;
}

QFont CDC::SelectObject(const QFont& font) {
  QFont previous = font_;
  font_ = font;
  return previous;
}

COLORREF CDC::SetTextColor(COLORREF color) { return std::exchange(textColor_, color); }
COLORREF CDC::SetBkColor(COLORREF color) { return std::exchange(bkColor_, color); }
int CDC::SetBkMode(int mode) { return std::exchange(bkMode_, mode); }

QImage* CDC::Surface() const {
  QImage* image = target_ ? target_ : (selected_ ? selected_->Image() : nullptr);
  return image && !image->isNull() ? image : nullptr;
}

void CDC::FillSolidRect(const RECT& rect, COLORREF color) {
  QImage* image = Surface();
  if (!image) return;
  const int left = std::max(0, rect.left);
  const int top = std::max(0, rect.top);
  const int right = std::min(image->width(), rect.right);
  const int bottom = std::min(image->height(), rect.bottom);
  if (left >= right || top >= bottom) return;
  if (Is32Bit(*image)) {
    // As GDI does, the alpha byte of a DIB section (ARGB32) is written 0; opaque images and
    // window faces keep 0xFF.
    const QRgb value = image->format() == QImage::Format_ARGB32 ? OpaqueQRgb(color) & 0x00FFFFFF
                                                                : OpaqueQRgb(color);
    for (int y = top; y < bottom; ++y) {
      QRgb* line = reinterpret_cast<QRgb*>(image->scanLine(y));
      std::fill(line + left, line + right, value);
    }
    return;
  }
  QPainter painter(image);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.fillRect(left, top, right - left, bottom - top, QColor(OpaqueQRgb(color)));
}

void CDC::FillRect(const RECT& rect, const CBrush& brush) {
  if (!brush.IsNull()) FillSolidRect(rect, brush.Color());
}

void CDC::Draw3dRect(const RECT& rect, COLORREF topLeft, COLORREF bottomRight) {
  const LONG l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
  FillSolidRect({l, t, r - 1, t + 1}, topLeft);
  FillSolidRect({l, t, l + 1, b - 1}, topLeft);
  FillSolidRect({r - 1, t, r, b}, bottomRight);
  FillSolidRect({l, b - 1, r, b}, bottomRight);
}

int CDC::DrawText(const QString& text, RECT* rect, UINT format) {
  if (!rect) return 0;
  QImage* image = Surface();
  const QFontMetrics metrics = image ? QFontMetrics(font_, image) : QFontMetrics(font_);
  const QString shown = (format & DT_NOPREFIX) ? text : StripPrefixes(text);
  const std::vector<TextLine> lines =
      LayOutText(shown, metrics, rect->Width(), (format & DT_WORDBREAK) != 0);
  const int lineHeight = metrics.height();
  const int height = lineHeight * static_cast<int>(lines.size());

  if (format & DT_CALCRECT) {
    int widest = 0;
    for (const TextLine& line : lines) widest = std::max(widest, line.width);
    rect->right = rect->left + widest;
    rect->bottom = rect->top + height;
    return height;
  }
  if (!image || lines.empty()) return height;

  QPainter painter(image);
  painter.setFont(font_);
  painter.setClipRect(rect->left, rect->top, rect->Width(), rect->Height());
  painter.setPen(QColor(OpaqueQRgb(textColor_)));
  int y = rect->top;
  for (const TextLine& line : lines) {
    int x = rect->left;
    if (format & DT_CENTER) x += (rect->Width() - line.width) / 2;
    if (bkMode_ == OPAQUE) {
      painter.fillRect(x, y, line.width, lineHeight, QColor(OpaqueQRgb(bkColor_)));
    }
    painter.drawText(QPoint(x, y + metrics.ascent()), line.text);
    y += lineHeight;
  }
  return height;
}

BOOL CDC::DrawState(POINT pt, SIZE size, HICON icon, UINT flags, const CBrush* /*brush*/) {
  QImage* image = Surface();
  if (!image || (flags & 0xF) != DST_ICON) return FALSE;
  ICONINFO info;
  if (!GetIconInfo(icon, &info)) return FALSE;
  const int width = size.cx ? size.cx : info.hbmColor->Width();
  const int height = size.cy ? size.cy : info.hbmColor->Height();
  if (!(flags & DSS_DISABLED)) return DrawIconOnImage(*image, pt.x, pt.y, width, height, icon);

  // As on Windows: the icon's shape is whatever does not stay white when the icon is drawn on
  // white; it is stamped in the highlight colour one pixel down-right, then in the shadow
  // colour in place, which reads as an engraved picture.
  QImage white(width, height, QImage::Format_RGB32);
  white.fill(Qt::white);
  DrawIconOnImage(white, 0, 0, width, height, icon);
  const COLORREF colors[2] = {GetSysColor(COLOR_3DHILIGHT), GetSysColor(COLOR_3DSHADOW)};
  const int offsets[2] = {1, 0};
  for (int pass = 0; pass < 2; ++pass) {
    const QRgb value = OpaqueQRgb(colors[pass]);
    for (int y = 0; y < height; ++y) {
      const int dy = pt.y + y + offsets[pass];
      if (dy < 0 || dy >= image->height()) continue;
      const QRgb* source = reinterpret_cast<const QRgb*>(white.constScanLine(y));
      for (int x = 0; x < width; ++x) {
        const int dx = pt.x + x + offsets[pass];
        if (dx < 0 || dx >= image->width() || (source[x] & 0xFFFFFF) == 0xFFFFFF) continue;
        image->setPixel(dx, dy, value);
      }
    }
  }
  return TRUE;
}

COLORREF CDC::GetPixel(int x, int y) const {
  if (const QImage* image = Surface()) {
    if (x < 0 || y < 0 || x >= image->width() || y >= image->height()) return CLR_INVALID;
    return FromQRgb(image->pixel(x, y));
  }
  return selected_ ? selected_->GetPixel(x, y) : CLR_INVALID;
}

COLORREF CDC::SetPixel(int x, int y, COLORREF color) {
  QImage* image = Surface();
  if (!image || !Is32Bit(*image) || x < 0 || y < 0 || x >= image->width() || y >= image->height()) {
    return CLR_INVALID;
  }
  image->setPixel(x, y, OpaqueQRgb(color));
  return color & 0xFFFFFF;
}

}  // namespace gdi
