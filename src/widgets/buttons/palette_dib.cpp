#include "widgets/buttons/palette_dib.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

using namespace gdi;

CPaletteDib::CPaletteDib() = default;

CPaletteDib::~CPaletteDib() { Release(); }

void* CPaletteDib::Create(DWORD width, DWORD height, WORD bitsPerPixel) {
  Release();
  const WORD colors = bitsPerPixel == 1 ? 2 : bitsPerPixel == 4 ? 16 : bitsPerPixel == 8 ? 256 : 0;
  // Sizes are worked out wide so that a huge request is refused rather than wrapped into a
  // small block that the pixel loops would then overrun.
  const std::uint64_t line = (std::uint64_t{width} * bitsPerPixel + 31) / 32 * 4;
  const std::uint64_t image = line * height;
  const std::uint64_t total = sizeof(BITMAPINFOHEADER) + std::uint64_t{colors} * 4 + image;
  constexpr std::uint64_t kLimit = 0x7FFFFFFF;
  if (width > kLimit || height > kLimit || total > kLimit) return nullptr;

  block_.reset(new (std::nothrow) BYTE[total]());
  if (!block_) return nullptr;
  colorCount_ = colors;
  lineWidth_ = static_cast<DWORD>(line);
  header_.biSize = sizeof(BITMAPINFOHEADER);
  header_.biWidth = static_cast<LONG>(width);
  header_.biHeight = static_cast<LONG>(height);
  header_.biPlanes = 1;
  header_.biBitCount = bitsPerPixel;
  header_.biCompression = BI_RGB;
  header_.biSizeImage = static_cast<DWORD>(image);
  std::memcpy(block_.get(), &header_, sizeof header_);
  return block_.get();
}

void CPaletteDib::Release() {
  memoryDC_.reset();
  section_.reset();
  sectionBits_ = nullptr;
  block_.reset();
  header_ = BITMAPINFOHEADER{};
  lineWidth_ = 0;
  colorCount_ = 0;
}

void CPaletteDib::Draw(CDC* dc, int x, int y) {
  if (!block_ || !dc) return;
  if (!section_) {
    section_ = CBitmap::CreateDIBSection(header_, Palette(), &sectionBits_);
    if (!section_) return;
    if (!sectionBits_) {
      section_.reset();
      return;
    }
  }
  std::memcpy(sectionBits_, PixelData(), header_.biSizeImage);
  if (!memoryDC_) {
    memoryDC_ = CDC::CreateCompatibleDC(dc);
    if (!memoryDC_) return;
  }
  CBitmap* previous = memoryDC_->SelectObject(section_.get());
  dc->BitBlt(x, y, header_.biWidth, header_.biHeight, memoryDC_.get(), 0, 0, SRCCOPY);
  memoryDC_->SelectObject(previous);
}

void CPaletteDib::CopyFrom(const CPaletteDib& source) {
  // Copying an image onto itself would free the block being read.
  if (&source == this) return;
  if (!source.block_) {
    Release();
    return;
  }
  if (!Create(source.GetWidth(), source.GetHeight(), source.GetBitCount())) return;
  std::memcpy(block_.get(), source.block_.get(), source.GetSize());
}

RGBQUAD* CPaletteDib::MutablePalette() {
  if (!block_ || colorCount_ == 0) return nullptr;
  return reinterpret_cast<RGBQUAD*>(block_.get() + header_.biSize);
}

const RGBQUAD* CPaletteDib::Palette() const {
  return const_cast<CPaletteDib*>(this)->MutablePalette();
}

void CPaletteDib::SetPaletteEntry(BYTE index, BYTE red, BYTE green, BYTE blue) {
  RGBQUAD* palette = MutablePalette();
  if (!palette || index >= colorCount_) return;
  palette[index] = RGBQUAD{blue, green, red, 0};
}

void CPaletteDib::TintPalette(COLORREF color, DWORD percent) {
  RGBQUAD* palette = MutablePalette();
  if (!palette) return;
  const DWORD p = std::min<DWORD>(percent, 100);
  const auto mix = [p](BYTE channel, BYTE target) {
    return static_cast<BYTE>((channel * (100 - p) + target * p) / 100);
  };
  for (WORD i = 0; i < colorCount_; ++i) {
    palette[i].rgbBlue = mix(palette[i].rgbBlue, GetBValue(color));
    palette[i].rgbGreen = mix(palette[i].rgbGreen, GetGValue(color));
    palette[i].rgbRed = mix(palette[i].rgbRed, GetRValue(color));
  }
}

void CPaletteDib::SetPixelValue(int x, int y, BYTE value) {
  if (!block_ || colorCount_ == 0 || x < 0 || y < 0 || x >= header_.biWidth ||
      y >= header_.biHeight) {
    return;
  }
  BYTE* row = PixelData() + static_cast<std::size_t>(header_.biHeight - y - 1) * lineWidth_;
  switch (header_.biBitCount) {
    case 8:
      row[x] = value;
      break;
    // Narrower pixels are packed several to a byte, high bits first; writing them one byte
    // per pixel would run past the row.
    case 4: {
      const int shift = x % 2 ? 0 : 4;
      row[x / 2] = static_cast<BYTE>((row[x / 2] & ~(0xF << shift)) | ((value & 0xF) << shift));
      break;
    }
    case 1: {
      const int shift = 7 - x % 8;
      row[x / 8] = static_cast<BYTE>((row[x / 8] & ~(1 << shift)) | ((value & 1) << shift));
      break;
    }
  }
}

void CPaletteDib::Fill(BYTE value) {
  if (block_) std::memset(PixelData(), value, header_.biSizeImage);
}

BYTE* CPaletteDib::PixelData() {
  return block_ ? block_.get() + header_.biSize + GetPaletteSize() : nullptr;
}

const BYTE* CPaletteDib::PixelData() const { return const_cast<CPaletteDib*>(this)->PixelData(); }
