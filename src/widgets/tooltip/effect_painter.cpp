#include "widgets/tooltip/effect_painter.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <vector>

#include "platform/gdi/pen.h"
#include "widgets/buttons/shade_texture.h"

using namespace gdi;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// A COLORREF (red in the low byte) as a DIB pixel (blue in the low byte), alpha 0.
DWORD ToDibPixel(COLORREF color) {
  return (DWORD{GetRValue(color)} << 16) | (DWORD{GetGValue(color)} << 8) | GetBValue(color);
}

DWORD Channel(DWORD color, int shift) { return (color >> shift) & 0xFF; }

// A channel value from floating-point arithmetic: truncated toward zero and kept to a byte.
DWORD ToChannel(double value) {
  if (!(value > 0)) return 0;
  return value >= 255 ? 255 : static_cast<DWORD>(value);
}

// Coordinates worked out wide, handed to the DC within int.
int Clamp(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

// The size between two coordinates, which may not fit an int.
std::int64_t Extent(LONG from, LONG to) { return std::int64_t{to} - from; }

int PenStyleOf(int style) {
  switch (style) {
    case CEffectPainter::LINE_DASH:
      return PS_DASH;
    case CEffectPainter::LINE_DOT:
      return PS_DOT;
    case CEffectPainter::LINE_DASHDOT:
      return PS_DASHDOT;
    case CEffectPainter::LINE_DASHDOTDOT:
      return PS_DASHDOTDOT;
    default:  // solid, double and unknown styles
      return PS_SOLID;
  }
}

// A memory DC with a bitmap selected for the length of one operation.
class SelectedDC {
 public:
  SelectedDC(const CDC* like, const CBitmap* bitmap) : dc_(CDC::CreateCompatibleDC(like)) {
    // Bitmaps that are only read are still selected through the non-const interface, as in
    // GDI; nothing here writes to them.
    if (dc_) dc_->SelectObject(const_cast<CBitmap*>(bitmap));
  }
  ~SelectedDC() {
    if (dc_) dc_->SelectObject(static_cast<CBitmap*>(nullptr));
  }
  SelectedDC(const SelectedDC&) = delete;
  SelectedDC& operator=(const SelectedDC&) = delete;

  explicit operator bool() const { return dc_ != nullptr; }
  CDC* get() const { return dc_.get(); }
  CDC* operator->() const { return dc_.get(); }

 private:
  std::unique_ptr<CDC> dc_;
};

// A width x height 32-bit section with the pixels of `source` at (x, y) of a DC.
struct Section {
  std::unique_ptr<CBitmap> bitmap;
  DWORD* pixels = nullptr;
};

Section CopyToSection(const CDC* source, int x, int y, int width, int height) {
  Section section;
  void* bits = nullptr;
  section.bitmap = CBitmap::CreateDIBSection32(width, height, &bits);
  if (!section.bitmap) return section;
  section.pixels = static_cast<DWORD*>(bits);
  SelectedDC dc(source, section.bitmap.get());
  if (!dc) {
    section.bitmap.reset();
    section.pixels = nullptr;
    return section;
  }
  dc->BitBlt(0, 0, width, height, source, x, y, SRCCOPY);
  return section;
}

// The box average of a shade, handed out a row at a time: sink(row, factors of that row).
// A window over the shade padded with 255 sums 255 for every cell, less (255 - blue) for each
// cell that lies on the shade. Those shortfalls are summed with running sums: along each row
// a sliding window over the row's prefix sums, then down each column a running total of the
// row sums inside the window, which adds a row as the window reaches it and takes it off as
// the window leaves it. The cost is the same for any depth, and the memory a few rows.
template <class Sink>
void BoxAverageRows(int width, int height, const DWORD* shade, DWORD kx, DWORD ky, Sink&& sink) {
  if (width <= 0 || height <= 0 || !shade) return;
  const std::int64_t w = width;
  const std::int64_t h = height;
  const std::int64_t rx = kx / 2;
  const std::int64_t ry = ky / 2;
  const double whole = 255.0 * double(2 * rx + 1) * double(2 * ry + 1);
  std::vector<std::uint64_t> prefix(static_cast<std::size_t>(w) + 1, 0);
  std::vector<std::uint64_t> window(static_cast<std::size_t>(w), 0);
  std::vector<double> factors(static_cast<std::size_t>(w));
  // The horizontal window sums of one row, added to (or taken off) the column totals.
  const auto addRow = [&](std::int64_t row, bool add) {
    const DWORD* line = shade + row * w;
    for (std::int64_t col = 0; col < w; ++col)
      prefix[col + 1] = prefix[col] + (255 - (line[col] & 0xFF));
    for (std::int64_t col = 0; col < w; ++col) {
      const std::uint64_t sum =
          prefix[std::min(col + rx + 1, w)] - prefix[std::max(col - rx, std::int64_t{0})];
      window[col] = add ? window[col] + sum : window[col] - sum;
    }
  };
  for (std::int64_t row = 0; row <= std::min(ry, h - 1); ++row) addRow(row, true);
  for (std::int64_t row = 0; row < h; ++row) {
    if (row > 0) {
      if (row + ry < h) addRow(row + ry, true);
      if (row - ry - 1 >= 0) addRow(row - ry - 1, false);
    }
    for (std::int64_t col = 0; col < w; ++col) {
      factors[col] = (whole - static_cast<double>(window[col])) / whole;
    }
    sink(static_cast<int>(row), factors.data());
  }
}

}  // namespace

CEffectPainter::CEffectPainter() = default;

CEffectPainter::~CEffectPainter() { effectImage_.Release(); }

CEffectPainter::ShadowStyle CEffectPainter::ShadowStyle::Make(int offsetX, int offsetY,
                                                              int darkness, bool blur, DWORD depthX,
                                                              DWORD depthY) {
  return {{offsetX, offsetY, depthX, depthY}, std::clamp(darkness, 0, 100), blur};
}

// ---- Backgrounds ------------------------------------------------------------------------------

void CEffectPainter::PaintBackground(CDC* dc, DWORD effect, const RECT* rect,
                                     const Gradient& colors, BYTE granularity, BYTE coloring) {
  if (!dc || !rect) return;
  const RECT& r = *rect;
  const COLORREF colorBegin = colors.begin;
  const COLORREF colorMid = colors.mid;
  const COLORREF colorEnd = colors.end;
  switch (effect) {
    case EFFECT_HGRADIENT:
    case EFFECT_VGRADIENT:
      FillGradientBands(dc, r, colorBegin, colorEnd, effect == EFFECT_HGRADIENT);
      break;
    case EFFECT_HCGRADIENT:
    case EFFECT_VCGRADIENT:
    case EFFECT_3HGRADIENT:
    case EFFECT_3VGRADIENT: {
      const bool horizontal = effect == EFFECT_HCGRADIENT || effect == EFFECT_3HGRADIENT;
      RECT first = r;
      RECT second = r;
      if (horizontal) {
        first.right = second.left = Clamp(r.left + Extent(r.left, r.right) / 2);
      } else {
        first.bottom = second.top = Clamp(r.top + Extent(r.top, r.bottom) / 2);
      }
      if (effect == EFFECT_HCGRADIENT || effect == EFFECT_VCGRADIENT) {
        FillGradientBands(dc, first, colorBegin, colorEnd, horizontal);
        FillGradientBands(dc, second, colorEnd, colorBegin, horizontal);
      } else {
        FillGradientBands(dc, first, colorBegin, colorMid, horizontal);
        FillGradientBands(dc, second, colorMid, colorEnd, horizontal);
      }
      break;
    }
    case EFFECT_NOISE:
    case EFFECT_DIAGSHADE:
    case EFFECT_HSHADE:
    case EFFECT_VSHADE:
    case EFFECT_HBUMP:
    case EFFECT_VBUMP:
    case EFFECT_SOFTBUMP:
    case EFFECT_HARDBUMP:
    case EFFECT_METAL:
      // A texture wider or higher than a LONG is more than any DIB holds.
      if (Extent(r.left, r.right) <= 0 || Extent(r.top, r.bottom) <= 0 ||
          Extent(r.left, r.right) > std::numeric_limits<LONG>::max() ||
          Extent(r.top, r.bottom) > std::numeric_limits<LONG>::max()) {
        return;
      }
      BuildEffectImage(SIZE{r.right - r.left, r.bottom - r.top}, effect, granularity, coloring,
                       colorBegin, colorMid, colorEnd);
      effectImage_.Draw(dc, r.left, r.top);
      break;
    default:  // solid, and every id above 15
      dc->FillRect(r, CBrush(colorBegin));
      break;
  }
}

void CEffectPainter::FillGradientBands(CDC* dc, const RECT& rect, COLORREF c1, COLORREF c2,
                                       bool horizontal) {
  if (!dc) return;
  const std::int64_t size =
      horizontal ? Extent(rect.left, rect.right) : Extent(rect.top, rect.bottom);
  const std::int64_t origin = horizontal ? rect.left : rect.top;
  const auto mix = [](int a, int b, int i) { return (a * (64 - i) + b * i) >> 6; };
  for (int i = 0; i < 64; ++i) {
    const std::int64_t from = (i * size) >> 6;
    const std::int64_t to = ((i + 1) * size) >> 6;
    if (from == to) continue;
    RECT band = rect;
    if (horizontal) {
      band.left = Clamp(origin + from);
      band.right = Clamp(origin + to);
    } else {
      band.top = Clamp(origin + from);
      band.bottom = Clamp(origin + to);
    }
    const COLORREF color =
        RGB(mix(GetRValue(c1), GetRValue(c2), i), mix(GetGValue(c1), GetGValue(c2), i),
            mix(GetBValue(c1), GetBValue(c2), i));
    dc->FillRect(band, CBrush(color));
  }
}

void CEffectPainter::BuildEffectImage(SIZE size, DWORD effect, BYTE granularity, BYTE coloring,
                                      COLORREF colorBegin, COLORREF colorMid, COLORREF colorEnd) {
  if (size.cx <= 0 || size.cy <= 0) {
    effectImage_.Release();
    return;
  }
  if (!effectImage_.Create(static_cast<DWORD>(size.cx), static_cast<DWORD>(size.cy), 8)) return;
  // The three colours of the caller in place of the button's 3-D colours: end at index 0,
  // mid at 128, begin at 255.
  const auto entry = [this](int index, COLORREF a, COLORREF b, int i) {
    const auto blend = [i](BYTE x, BYTE y) {
      return static_cast<BYTE>(((128 - i) * x + i * y) / 128);
    };
    effectImage_.SetPaletteEntry(static_cast<BYTE>(index), blend(GetRValue(a), GetRValue(b)),
                                 blend(GetGValue(a), GetGValue(b)),
                                 blend(GetBValue(a), GetBValue(b)));
  };
  for (int i = 0; i <= 128; ++i) entry(i, colorEnd, colorMid, i);
  for (int i = 1; i <= 128; ++i) entry(127 + i, colorMid, colorBegin, i);
  effectImage_.TintPalette(colorBegin, coloring);
  DrawShadeTexture(effectImage_, effect - EFFECT_NOISE, granularity);
}

// ---- Lines and frames -------------------------------------------------------------------------

void CEffectPainter::DrawStyledLine(CDC* dc, POINT from, POINT to, COLORREF color, int style,
                                    int width) {
  if (!dc || style == LINE_NONE || width < 1) return;
  const int x1 = from.x, y1 = from.y, x2 = to.x, y2 = to.y;
  CPen pen(PenStyleOf(style), width, color);
  CPen* previous = dc->SelectObject(&pen);
  dc->MoveTo(x1, y1);
  dc->LineTo(x2, y2);
  if (style == LINE_DOUBLE) {
    const std::int64_t d = 2 * std::int64_t{width};
    std::int64_t ax = x1, ay = y1, bx = x2, by = y2;
    if (ax != bx) {
      ay += d;
      by += d;
    }
    if (ay != by) {
      ax += d;
      bx += d;
    }
    dc->MoveTo(Clamp(ax), Clamp(ay));
    dc->LineTo(Clamp(bx), Clamp(by));
  }
  dc->SelectObject(previous);
}

void CEffectPainter::DrawStyledFrame(CDC* dc, const RECT* rect, COLORREF colorTopLeft,
                                     COLORREF colorBottomRight, int style, int width) {
  if (!rect) return;
  DrawStyledFrame(dc, rect->left, rect->top, rect->right, rect->bottom, colorTopLeft,
                  colorBottomRight, style, width);
}

void CEffectPainter::DrawStyledFrame(CDC* dc, int left, int top, int right, int bottom,
                                     COLORREF colorTopLeft, COLORREF colorBottomRight, int style,
                                     int width) {
  if (!dc || style == LINE_NONE || width < 1) return;
  // The pen's centre line runs inside the rectangle.
  const std::int64_t h = width / 2;
  const std::int64_t l = std::int64_t{left} + h, t = std::int64_t{top} + h;
  const std::int64_t r = std::int64_t{right} - h, b = std::int64_t{bottom} - h;
  const std::int64_t d = 2 * std::int64_t{width};
  const bool twice = style == LINE_DOUBLE;
  const auto polyline = [dc](std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
                             std::int64_t x2, std::int64_t y2) {
    dc->MoveTo(Clamp(x0), Clamp(y0));
    dc->LineTo(Clamp(x1), Clamp(y1));
    dc->LineTo(Clamp(x2), Clamp(y2));
  };

  CPen topLeft(PenStyleOf(style), width, colorTopLeft);
  CPen bottomRight(PenStyleOf(style), width, colorBottomRight);
  CPen* previous = dc->SelectObject(&topLeft);
  polyline(l, b, l, t, r, t);
  if (twice) polyline(l + d, b - d, l + d, t + d, r - d, t + d);
  if (colorBottomRight != colorTopLeft) dc->SelectObject(&bottomRight);
  polyline(r, t, r, b, l, b);
  if (twice) polyline(r - d, t + d, r - d, b - d, l + d, b - d);
  dc->SelectObject(previous);
}

// ---- Copies between device contexts -----------------------------------------------------------

void CEffectPainter::TileCopy(CDC* dst, const Area& area, CDC* src, int srcX, int srcY,
                              int tileWidth, int tileHeight) {
  // An empty tile would never advance.
  if (!dst || !src || tileWidth <= 0 || tileHeight <= 0) return;
  const std::int64_t right = std::int64_t{area.x} + area.width;
  const std::int64_t bottom = std::int64_t{area.y} + area.height;
  for (std::int64_t column = area.x; column < right; column += tileWidth) {
    for (std::int64_t row = area.y; row < bottom; row += tileHeight) {
      dst->BitBlt(Clamp(column), Clamp(row), Clamp(std::min(column + tileWidth, right) - column),
                  Clamp(std::min(row + tileHeight, bottom) - row), src, srcX, srcY, SRCCOPY);
    }
  }
}

void CEffectPainter::BlendCopy(CDC* dst, const Area& area, CDC* src, int srcX, int srcY,
                               int opacityPercent) {
  if (!dst || !src) return;
  const int x = area.x, y = area.y, width = area.width, height = area.height;
  if (opacityPercent >= 100) {
    dst->BitBlt(x, y, width, height, src, srcX, srcY, SRCCOPY);
    return;
  }
  // At 0 % every pixel mixes to the destination itself; below that the weights would leave
  // the range of a channel.
  if (opacityPercent <= 0 || width <= 0 || height <= 0) return;
  const Section source = CopyToSection(src, srcX, srcY, width, height);
  if (!source.pixels) return;
  const Section target = CopyToSection(dst, x, y, width, height);
  if (!target.pixels) return;
  const double a = opacityPercent / 100.0;
  const std::size_t count = std::size_t(width) * std::size_t(height);
  for (std::size_t i = 0; i < count; ++i) {
    target.pixels[i] = MixColors(source.pixels[i], a, target.pixels[i], 1 - a);
  }
  SelectedDC result(dst, target.bitmap.get());
  if (result) dst->BitBlt(x, y, width, height, result.get(), 0, 0, SRCCOPY);
}

void CEffectPainter::AlphaCopy(CDC* dst, const Area& area, CDC* src, int srcX, int srcY) {
  const int x = area.x, y = area.y, width = area.width, height = area.height;
  if (!dst || !src || width <= 0 || height <= 0) return;
  const Section source = CopyToSection(src, srcX, srcY, width, height);
  if (!source.pixels) return;
  const Section target = CopyToSection(dst, x, y, width, height);
  if (!target.pixels) return;
  const std::size_t count = std::size_t(width) * std::size_t(height);
  for (std::size_t i = 0; i < count; ++i) {
    const double a = (source.pixels[i] >> 24) / 255.0;
    target.pixels[i] = MixColors(source.pixels[i], a, target.pixels[i], 1 - a);
  }
  SelectedDC result(dst, target.bitmap.get());
  if (result) dst->BitBlt(x, y, width, height, result.get(), 0, 0, SRCCOPY);
}

// ---- Sizes ------------------------------------------------------------------------------------

void CEffectPainter::GetBitmapSize(const CBitmap* bitmap, SIZE& size) {
  BITMAP info;
  if (!bitmap || !bitmap->GetBitmap(&info)) {
    size = SIZE{0, 0};
    return;
  }
  size = SIZE{info.bmWidth, info.bmHeight};
}

void CEffectPainter::GetIconSize(HICON icon, SIZE& size) {
  ICONINFO info;
  if (icon == NULL_ICON || !GetIconInfo(icon, &info)) {
    size = SIZE{0, 0};
    return;
  }
  size = SIZE{static_cast<LONG>(info.xHotspot * 2), static_cast<LONG>(info.yHotspot * 2)};
}

// ---- Images -----------------------------------------------------------------------------------

std::unique_ptr<CBitmap> CEffectPainter::MakeEffectBitmap(const CBitmap* bitmap, int width,
                                                          int height, DWORD effectFlags,
                                                          BOOL useMask, COLORREF maskColor,
                                                          COLORREF replaceColor) {
  if (!bitmap || width <= 0 || height <= 0) return nullptr;
  const std::unique_ptr<CDC> screen = CDC::CreateCompatibleDC(nullptr);
  if (!screen) return nullptr;
  SelectedDC source(screen.get(), bitmap);
  if (!source) return nullptr;
  Section image = CopyToSection(source.get(), 0, 0, width, height);
  if (!image.pixels) return nullptr;

  const DWORD mask = ToDibPixel(maskColor);
  const DWORD replace = ToDibPixel(replaceColor);
  const std::size_t count = std::size_t(width) * std::size_t(height);
  for (std::size_t i = 0; i < count; ++i) {
    const DWORD pixel = image.pixels[i];
    const DWORD alpha = pixel & 0xFF000000;
    if (alpha) imageHasAlpha_ = TRUE;
    DWORD value = 0;
    if (!(useMask && pixel == mask)) {
      value = pixel & 0x00FFFFFF;
      if (effectFlags & IMAGE_GRAY) value = GrayColor(value);
      if (effectFlags & IMAGE_DARKER) value = ScaleColor(value, 0.75);
      if (effectFlags & IMAGE_LIGHTER) value = BrightenColor(value, 0.25);
      if (effectFlags & IMAGE_SILHOUETTE) value = replace;
    }
    if (effectFlags & IMAGE_INVERT) value = InvertColor(value);
    image.pixels[i] = (value & 0x00FFFFFF) | alpha;
  }
  return std::move(image.bitmap);
}

HICON CEffectPainter::ScaleIcon(HICON icon, int width, int height) {
  ICONINFO info;
  if (width <= 0 || height <= 0 || !GetIconInfo(icon, &info)) return NULL_ICON;
  const int sourceWidth = static_cast<int>(std::min<DWORD>(info.xHotspot, 0x3FFFFFFF) * 2);
  const int sourceHeight = static_cast<int>(std::min<DWORD>(info.yHotspot, 0x3FFFFFFF) * 2);
  const std::unique_ptr<CDC> screen = CDC::CreateCompatibleDC(nullptr);
  if (!screen) return NULL_ICON;

  // Each bitmap is stretched into a new one of its own planes and depth.
  const auto stretch = [&](const CBitmap& bitmap) -> std::unique_ptr<CBitmap> {
    BITMAP format;
    if (!bitmap.GetBitmap(&format)) return nullptr;
    std::unique_ptr<CBitmap> copy =
        CBitmap::CreateBitmap(width, height, format.bmPlanes, format.bmBitsPixel);
    if (!copy) return nullptr;
    SelectedDC from(screen.get(), &bitmap);
    SelectedDC to(screen.get(), copy.get());
    if (!from || !to) return nullptr;
    to->StretchBlt(0, 0, width, height, from.get(), 0, 0, sourceWidth, sourceHeight, SRCCOPY);
    return copy;
  };
  ICONINFO scaled;
  scaled.xHotspot = static_cast<DWORD>(width / 2);
  scaled.yHotspot = static_cast<DWORD>(height / 2);
  scaled.hbmColor = stretch(*info.hbmColor);
  scaled.hbmMask = stretch(*info.hbmMask);
  if (!scaled.hbmColor || !scaled.hbmMask) return NULL_ICON;
  return CreateIconIndirect(scaled);
}

void CEffectPainter::DrawBitmapWithEffects(CDC* dc, const Area& area, CBitmap* bitmap,
                                           const Mask& mask, const ImageLook& look) {
  imageHasAlpha_ = FALSE;
  const int width = area.width, height = area.height;
  BITMAP format;
  if (!dc || !bitmap || width <= 0 || height <= 0 || !bitmap->GetBitmap(&format)) return;

  // The working copy at the drawn size is a 32-bit section, so an alpha channel survives.
  void* bits = nullptr;
  const std::unique_ptr<CBitmap> copy = CBitmap::CreateDIBSection32(width, height, &bits);
  if (!copy) return;
  {
    SelectedDC from(dc, bitmap);
    SelectedDC to(dc, copy.get());
    if (!from || !to) return;
    if (format.bmWidth == width && format.bmHeight == height) {
      to->BitBlt(0, 0, width, height, from.get(), 0, 0, SRCCOPY);
    } else {
      to->StretchBlt(0, 0, width, height, from.get(), 0, 0, format.bmWidth, format.bmHeight,
                     SRCCOPY);
    }
  }
  // Opaque pixels black, masked ones white; then the picture with its effects.
  const std::unique_ptr<CBitmap> maskImage = MakeEffectBitmap(
      copy.get(), width, height, IMAGE_INVERT | IMAGE_SILHOUETTE, mask.enabled, mask.color, kWhite);
  const std::unique_ptr<CBitmap> image =
      MakeEffectBitmap(copy.get(), width, height, look.flags, mask.enabled, mask.color, look.color);
  if (!maskImage || !image) return;
  DrawShadowAndImage(dc, area, copy.get(), mask, image.get(), maskImage.get(), look);
}

void CEffectPainter::DrawIconWithEffects(CDC* dc, const Area& area, HICON icon,
                                         const ImageLook& look) {
  imageHasAlpha_ = FALSE;
  const int width = area.width, height = area.height;
  if (!dc || icon == NULL_ICON || width <= 0 || height <= 0) return;
  SIZE size;
  GetIconSize(icon, size);
  const HICON work =
      size.cx == width && size.cy == height ? CopyIcon(icon) : ScaleIcon(icon, width, height);
  if (work == NULL_ICON) return;
  // The working icon goes whatever way this ends.
  struct IconGuard {
    HICON icon;
    ~IconGuard() { DestroyIcon(icon); }
  } guard{work};
  ICONINFO info;
  if (!GetIconInfo(work, &info)) return;

  // The picture, or with the silhouette bit the shape of the mask, in color.
  const std::unique_ptr<CBitmap> image =
      (look.flags & IMAGE_SILHOUETTE) ? MakeEffectBitmap(info.hbmMask.get(), width, height,
                                                         look.flags, TRUE, kWhite, look.color)
                                      : MakeEffectBitmap(info.hbmColor.get(), width, height,
                                                         look.flags, TRUE, kBlack, look.color);
  if (!image) return;
  DrawShadowAndImage(dc, area, info.hbmMask.get(), Mask{TRUE, kWhite}, image.get(),
                     info.hbmMask.get(), look);
}

void CEffectPainter::DrawShadowAndImage(CDC* dc, const Area& area, const CBitmap* shape,
                                        const Mask& shapeMask, CBitmap* image, CBitmap* mask,
                                        const ImageLook& look) {
  const int width = area.width, height = area.height;
  std::int64_t left = area.x, top = area.y;
  if (look.shadowed) {
    if (look.flags & (IMAGE_SHADOW | IMAGE_BLUR_SHADOW)) {
      // Opaque pixels in the shadow colour, masked ones white.
      const std::unique_ptr<CBitmap> shadowImage =
          MakeEffectBitmap(shape, width, height, IMAGE_INVERT | IMAGE_SILHOUETTE, shapeMask.enabled,
                           shapeMask.color, InvertColor(look.color));
      if (shadowImage) {
        DrawDropShadow(dc,
                       {Clamp(std::int64_t{area.x} + look.shadow.dx),
                        Clamp(std::int64_t{area.y} + look.shadow.dy), width, height},
                       shadowImage.get(), (look.flags & IMAGE_BLUR_SHADOW) ? TRUE : FALSE,
                       look.shadow.depthX, look.shadow.depthY);
      }
    } else {
      left += look.shadow.dx;
      top += look.shadow.dy;
    }
  }
  const Area at{Clamp(left), Clamp(top), width, height};
  SelectedDC imageDC(dc, image);
  if (!imageDC) return;
  if (imageHasAlpha_) {
    AlphaCopy(dc, at, imageDC.get(), 0, 0);
    return;
  }
  SelectedDC maskDC(dc, mask);
  if (!maskDC) return;
  // A monochrome mask's 0 bits take the text colour and its 1 bits the back colour: black
  // and white, whatever the caller left selected, so the mask keeps the background where it
  // is 1. A 32-bit mask is copied as it is.
  const COLORREF text = dc->SetTextColor(kBlack);
  const COLORREF back = dc->SetBkColor(kWhite);
  dc->BitBlt(at.x, at.y, width, height, maskDC.get(), 0, 0, SRCAND);
  dc->SetTextColor(text);
  dc->SetBkColor(back);
  dc->BitBlt(at.x, at.y, width, height, imageDC.get(), 0, 0, SRCPAINT);
}

void CEffectPainter::DrawStripImage(CDC* dc, const Area& area, CBitmap* strip, int index, SIZE item,
                                    const Mask& mask, const ImageLook& look) {
  const int itemWidth = item.cx, itemHeight = item.cy;
  BITMAP format;
  if (!dc || !strip || itemWidth <= 0 || itemHeight <= 0 || !strip->GetBitmap(&format)) return;
  const int columns = format.bmWidth / itemWidth;
  const int rows = format.bmHeight / itemHeight;
  if (columns == 0 || rows == 0) return;
  if (index < 0 || std::int64_t{index} >= std::int64_t{columns} * rows) return;

  void* bits = nullptr;
  const std::unique_ptr<CBitmap> cell = CBitmap::CreateDIBSection32(itemWidth, itemHeight, &bits);
  if (!cell) return;
  {
    SelectedDC from(dc, strip);
    SelectedDC to(dc, cell.get());
    if (!from || !to) return;
    to->BitBlt(0, 0, itemWidth, itemHeight, from.get(), (index % columns) * itemWidth,
               (index / columns) * itemHeight, SRCCOPY);
  }
  DrawBitmapWithEffects(dc, area, cell.get(), mask, look);
}

// ---- Drop shadow ------------------------------------------------------------------------------

void CEffectPainter::DrawDropShadow(CDC* dc, const Area& area, CBitmap* shadowImage, BOOL blur,
                                    DWORD depthX, DWORD depthY) {
  const int x = area.x, y = area.y, width = area.width, height = area.height;
  BITMAP format;
  if (!dc || !shadowImage || width <= 0 || height <= 0 || !shadowImage->GetBitmap(&format)) {
    return;
  }
  // The depths become odd, so the blur window has a centre pixel.
  const std::uint64_t kx = depthX % 2 ? depthX : std::uint64_t{depthX} + 1;
  const std::uint64_t ky = depthY % 2 ? depthY : std::uint64_t{depthY} + 1;
  // A blur as deep as the area leaves no room for the shrunk shadow: nothing to darken.
  if (blur && (kx >= std::uint64_t(width) || ky >= std::uint64_t(height))) return;

  void* bits = nullptr;
  const std::unique_ptr<CBitmap> shade = CBitmap::CreateDIBSection32(width, height, &bits);
  if (!shade) return;
  const DWORD* shadePixels = static_cast<const DWORD*>(bits);
  {
    SelectedDC to(dc, shade.get());
    SelectedDC from(dc, shadowImage);
    if (!to || !from) return;
    if (blur) {
      to->BitBlt(0, 0, width, height, nullptr, 0, 0, WHITENESS);
      to->StretchBlt(static_cast<int>(kx / 2), static_cast<int>(ky / 2),
                     width - static_cast<int>(kx), height - static_cast<int>(ky), from.get(), 0, 0,
                     format.bmWidth, format.bmHeight, SRCCOPY);
    } else {
      to->BitBlt(0, 0, width, height, from.get(), 0, 0, SRCCOPY);
    }
  }
  const Section target = CopyToSection(dc, x, y, width, height);
  if (!target.pixels) return;

  if (blur) {
    // Row by row, so no map of factors is kept.
    BoxAverageRows(width, height, shadePixels, static_cast<DWORD>(kx), static_cast<DWORD>(ky),
                   [&target, width](int row, const double* factors) {
                     DWORD* line = target.pixels + std::size_t(row) * std::size_t(width);
                     for (int col = 0; col < width; ++col) {
                       line[col] = ScaleColor(line[col], factors[col]);
                     }
                   });
  } else {
    const std::size_t count = std::size_t(width) * std::size_t(height);
    for (std::size_t i = 0; i < count; ++i) {
      target.pixels[i] = ScaleColor(target.pixels[i], (shadePixels[i] & 0xFF) / 255.0);
    }
  }
  SelectedDC result(dc, target.bitmap.get());
  if (result) dc->BitBlt(x, y, width, height, result.get(), 0, 0, SRCCOPY);
}

void CEffectPainter::BoxAverage(int width, int height, const DWORD* shade, DWORD kx, DWORD ky,
                                double* factors) {
  if (!factors) return;
  BoxAverageRows(width, height, shade, kx, ky, [factors, width](int row, const double* line) {
    std::copy(line, line + width, factors + std::size_t(row) * std::size_t(width));
  });
}

// ---- Colour functions -------------------------------------------------------------------------

DWORD CEffectPainter::MixColors(DWORD c1, double w1, DWORD c2, double w2) {
  DWORD result = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    result |= ToChannel(w1 * Channel(c1, shift) + w2 * Channel(c2, shift)) << shift;
  }
  return result;
}

DWORD CEffectPainter::BrightenColor(DWORD c, double f) {
  if (!(f > 0 && f <= 1)) return c & 0x00FFFFFF;
  DWORD result = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    result |= ToChannel(Channel(c, shift) * (1 + f)) << shift;
  }
  return result;
}

DWORD CEffectPainter::ScaleColor(DWORD c, double f) {
  if (!(f >= 0 && f < 1)) return c & 0x00FFFFFF;
  DWORD result = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    result |= ToChannel(Channel(c, shift) * f) << shift;
  }
  return result;
}

DWORD CEffectPainter::InvertColor(DWORD c) { return ~c & 0x00FFFFFF; }

DWORD CEffectPainter::GrayColor(DWORD pixel) {
  const DWORD g =
      ToChannel(0.299 * Channel(pixel, 16) + 0.587 * Channel(pixel, 8) + 0.114 * Channel(pixel, 0));
  return (g << 16) | (g << 8) | g;
}
