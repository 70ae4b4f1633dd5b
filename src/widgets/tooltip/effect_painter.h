#pragma once
// The drawing toolbox of the rich tooltip and its markup renderer: backgrounds (solid, banded
// gradients, the shaded buttons' textures), styled lines and frames, tiled and blended copies
// between device contexts, and icons, bitmaps and strip cells drawn with colour effects,
// per-pixel alpha and drop shadows. Every operation draws on the caller's DC; between calls
// the painter keeps only the texture of the last textured background and one flag.

#include <memory>

#include "platform/gdi/dc.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/icon.h"
#include "widgets/buttons/palette_dib.h"
#include "widgets/buttons/shade_texture.h"

class CEffectPainter {
 public:
  // Background effect ids of PaintBackground (the markup's keywords); ids above 15, and so
  // the markup's "transparent" (-1), paint solid.
  enum BackgroundEffect : gdi::DWORD {
    EFFECT_SOLID = 0,
    EFFECT_HGRADIENT = 1,
    EFFECT_VGRADIENT = 2,
    EFFECT_HCGRADIENT = 3,
    EFFECT_VCGRADIENT = 4,
    EFFECT_3HGRADIENT = 5,
    EFFECT_3VGRADIENT = 6,
    // The shaded buttons' textures, numbered by their own table from here on.
    EFFECT_NOISE = 7,
    EFFECT_DIAGSHADE = EFFECT_NOISE + SHADE_DIAGSHADE,
    EFFECT_HSHADE = EFFECT_NOISE + SHADE_HSHADE,
    EFFECT_VSHADE = EFFECT_NOISE + SHADE_VSHADE,
    EFFECT_HBUMP = EFFECT_NOISE + SHADE_HBUMP,
    EFFECT_VBUMP = EFFECT_NOISE + SHADE_VBUMP,
    EFFECT_SOFTBUMP = EFFECT_NOISE + SHADE_SOFTBUMP,
    EFFECT_HARDBUMP = EFFECT_NOISE + SHADE_HARDBUMP,
    EFFECT_METAL = EFFECT_NOISE + SHADE_METAL,
  };

  // Line styles of DrawStyledLine and DrawStyledFrame; other values draw solid.
  enum LineStyle : int {
    LINE_NONE = 0,
    LINE_SOLID = 1,
    LINE_DASH = 2,
    LINE_DOT = 3,
    LINE_DASHDOT = 4,
    LINE_DASHDOTDOT = 5,
    LINE_DOUBLE = 6,
  };

  // Image effect flags, applied in this order (grey, darker, lighter, silhouette, invert).
  static constexpr gdi::DWORD IMAGE_GRAY = 0x0001;
  static constexpr gdi::DWORD IMAGE_DARKER = 0x0002;
  static constexpr gdi::DWORD IMAGE_LIGHTER = 0x0004;
  static constexpr gdi::DWORD IMAGE_SILHOUETTE = 0x0008;   // every shown pixel in the colour
  static constexpr gdi::DWORD IMAGE_SHADOW = 0x0100;       // with the shadow argument TRUE
  static constexpr gdi::DWORD IMAGE_BLUR_SHADOW = 0x0200;  // with the shadow argument TRUE
  static constexpr gdi::DWORD IMAGE_INVERT = 0x8000;       // last, masked-out pixels included

  // ---- What the operations take ----

  // The width x height area at (x, y) that an operation draws on.
  struct Area {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
  };

  // The three colours of a background, from its start to its end.
  struct Gradient {
    gdi::COLORREF begin = 0;
    gdi::COLORREF mid = 0;
    gdi::COLORREF end = 0;
  };

  // Which pixels of a bitmap are transparent: with `enabled`, those of `color`.
  struct Mask {
    gdi::BOOL enabled = gdi::FALSE;
    gdi::COLORREF color = 0;
  };

  // Where an image's drop shadow falls (dx, dy from the image) and how deep its blur is.
  struct Shadow {
    int dx = 0;
    int dy = 0;
    gdi::DWORD depthX = 0;
    gdi::DWORD depthY = 0;
  };

  // A drop shadow as the tip window and the markup drawer keep it: where it falls, how dark
  // it is (percent) and whether it is blurred.
  struct ShadowStyle {
    Shadow shadow;
    int darkness = 50;
    bool blur = true;

    // The darkness is kept to 0 to 100.
    static ShadowStyle Make(int offsetX, int offsetY, int darkness, bool blur, gdi::DWORD depthX,
                            gdi::DWORD depthY);
  };

  // How an image is drawn: its effect flags, and with `shadowed` either its drop shadow
  // (with a shadow bit) or, without one, the image itself moved by the shadow's offset;
  // `color` is the silhouette and shadow colour.
  struct ImageLook {
    gdi::DWORD flags = 0;
    gdi::BOOL shadowed = gdi::FALSE;
    Shadow shadow;
    gdi::COLORREF color = 0;
  };

  CEffectPainter();
  virtual ~CEffectPainter();
  CEffectPainter(const CEffectPainter&) = delete;
  CEffectPainter& operator=(const CEffectPainter&) = delete;

  // ---- Backgrounds, lines, frames ----

  // Paints rect by effect id; a null rect paints nothing.
  void PaintBackground(gdi::CDC* dc, gdi::DWORD effect, const gdi::RECT* rect,
                       const Gradient& colors, gdi::BYTE granularity, gdi::BYTE coloring);

  // Style 6 draws a twin 2 x width pixels lower (a horizontal line), to the right (a vertical
  // one) or both (a slanted one). Nothing for style 0 or a width below 1.
  void DrawStyledLine(gdi::CDC* dc, gdi::POINT from, gdi::POINT to, gdi::COLORREF color, int style,
                      int width);

  // Top and left sides in colorTopLeft, right and bottom sides in colorBottomRight, the pen's
  // centre line width / 2 inside the rectangle; style 6 adds a frame 2 x width inside.
  void DrawStyledFrame(gdi::CDC* dc, const gdi::RECT* rect, gdi::COLORREF colorTopLeft,
                       gdi::COLORREF colorBottomRight, int style, int width);
  void DrawStyledFrame(gdi::CDC* dc, int left, int top, int right, int bottom,
                       gdi::COLORREF colorTopLeft, gdi::COLORREF colorBottomRight, int style,
                       int width);

  // ---- Copies between device contexts ----

  // Fills the area of dst with copies of the tileWidth x tileHeight block at (srcX, srcY) of
  // src.
  void TileCopy(gdi::CDC* dst, const Area& area, gdi::CDC* src, int srcX, int srcY, int tileWidth,
                int tileHeight);

  // Copies src over dst with the given opacity: 100 or more is a plain copy, 0 or less
  // leaves dst as it is.
  void BlendCopy(gdi::CDC* dst, const Area& area, gdi::CDC* src, int srcX, int srcY,
                 int opacityPercent);

  // Copies src over dst, each pixel weighted by its own alpha byte (not premultiplied).
  void AlphaCopy(gdi::CDC* dst, const Area& area, gdi::CDC* src, int srcX, int srcY);

  // ---- Sizes ----

  // (0, 0) for a null bitmap or one that cannot be read.
  void GetBitmapSize(const gdi::CBitmap* bitmap, gdi::SIZE& size);
  // Twice the hotspot in each direction; (0, 0) for the null icon or a stale handle.
  void GetIconSize(gdi::HICON icon, gdi::SIZE& size);

  // ---- Images ----

  // Darkens the area of dc through shadowImage: each pixel is scaled by the blue byte of the
  // shade (over 255), after a box blur of depthX x depthY (made odd) when blur is TRUE. A
  // blur depth as large as the area leaves no room for the shadow: the area is left as it is.
  void DrawDropShadow(gdi::CDC* dc, const Area& area, gdi::CBitmap* shadowImage, gdi::BOOL blur,
                      gdi::DWORD depthX, gdi::DWORD depthY);

  // Draws the icon scaled to the area. With look.shadowed: with a shadow bit, a shadow in
  // look.color at the shadow's offset under the icon; without one, the icon itself moved by
  // the offset.
  void DrawIconWithEffects(gdi::CDC* dc, const Area& area, gdi::HICON icon, const ImageLook& look);

  // Draws the bitmap scaled to the area; the mask's pixels are transparent.
  void DrawBitmapWithEffects(gdi::CDC* dc, const Area& area, gdi::CBitmap* bitmap, const Mask& mask,
                             const ImageLook& look);

  // Draws cell `index` of a strip of item.cx x item.cy cells, numbered along the rows.
  void DrawStripImage(gdi::CDC* dc, const Area& area, gdi::CBitmap* strip, int index,
                      gdi::SIZE item, const Mask& mask, const ImageLook& look);

  // ---- The steps behind the operations above ----

  // The 64 bands of a gradient from c1 to c2 across rect (left to right when horizontal,
  // else top to bottom).
  void FillGradientBands(gdi::CDC* dc, const gdi::RECT& rect, gdi::COLORREF c1, gdi::COLORREF c2,
                         bool horizontal);

  // Builds EffectImage(): texture effect - 7 of the shaded buttons on a palette from end
  // (index 0) through mid (128) to begin (255), tinted coloring % toward begin.
  void BuildEffectImage(gdi::SIZE size, gdi::DWORD effect, gdi::BYTE granularity,
                        gdi::BYTE coloring, gdi::COLORREF colorBegin, gdi::COLORREF colorMid,
                        gdi::COLORREF colorEnd);

  // A new width x height 32-bit DIB section (top-down) from the bitmap with the effects
  // applied; with useMask, pixels equal to maskColor (alpha byte 0) become 0 before the
  // effects. replaceColor is the silhouette colour. Sets ImageHasAlpha() when any pixel has a
  // non-zero alpha byte. Null when a bitmap or DC cannot be made.
  std::unique_ptr<gdi::CBitmap> MakeEffectBitmap(const gdi::CBitmap* bitmap, int width, int height,
                                                 gdi::DWORD effectFlags, gdi::BOOL useMask,
                                                 gdi::COLORREF maskColor,
                                                 gdi::COLORREF replaceColor);

  // A new icon of width x height (hotspot at its centre) whose colour and mask bitmaps are
  // stretched copies of the icon's, of the same depths; the null icon on failure. The
  // caller destroys it.
  gdi::HICON ScaleIcon(gdi::HICON icon, int width, int height);

  // The blur factors of a width x height shade (32-bit pixels, rows of `width`, top row
  // first): for each pixel the mean of the blue bytes in the kx x ky window around it, the
  // shade padded with 255 beyond its edges, over 255. kx and ky are odd. Running sums: the
  // cost does not depend on kx and ky.
  static void BoxAverage(int width, int height, const gdi::DWORD* shade, gdi::DWORD kx,
                         gdi::DWORD ky, double* factors);

  // ---- Colour functions, on the three low bytes (the alpha byte of the result is 0);
  // results are truncated toward zero ----

  static gdi::DWORD MixColors(gdi::DWORD c1, double w1, gdi::DWORD c2, double w2);
  static gdi::DWORD BrightenColor(gdi::DWORD c, double f);  // unless 0 < f <= 1: unchanged
  static gdi::DWORD ScaleColor(gdi::DWORD c, double f);     // unless 0 <= f < 1: unchanged
  static gdi::DWORD InvertColor(gdi::DWORD c);
  // 0.299 red + 0.587 green + 0.114 blue of a DIB pixel (blue in the low byte), in all three.
  static gdi::DWORD GrayColor(gdi::DWORD pixel);

  // ---- State ----

  const CPaletteDib& EffectImage() const { return effectImage_; }
  gdi::BOOL ImageHasAlpha() const { return imageHasAlpha_; }

 private:
  // What the bitmap and icon drawers share once their pictures are made: the drop shadow (of
  // `shape` through `shapeMask`) or the offset, then the image, blended by its alpha when it
  // has one, else through `mask` (0 bits keep the background).
  void DrawShadowAndImage(gdi::CDC* dc, const Area& area, const gdi::CBitmap* shape,
                          const Mask& shapeMask, gdi::CBitmap* image, gdi::CBitmap* mask,
                          const ImageLook& look);

  CPaletteDib effectImage_;
  gdi::BOOL imageHasAlpha_ = gdi::FALSE;
};
