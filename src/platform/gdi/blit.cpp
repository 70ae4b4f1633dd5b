// Block transfers of the GDI-like layer: BitBlt and StretchBlt with the raster operations the
// drawing effects use, 32-bit DIB sections a DC can draw on, CreateBitmap and GetObject.
//
// Pixels travel as 32-bit DIB values (blue in the low byte, alpha in the high byte), which is
// also the value of a QRgb: an ARGB32 image or a 32-bit DIB section keeps its alpha byte as
// it comes; an opaque image (RGB32, or a window's premultiplied face) reads as alpha 0 and
// always keeps 0xFF in memory, as Qt requires of those formats.

#include <QImage>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/gdi/dc.h"

namespace gdi {

namespace {

enum class Kind { None, Opaque32, Alpha32, Mono, MonoLsb, Dib, Other };

Kind KindOf(const QImage& image) {
  switch (image.format()) {
    // A premultiplied image is a window's face: opaque, as a screen is to GDI.
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32_Premultiplied:
      return Kind::Opaque32;
    case QImage::Format_ARGB32:
      return Kind::Alpha32;
    case QImage::Format_Mono:
      return Kind::Mono;
    case QImage::Format_MonoLSB:
      return Kind::MonoLsb;
    default:
      return Kind::Other;
  }
}

// A COLORREF (red low) as a DIB value (blue low), alpha 0.
DWORD ToDib(COLORREF color) {
  return (DWORD{GetRValue(color)} << 16) | (DWORD{GetGValue(color)} << 8) | GetBValue(color);
}

DWORD FromQuad(const RGBQUAD& quad) {
  return (DWORD{quad.rgbRed} << 16) | (DWORD{quad.rgbGreen} << 8) | quad.rgbBlue;
}

bool IsMonoKind(Kind kind) { return kind == Kind::Mono || kind == Kind::MonoLsb; }

// The raster operations by what they need.
bool NeedsSource(DWORD rop) { return rop == SRCCOPY || rop == SRCAND || rop == SRCPAINT; }
bool KnownRop(DWORD rop) { return NeedsSource(rop) || rop == BLACKNESS || rop == WHITENESS; }

DWORD Combine(DWORD rop, DWORD dest, DWORD source) {
  switch (rop) {
    case SRCCOPY:
      return source;
    case SRCAND:
      return dest & source;
    case SRCPAINT:
      return dest | source;
    case WHITENESS:
      return 0x00FFFFFF;
    default:  // BLACKNESS
      return 0;
  }
}

}  // namespace

struct CDC::Pixels {
  QImage* image = nullptr;       // what the DC draws on, in any format
  const CBitmap* dib = nullptr;  // or a DIB section it can only read
  Kind kind = Kind::None;
  int width = 0;
  int height = 0;

  // count pixels of row y from column x as DIB values. A 1-bit device bitmap gives its 0
  // pixels `text` and its 1 pixels `back` (DIB values).
  void ReadRow(int y, int x, int count, DWORD text, DWORD back, DWORD* out) const {
    switch (kind) {
      case Kind::Opaque32: {
        const QRgb* in = reinterpret_cast<const QRgb*>(image->constScanLine(y)) + x;
        for (int i = 0; i < count; ++i) out[i] = in[i] & 0x00FFFFFF;
        return;
      }
      case Kind::Alpha32: {
        const QRgb* in = reinterpret_cast<const QRgb*>(image->constScanLine(y)) + x;
        std::copy(in, in + count, out);
        return;
      }
      case Kind::Mono:
      case Kind::MonoLsb: {
        const uchar* in = image->constScanLine(y);
        for (int i = 0; i < count; ++i) {
          const int col = x + i;
          const int shift = kind == Kind::Mono ? 7 - col % 8 : col % 8;
          out[i] = (in[col / 8] >> shift) & 1 ? back : text;
        }
        return;
      }
      case Kind::Dib: {
        const std::uint8_t* row = dib->DibRow(y);
        const std::vector<RGBQUAD>& colors = dib->colors_;
        switch (dib->header_.biBitCount) {
          case 32:
            for (int i = 0; i < count; ++i) {
              const std::uint8_t* p = row + 4 * (x + i);
              out[i] = p[0] | (DWORD{p[1]} << 8) | (DWORD{p[2]} << 16) | (DWORD{p[3]} << 24);
            }
            return;
          case 8:
            for (int i = 0; i < count; ++i) out[i] = FromQuad(colors[row[x + i]]);
            return;
          case 4:
            for (int i = 0; i < count; ++i) {
              const int col = x + i;
              out[i] = FromQuad(colors[(row[col / 2] >> (col % 2 ? 0 : 4)) & 0xF]);
            }
            return;
          default:  // 1 bit: a DIB section takes its colours from its own table
            for (int i = 0; i < count; ++i) {
              const int col = x + i;
              out[i] = FromQuad(colors[(row[col / 8] >> (7 - col % 8)) & 1]);
            }
            return;
        }
      }
      case Kind::Other:
        for (int i = 0; i < count; ++i) {
          const QRgb rgb = image->pixel(x + i, y);
          out[i] = image->hasAlphaChannel() ? rgb : rgb & 0x00FFFFFF;
        }
        return;
      case Kind::None:
        return;
    }
  }

  bool Writable() const {
    return kind == Kind::Opaque32 || kind == Kind::Alpha32 || IsMonoKind(kind);
  }

  // Combines count pixels into row y from column x. A 1-bit target takes the source values as
  // bits when monoSource, else 1 where a value equals sourceBack.
  void WriteRow(int y, int x, int count, const DWORD* source, DWORD rop, bool monoSource,
                DWORD sourceBack) const {
    if (IsMonoKind(kind)) {
      uchar* line = image->scanLine(y);
      for (int i = 0; i < count; ++i) {
        const int col = x + i;
        const int shift = kind == Kind::Mono ? 7 - col % 8 : col % 8;
        const DWORD bit = monoSource ? (source ? source[i] & 1 : 0)
                                     : (source && (source[i] & 0x00FFFFFF) == sourceBack);
        const DWORD dest = (line[col / 8] >> shift) & 1;
        const DWORD value = Combine(rop, dest ? 0x00FFFFFF : 0, bit ? 0x00FFFFFF : 0) & 1;
        line[col / 8] = static_cast<uchar>((line[col / 8] & ~(1 << shift)) | (value << shift));
      }
      return;
    }
    QRgb* out = reinterpret_cast<QRgb*>(image->scanLine(y)) + x;
    const DWORD keep = kind == Kind::Opaque32 ? 0xFF000000 : 0;
    for (int i = 0; i < count; ++i) {
      out[i] =
          Combine(rop, out[i] & (keep ? 0x00FFFFFF : 0xFFFFFFFF), source ? source[i] : 0) | keep;
    }
  }
};

CDC::Pixels CDC::View() const {
  Pixels view;
  if (QImage* image = Surface()) {
    view.image = image;
    view.kind = KindOf(*image);
    view.width = image->width();
    view.height = image->height();
  } else if (selected_ && selected_->dib_ && selected_->bits_) {
    view.dib = selected_;
    view.kind = Kind::Dib;
    view.width = selected_->Width();
    view.height = selected_->Height();
  }
  return view;
}

BOOL CDC::BitBlt(int x, int y, int width, int height, const CDC* source, int xSource, int ySource,
                 DWORD rop) {
  const Pixels target = View();
  if (!target.Writable() || !KnownRop(rop)) return FALSE;
  const bool needsSource = NeedsSource(rop);
  Pixels from;
  if (needsSource) {
    if (!source) return FALSE;
    from = source->View();
    if (from.kind == Kind::None) return FALSE;
  } else {
    // Without a source, the source rectangle is the target's own.
    from = target;
    xSource = x;
    ySource = y;
  }

  // Clip to both bitmaps, wide so that no coordinate can overflow.
  using W = std::int64_t;
  const W cx0 = std::max({W{0}, -W{x}, -W{xSource}});
  const W cy0 = std::max({W{0}, -W{y}, -W{ySource}});
  const W cx1 = std::min({W{width}, W{target.width} - x, W{from.width} - xSource});
  const W cy1 = std::min({W{height}, W{target.height} - y, W{from.height} - ySource});
  if (cx0 >= cx1 || cy0 >= cy1) return TRUE;
  // Inside both bitmaps every value below fits an int.
  const int x0 = static_cast<int>(cx0), x1 = static_cast<int>(cx1);
  const int y0 = static_cast<int>(cy0), y1 = static_cast<int>(cy1);

  const bool monoToMono = IsMonoKind(target.kind) && IsMonoKind(from.kind);
  const DWORD text = monoToMono ? 0 : ToDib(textColor_);
  const DWORD back = monoToMono ? 1 : ToDib(bkColor_);
  const DWORD sourceBack = source ? ToDib(source->bkColor_) : 0;
  std::vector<DWORD> row(needsSource ? static_cast<std::size_t>(x1 - x0) : 0);
  for (int r = y0; r < y1; ++r) {
    if (needsSource) from.ReadRow(ySource + r, xSource + x0, x1 - x0, text, back, row.data());
    target.WriteRow(y + r, x + x0, x1 - x0, needsSource ? row.data() : nullptr, rop,
                    IsMonoKind(from.kind), sourceBack);
  }
  return TRUE;
}

BOOL CDC::StretchBlt(int x, int y, int width, int height, const CDC* source, int xSource,
                     int ySource, int widthSource, int heightSource, DWORD rop) {
  if (!NeedsSource(rop)) return BitBlt(x, y, width, height, source, xSource, ySource, rop);
  const Pixels target = View();
  if (!target.Writable() || !source) return FALSE;
  const Pixels from = source->View();
  if (from.kind == Kind::None) return FALSE;
  if (width <= 0 || height <= 0 || widthSource <= 0 || heightSource <= 0) return TRUE;

  // The source column under the centre of each target column; the mapping only grows, so
  // the target columns whose source lies inside the source bitmap are one run.
  const auto sourceOf = [](int i, int size, int sourceSize) {
    return static_cast<int>((2 * std::int64_t{i} + 1) * sourceSize / (2 * std::int64_t{size}));
  };
  // The target columns and rows inside the target; once not empty, they fit an int.
  using W = std::int64_t;
  const W wideColBegin = std::max(W{0}, -W{x});
  const W wideColEnd = std::min(W{width}, W{target.width} - x);
  const W wideRowBegin = std::max(W{0}, -W{y});
  const W wideRowEnd = std::min(W{height}, W{target.height} - y);
  if (wideColBegin >= wideColEnd || wideRowBegin >= wideRowEnd) return TRUE;
  const int colBegin = static_cast<int>(wideColBegin), colEnd = static_cast<int>(wideColEnd);
  const int rowBegin = static_cast<int>(wideRowBegin), rowEnd = static_cast<int>(wideRowEnd);
  std::vector<int> columns;
  int firstCol = -1;
  for (int col = colBegin; col < colEnd; ++col) {
    const std::int64_t sx = std::int64_t{xSource} + sourceOf(col, width, widthSource);
    if (sx < 0 || sx >= from.width) {
      if (firstCol >= 0) break;
      continue;
    }
    if (firstCol < 0) firstCol = col;
    columns.push_back(static_cast<int>(sx));
  }
  if (columns.empty()) return TRUE;

  const bool monoToMono = IsMonoKind(target.kind) && IsMonoKind(from.kind);
  const DWORD text = monoToMono ? 0 : ToDib(textColor_);
  const DWORD back = monoToMono ? 1 : ToDib(bkColor_);
  const DWORD sourceBack = ToDib(source->bkColor_);
  const int spanBegin = columns.front();
  const int spanCount = columns.back() - spanBegin + 1;
  std::vector<DWORD> sourceRow(static_cast<std::size_t>(spanCount));
  std::vector<DWORD> row(columns.size());
  int lastSy = -1;
  for (int r = rowBegin; r < rowEnd; ++r) {
    const std::int64_t sy = std::int64_t{ySource} + sourceOf(r, height, heightSource);
    if (sy < 0 || sy >= from.height) continue;
    if (sy != lastSy) {
      from.ReadRow(static_cast<int>(sy), spanBegin, spanCount, text, back, sourceRow.data());
      for (std::size_t i = 0; i < columns.size(); ++i) row[i] = sourceRow[columns[i] - spanBegin];
      lastSy = static_cast<int>(sy);
    }
    target.WriteRow(y + r, x + firstCol, static_cast<int>(row.size()), row.data(), rop,
                    IsMonoKind(from.kind), sourceBack);
  }
  return TRUE;
}

std::unique_ptr<CBitmap> CBitmap::CreateDIBSection32(int width, int height, void** bits) {
  if (bits) *bits = nullptr;
  if (width <= 0 || height <= 0) return nullptr;
  BITMAPINFOHEADER header;
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = -height;  // top-down
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  return CreateDIBSection(header, nullptr, bits);
}

std::unique_ptr<CBitmap> CBitmap::CreateBitmap(int width, int height, UINT planes,
                                               UINT bitsPerPixel) {
  if (width <= 0 || height <= 0 || planes != 1) return nullptr;
  QImage image;
  if (bitsPerPixel == 1) {
    image = QImage(width, height, QImage::Format_Mono);
    if (image.isNull()) return nullptr;
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    image.fill(0);
  } else if (bitsPerPixel == 32) {
    image = QImage(width, height, QImage::Format_ARGB32);
    if (image.isNull()) return nullptr;
    image.fill(0);
  } else {
    return nullptr;
  }
  return std::make_unique<CBitmap>(std::move(image));
}

BOOL CBitmap::GetBitmap(BITMAP* info) const {
  if (!info) return FALSE;
  *info = BITMAP{};
  if (dib_) {
    if (!bits_) return FALSE;
    info->bmWidth = Width();
    info->bmHeight = Height();
    info->bmWidthBytes = static_cast<LONG>(stride_);
    info->bmPlanes = 1;
    info->bmBitsPixel = header_.biBitCount;
    info->bmBits = bits_.get();
    return TRUE;
  }
  if (image_.isNull()) return FALSE;
  info->bmWidth = image_.width();
  info->bmHeight = image_.height();
  info->bmWidthBytes = static_cast<LONG>(image_.bytesPerLine());
  info->bmPlanes = 1;
  info->bmBitsPixel = static_cast<WORD>(image_.depth());
  return TRUE;
}

}  // namespace gdi
