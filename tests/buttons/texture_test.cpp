// The C runtime generator, CPaletteDib and the shade textures. No GUI application exists in
// this program, so the system colours are the classic Windows ones: shadow (160, 160, 160),
// face (240, 240, 240), highlight (255, 255, 255).

#include <gtest/gtest.h>

#include <QImage>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/crt_rand.h"
#include "platform/gdi/dc.h"
#include "widgets/buttons/palette_dib.h"
#include "widgets/buttons/shade_texture.h"

using namespace gdi;
using platform::CrtRand;
using platform::CrtSrand;

namespace {

// The first values of the Windows C runtime's rand after srand(1), as published.
constexpr int kMsvcSeed1[] = {41,    18467, 6334, 26500, 19169, 15724, 11478, 29358,
                              26962, 24464, 5705, 28145, 23281, 16827, 9961,  491,
                              2995,  11942, 4827, 5436,  32391, 14604, 3902,  153};

// An independent copy of the generator for working out expected noise.
struct ReferenceRand {
  std::uint32_t x;
  int operator()() {
    x = x * 214013u + 2531011u;
    return static_cast<int>((x >> 16) & 0x7FFF);
  }
};

// The seed whose first value is 32767, so the first pixel of a texture gets noise +1 at
// granularity 0: solve seed * 214013 + 2531011 = 0x7FFF0000 modulo 2^32.
std::uint32_t SeedForFirst32767() {
  std::uint32_t inverse = 214013u;  // Newton's iteration for the inverse of an odd number
  for (int i = 0; i < 5; ++i) inverse *= 2u - 214013u * inverse;
  return (0x7FFF0000u - 2531011u) * inverse;
}

using Rows = std::vector<std::vector<int>>;  // memory rows, bottom row of the picture first

Rows Texture(int width, int height, UINT shadeId, BYTE granularity, std::uint32_t seed) {
  CPaletteDib image;
  EXPECT_NE(image.Create(width, height, 8), nullptr);
  CrtSrand(seed);
  DrawShadeTexture(image, shadeId, granularity);
  Rows rows(height);
  for (int i = 0; i < height; ++i) {
    const BYTE* row = image.PixelData() + i * image.GetLineWidth();
    rows[i].assign(row, row + width);
  }
  return rows;
}

TEST(CrtRand, FollowsTheWindowsRuntimeSequence) {
  CrtSrand(1);
  for (int expected : kMsvcSeed1) EXPECT_EQ(CrtRand(), expected);
  CrtSrand(SeedForFirst32767());
  EXPECT_EQ(CrtRand(), 32767);
  CrtSrand(1);
  EXPECT_EQ(CrtRand(), 41);
}

// With granularity 0 the noise is rand() / 32767: zero unless rand() returns 32767, which the
// first hundreds of values after seed 1 never do, so these are the bare textures.
struct BareCase {
  const char* name;
  UINT id;
  int width, height;
  Rows rows;
};

void PrintTo(const BareCase& c, std::ostream* os) { *os << c.name; }

class BareTexture : public testing::TestWithParam<BareCase> {};

TEST_P(BareTexture, PinsEveryPixel) {
  ReferenceRand reference{1};
  for (int i = 0; i < 1000; ++i) ASSERT_NE(reference(), 32767);
  const BareCase& c = GetParam();
  EXPECT_EQ(Texture(c.width, c.height, c.id, 0, 1), c.rows);
}

// Worked out by hand from the formulas; W = 4, H = 2 unless noted.
INSTANTIATE_TEST_SUITE_P(
    AllIds, BareTexture,
    testing::Values(
        BareCase{"noise", SHADE_NOISE, 4, 2, {{128, 128, 128, 128}, {128, 128, 128, 128}}},
        BareCase{"unknown_is_noise", 9, 4, 2, {{128, 128, 128, 128}, {128, 128, 128, 128}}},
        // k = 127: 127 * i / 2 + 127 * (4 - j) / 4
        BareCase{"diagshade", SHADE_DIAGSHADE, 4, 2, {{127, 95, 63, 31}, {190, 158, 126, 94}}},
        BareCase{"hshade", SHADE_HSHADE, 4, 2, {{0, 0, 0, 0}, {127, 127, 127, 127}}},
        BareCase{"vshade", SHADE_VSHADE, 4, 2, {{255, 191, 127, 63}, {255, 191, 127, 63}}},
        // t = -127 gives (t^3/128)/128 = -125, so 3; t = 0 gives 128.
        BareCase{"hbump", SHADE_HBUMP, 4, 2, {{3, 3, 3, 3}, {128, 128, 128, 128}}},
        // Column 0: t = 128, v = 256, which wraps to 0.
        BareCase{"vbump", SHADE_VBUMP, 4, 2, {{0, 144, 128, 112}, {0, 144, 128, 112}}},
        // Row sums -125 + {128, 16, 0, -16} and 0 + {...}, plus 128, clamped to 0..255.
        BareCase{"softbump", SHADE_SOFTBUMP, 4, 2, {{131, 19, 3, 0}, {255, 144, 128, 112}}},
        // Too narrow for bevelled ends (d = 4 / 6 = 0): the row ramp alone.
        BareCase{"hardbump_narrow", SHADE_HARDBUMP, 4, 2, {{3, 3, 3, 3}, {128, 128, 128, 128}}},
        // 12 x 4: d = 2, a = 4. Rows 1 to 3 have edge 4: columns 0 and 1 (x < -4) brighten
        // to 255 and 255 - 64, column 11 (x > 4) darkens to (12 - 11) * 128 / 2 = 64. Row 0
        // (edge 6) has no end pixels.
        BareCase{"hardbump",
                 SHADE_HARDBUMP,
                 12,
                 4,
                 {{3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3},
                  {255, 191, 112, 112, 112, 112, 112, 112, 112, 112, 112, 64},
                  {255, 191, 128, 128, 128, 128, 128, 128, 128, 128, 128, 64},
                  {255, 191, 144, 144, 144, 144, 144, 144, 144, 144, 144, 64}}},
        // H = 2 makes every scratch length 0 here; k = (255 - 40) / 2 = 107.
        BareCase{"metal", SHADE_METAL, 4, 2, {{107, 80, 53, 26}, {160, 133, 106, 79}}}),
    [](const testing::TestParamInfo<BareCase>& info) { return std::string(info.param.name); });

TEST(ShadeTexture, NoiseIsRandOverQMinusGranularity) {
  // g = 8: q = 32767 / 16 = 2047, n = rand / 2047 - 8 over 41, 18467, 6334, 26500, 19169,
  // 15724, 11478, 29358 = -8, +1, -5, +4, +1, -1, -3, +6. vshade columns: 247, 187, 127, 67.
  EXPECT_EQ(Texture(4, 2, SHADE_VSHADE, 8, 1), (Rows{{239, 188, 122, 71}, {248, 186, 124, 73}}));
}

TEST(ShadeTexture, HardBumpNoisesTheInteriorTwiceAndTheEndsOnce) {
  // 6 x 2, g = 8. Pass 1: rows 19 and 128 plus the first twelve noises
  // (-8 +1 -5 +4 +1 -1 | -3 +6 +5 +3 -6 +5). Pass 2: d = 1, a = 1; only pixel (1, 0) is an
  // end: (255 - 8) - 0 = 247. Then the next twelve noises (+3 0 -4 -8 -7 -3 | -6 -6 +7 -1 -7
  // -8) on every pixel.
  EXPECT_EQ(Texture(6, 2, SHADE_HARDBUMP, 8, 1),
            (Rows{{14, 20, 10, 15, 13, 15}, {241, 128, 140, 130, 115, 125}}));
}

TEST(ShadeTexture, PixelValuesWrapInsteadOfSaturating) {
  // vshade's column 0 is 255; the first value 32767 adds +1 there.
  const std::uint32_t seed = SeedForFirst32767();
  ReferenceRand reference{seed};
  reference();
  for (int i = 1; i < 8; ++i) ASSERT_NE(reference(), 32767);
  EXPECT_EQ(Texture(4, 2, SHADE_VSHADE, 0, seed), (Rows{{0, 191, 127, 63}, {255, 191, 127, 63}}));
}

TEST(ShadeTexture, MetalScratchesAndPositiveNoise) {
  // Worked out on a top-down grid with an independent generator: 200 scratches, each with
  // x, y, length and colour in that order, drawn down-left from (x, y) and up-right from
  // (W - x, y), then the diagonal ramp and noise rand / q (never negative).
  constexpr int W = 12, H = 10, g = 3;
  ReferenceRand reference{7};
  std::vector<std::vector<int>> grid(H, std::vector<int>(W, 0));
  const auto put = [&](int x, int y, int c) {
    if (x >= 0 && x < W && y >= 0 && y < H) grid[y][x] = c;
  };
  for (int n = 0; n < 200; ++n) {
    const int x = reference() / (32767 / W);
    const int y = reference() / (32767 / H);
    const int length = reference() / (32767 / 10) / 2;
    const int c = reference() / 819;
    for (int s = 0; s < length; ++s) {
      if (x - s > 0 && y + s < H) put(x - s, y + s, c);
      if (x + s < W && y - s > 0) put(W - x + s, y - s, c);
    }
  }
  const int k = (255 - 2 * g - 40) / 2;
  Rows expected(H, std::vector<int>(W));
  int scratched = 0;
  for (int i = 0; i < H; ++i) {
    for (int j = 0; j < W; ++j) {
      const int top = H - 1 - i;
      scratched += grid[top][j] != 0;
      expected[i][j] =
          (grid[top][j] + k * i / H + k * (W - j) / W + reference() / (32767 / 6)) & 0xFF;
    }
  }
  ASSERT_GT(scratched, 10);  // the fixture really shows scratches
  EXPECT_EQ(Texture(W, H, SHADE_METAL, g, 7), expected);
}

TEST(ShadeTexture, EachCallDrawsNewNoiseAndDegenerateFacesArePlain) {
  CrtSrand(1);
  CPaletteDib a, b;
  a.Create(8, 8, 8);
  b.Create(8, 8, 8);
  DrawShadeTexture(a, SHADE_NOISE, 8);
  DrawShadeTexture(b, SHADE_NOISE, 8);
  EXPECT_NE(std::vector<BYTE>(a.PixelData(), a.PixelData() + 64),
            std::vector<BYTE>(b.PixelData(), b.PixelData() + 64));

  for (auto [w, h] : {std::pair{1, 5}, {5, 1}, {40000, 2}}) {
    CPaletteDib face;
    ASSERT_NE(face.Create(w, h, 8), nullptr);
    for (UINT id : {SHADE_HARDBUMP, SHADE_METAL}) {
      DrawShadeTexture(face, id, 8);
      EXPECT_EQ(face.PixelData()[0], 128) << w << "x" << h << " id " << id;
    }
  }
}

// ---- palette -----------------------------------------------------------------------------

std::vector<int> Entry(const CPaletteDib& image, int index) {
  const RGBQUAD& q = image.Palette()[index];
  return {q.rgbRed, q.rgbGreen, q.rgbBlue};
}

TEST(ShadePalette, RampsFromShadowThroughFaceToHighlight) {
  CPaletteDib image;
  image.Create(2, 2, 8);
  SetShadePalette(image);
  // ((128 - i) * 160 + i * 240) / 128, then ((128 - i) * 240 + i * 255) / 128 from 128 on.
  const std::pair<int, int> expected[] = {{0, 160},   {1, 160},   {64, 200},  {127, 239},
                                          {128, 240}, {192, 247}, {200, 248}, {255, 255}};
  for (auto [index, value] : expected) {
    EXPECT_EQ(Entry(image, index), (std::vector<int>{value, value, value})) << index;
  }
  EXPECT_EQ(image.Palette()[64].rgbReserved, 0);
}

TEST(ShadePalette, TintMovesEveryEntryTowardTheColour) {
  struct Case {
    DWORD percent;
    std::vector<int> entry0;  // from (160, 160, 160) toward (55, 55, 255)
    std::vector<int> entry255;
  };
  const Case cases[] = {
      {0, {160, 160, 160}, {255, 255, 255}},
      {5, {154, 154, 164}, {245, 245, 255}},  // (160 * 95 + 55 * 5) / 100 = 154.75
      {50, {107, 107, 207}, {155, 155, 255}},
      {100, {55, 55, 255}, {55, 55, 255}},
      {250, {55, 55, 255}, {55, 55, 255}},  // above 100 counts as 100
  };
  for (const Case& c : cases) {
    CPaletteDib image;
    image.Create(2, 2, 8);
    SetShadePalette(image);
    image.TintPalette(RGB(55, 55, 255), c.percent);
    EXPECT_EQ(Entry(image, 0), c.entry0) << c.percent;
    EXPECT_EQ(Entry(image, 255), c.entry255) << c.percent;
  }
}

// ---- CPaletteDib ---------------------------------------------------------------------------

TEST(PaletteDib, HeaderLineWidthAndSizes) {
  struct Case {
    DWORD width, height;
    WORD bits;
    DWORD lineWidth, paletteSize;
  };
  const Case cases[] = {{75, 65, 8, 76, 1024}, {1, 3, 1, 4, 8},  {33, 2, 1, 8, 8},
                        {9, 2, 4, 8, 64},      {8, 2, 4, 4, 64}, {5, 5, 24, 16, 0}};
  for (const Case& c : cases) {
    CPaletteDib image;
    ASSERT_NE(image.Create(c.width, c.height, c.bits), nullptr);
    const BITMAPINFOHEADER& h = image.Header();
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, static_cast<LONG>(c.width));
    EXPECT_EQ(h.biHeight, static_cast<LONG>(c.height));
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, c.bits);
    EXPECT_EQ(h.biCompression, BI_RGB);
    EXPECT_EQ(image.GetLineWidth(), c.lineWidth);
    EXPECT_EQ(h.biSizeImage, c.lineWidth * c.height);
    EXPECT_EQ(image.GetPaletteSize(), c.paletteSize);
    EXPECT_EQ(image.GetSize(), 40 + c.paletteSize + c.lineWidth * c.height);
    // The block starts with a copy of the header.
    EXPECT_EQ(0, std::memcmp(image.PixelData() - c.paletteSize - 40, &h, 40));
  }
}

TEST(PaletteDib, RefusesSizesThatDoNotFitAndStaysEmpty) {
  CPaletteDib image;
  image.Create(4, 4, 8);
  EXPECT_EQ(image.Create(0xFFFFFFFFu, 0xFFFFFFFFu, 8), nullptr);
  EXPECT_EQ(image.Create(0x10000000u, 0x100u, 8), nullptr);
  EXPECT_EQ(image.PixelData(), nullptr);
  EXPECT_EQ(image.GetWidth(), 0u);
  image.Fill(1);
  image.SetPixelValue(0, 0, 1);
  image.TintPalette(0, 50);
  image.SetPaletteEntry(0, 1, 2, 3);
  EXPECT_EQ(image.Palette(), nullptr);
}

TEST(PaletteDib, PixelsCountFromTheTopAndRowsAreStoredBottomUp) {
  CPaletteDib image;
  image.Create(3, 2, 8);
  image.Fill(0);
  image.SetPixelValue(2, 0, 7);  // top row: memory row 1
  image.SetPixelValue(0, 1, 9);  // bottom row: memory row 0
  image.SetPixelValue(3, 0, 5);  // outside: ignored
  image.SetPixelValue(-1, 1, 5);
  image.SetPixelValue(0, 2, 5);
  const BYTE* p = image.PixelData();
  EXPECT_EQ(std::vector<int>(p, p + 8), (std::vector<int>{9, 0, 0, 0, 0, 0, 7, 0}));
}

TEST(PaletteDib, NarrowPixelsArePackedNotWrittenAsBytes) {
  CPaletteDib four;
  four.Create(3, 1, 4);
  four.Fill(0);
  four.SetPixelValue(0, 0, 0xA);
  four.SetPixelValue(2, 0, 0x15);  // only the low 4 bits fit
  EXPECT_EQ(four.PixelData()[0], 0xA0);
  EXPECT_EQ(four.PixelData()[1], 0x50);

  CPaletteDib one;
  one.Create(33, 1, 1);  // a byte per pixel would run past the 8-byte row
  one.Fill(0);
  one.SetPixelValue(32, 0, 1);
  one.SetPixelValue(1, 0, 1);
  EXPECT_EQ(one.PixelData()[0], 0x40);
  EXPECT_EQ(one.PixelData()[4], 0x80);
  one.SetPaletteEntry(2, 1, 1, 1);  // beyond the two colours: ignored
  EXPECT_EQ(one.GetSize(), 40u + 8 + 8);
}

TEST(PaletteDib, CopyFromIsADeepCopyAndSafeOnItself) {
  CPaletteDib source;
  source.Create(5, 3, 8);
  SetShadePalette(source);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) source.SetPixelValue(x, y, static_cast<BYTE>(x * 10 + y));
  }
  CPaletteDib copy;
  copy.CopyFrom(source);
  ASSERT_EQ(copy.GetSize(), source.GetSize());
  EXPECT_EQ(0, std::memcmp(copy.PixelData() - 40 - 1024, source.PixelData() - 40 - 1024,
                           source.GetSize()));
  copy.Fill(0);
  copy.TintPalette(RGB(0, 0, 0), 100);
  EXPECT_EQ(source.PixelData()[0], 2);
  EXPECT_EQ(source.Palette()[255].rgbRed, 255);

  source.CopyFrom(source);
  EXPECT_EQ(source.PixelData()[0], 2);
  CPaletteDib empty;
  copy.CopyFrom(empty);
  EXPECT_EQ(copy.PixelData(), nullptr);
}

TEST(PaletteDib, DrawTakesThePaletteOnceAndThePixelsEveryTime) {
  CPaletteDib image;
  image.Create(2, 2, 8);
  image.SetPaletteEntry(0, 10, 20, 30);
  image.SetPaletteEntry(1, 200, 100, 50);
  image.Fill(0);
  image.SetPixelValue(1, 0, 1);  // top right

  QImage screen(4, 4, QImage::Format_RGB32);
  screen.fill(Qt::white);
  CDC dc(&screen);
  image.Draw(&dc, 1, 1);
  EXPECT_EQ(dc.GetPixel(1, 1), RGB(10, 20, 30));
  EXPECT_EQ(dc.GetPixel(2, 1), RGB(200, 100, 50));
  EXPECT_EQ(dc.GetPixel(2, 2), RGB(10, 20, 30));
  EXPECT_EQ(dc.GetPixel(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(dc.GetPixel(3, 3), RGB(255, 255, 255));

  image.SetPaletteEntry(0, 1, 1, 1);  // too late for the section made by the first draw
  image.SetPixelValue(0, 0, 1);
  image.Draw(&dc, -1, 0);  // clipped at the left edge
  EXPECT_EQ(dc.GetPixel(0, 0), RGB(200, 100, 50));
  EXPECT_EQ(dc.GetPixel(0, 1), RGB(10, 20, 30));

  image.Create(2, 2, 8);  // a new section takes the palette as it is then
  image.SetPaletteEntry(0, 1, 1, 1);
  image.Fill(0);
  image.Draw(&dc, 0, 0);
  EXPECT_EQ(dc.GetPixel(0, 0), RGB(1, 1, 1));

  CPaletteDib empty;
  empty.Draw(&dc, 0, 0);  // nothing to draw, nothing drawn
  EXPECT_EQ(dc.GetPixel(3, 3), RGB(255, 255, 255));
}

}  // namespace
