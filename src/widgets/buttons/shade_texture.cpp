#include "widgets/buttons/shade_texture.h"

#include <algorithm>
#include <cstdint>

#include "platform/crt_rand.h"

using namespace gdi;
using platform::CrtRand;

namespace {

// Stores keep the low 8 bits: the textures wrap instead of saturating.
inline BYTE Low8(std::int64_t value) { return static_cast<BYTE>(value); }

// (t^3 / 128) / 128: the cubic profile of the bumps, for t in -127..128.
inline int Cubic(int t) { return (t * t * t / 128) / 128; }

}  // namespace

void SetShadePalette(CPaletteDib& image) {
  const COLORREF lo = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF mid = GetSysColor(COLOR_BTNFACE);
  const COLORREF hi = GetSysColor(COLOR_BTNHIGHLIGHT);
  const auto blend = [](COLORREF a, COLORREF b, int i, auto channel) {
    return static_cast<BYTE>(((128 - i) * channel(a) + i * channel(b)) / 128);
  };
  const auto entry = [&](int index, COLORREF a, COLORREF b, int i) {
    image.SetPaletteEntry(static_cast<BYTE>(index), blend(a, b, i, GetRValue),
                          blend(a, b, i, GetGValue), blend(a, b, i, GetBValue));
  };
  for (int i = 0; i <= 128; ++i) entry(i, lo, mid, i);
  for (int i = 1; i <= 128; ++i) entry(127 + i, mid, hi, i);
}

void DrawShadeTexture(CPaletteDib& image, UINT shadeId, BYTE granularity) {
  BYTE* bits = image.PixelData();
  if (!bits || image.GetBitCount() != 8) return;
  const int W = static_cast<int>(image.GetWidth());
  const int H = static_cast<int>(image.GetHeight());
  if (W < 2 || H < 2 || W > 32767 || H > 32767) {
    image.Fill(128);
    return;
  }
  const std::size_t line = image.GetLineWidth();
  const int g = granularity;
  const int q = 32767 / std::max(2 * g, 1);
  const auto noise = [g, q] { return CrtRand() / q - g; };
  // i counts memory rows (0 = bottom row of the picture), j columns.
  const auto pixel = [bits, line](int i, int j) -> BYTE& { return bits[i * line + j]; };
  const auto forEach = [W, H](auto&& body) {
    for (int i = 0; i < H; ++i) {
      for (int j = 0; j < W; ++j) body(i, j);
    }
  };

  switch (shadeId) {
    case SHADE_DIAGSHADE: {
      const int k = (255 - 2 * g) / 2;
      forEach([&](int i, int j) {
        pixel(i, j) = Low8(g + k * i / H + k * (W - j) / W);
        pixel(i, j) = Low8(pixel(i, j) + noise());
      });
      break;
    }
    case SHADE_HSHADE: {
      const int k = 255 - 2 * g;
      forEach([&](int i, int j) { pixel(i, j) = Low8(Low8(k * i / H + g) + noise()); });
      break;
    }
    case SHADE_VSHADE: {
      const int k = 255 - 2 * g;
      forEach([&](int i, int j) { pixel(i, j) = Low8(Low8((W - j) * k / W + g) + noise()); });
      break;
    }
    case SHADE_HBUMP:
      forEach([&](int i, int j) {
        const int v = (128 - g) * Cubic(i * 255 / H - 127) / 128 + 128;
        pixel(i, j) = Low8(Low8(v) + noise());
      });
      break;
    case SHADE_VBUMP:
      forEach([&](int i, int j) {
        const int v = (128 - g) * Cubic((W - j) * 255 / W - 127) / 128 + 128;
        pixel(i, j) = Low8(Low8(v) + noise());
      });
      break;
    case SHADE_SOFTBUMP:
      forEach([&](int i, int j) {
        int v = Cubic(i * 255 / H - 127) + Cubic((W - j) * 255 / W - 127);
        v = (128 - g) * v / 128 + 128;
        if (v < g) v = g;
        if (v > 255 - g) v = 255 - g;
        pixel(i, j) = Low8(Low8(v) + noise());
      });
      break;
    case SHADE_HARDBUMP: {
      forEach([&](int i, int j) {
        const int v = (128 - 2 * g) * Cubic(i * 255 / H - 127) / 128 + 128;
        pixel(i, j) = Low8(Low8(v) + noise());
      });
      // The bevelled ends: beyond a parabola d pixels deep at the middle row, the right end
      // darkens and the left end brightens toward the outer edge.
      const int d = std::min(W / 6, 16);
      const std::int64_t a = std::int64_t{H} * H / 4;
      forEach([&](int i, int j) {
        const std::int64_t y = i - H / 2;
        const std::int64_t x = j - W / 2;
        const std::int64_t edge = W / 2 - d + y * y * d / a;
        if (d > 0 && x > edge) pixel(i, j) = Low8(Low8((W - j) * 128 / d) + g);
        if (d > 0 && x + edge < 0) pixel(i, j) = Low8((255 - g) - Low8(j * 128 / d));
        pixel(i, j) = Low8(pixel(i, j) + noise());
      });
      break;
    }
    case SHADE_METAL: {
      image.Fill(0);
      for (int scratch = 0; scratch < 200; ++scratch) {
        const int x = CrtRand() / (32767 / W);
        const int y = CrtRand() / (32767 / H);
        const int m = std::min(W, H);
        const int length = (CrtRand() / (32767 / m)) / 2;
        const BYTE c = Low8(CrtRand() / (32767 / 40));
        for (int s = 0; s < length; ++s) {
          if (x - s > 0 && y + s < H) image.SetPixelValue(x - s, y + s, c);
          if (x + s < W && y - s > 0) image.SetPixelValue(W - x + s, y - s, c);
        }
      }
      const int k = (255 - g - g - 40) / 2;
      forEach([&](int i, int j) {
        pixel(i, j) = Low8(pixel(i, j) + k * i / H + k * (W - j) / W);
        pixel(i, j) = Low8(pixel(i, j) + CrtRand() / q);
      });
      break;
    }
    default:  // SHADE_NOISE and unknown ids
      forEach([&](int i, int j) { pixel(i, j) = Low8(128 + noise()); });
      break;
  }
}
