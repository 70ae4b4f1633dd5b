#pragma once
// A device-independent bitmap of 1, 4 or 8 bits per pixel held in one memory block (header,
// colour table, pixel rows bottom-up), drawn through a DIB section made on first use.

#include <memory>

#include "platform/gdi/dc.h"
#include "platform/gdi/gdi.h"

class CPaletteDib {
 public:
  CPaletteDib();
  ~CPaletteDib();
  CPaletteDib(const CPaletteDib&) = delete;
  CPaletteDib& operator=(const CPaletteDib&) = delete;

  // Replaces the image by an uninitialised one; returns the block, or null when it cannot be
  // allocated or its size does not fit a DIB (the image is then empty).
  void* Create(gdi::DWORD width, gdi::DWORD height, gdi::WORD bitsPerPixel);
  void Release();

  // Copies the pixels to the screen at (x, y). The colour table is taken when the DIB section
  // is made, on the first Draw after Create: later palette changes show after the next Create.
  void Draw(gdi::CDC* dc, int x, int y);

  void CopyFrom(const CPaletteDib& source);

  void SetPaletteEntry(gdi::BYTE index, gdi::BYTE red, gdi::BYTE green, gdi::BYTE blue);
  // Moves every palette entry percent % toward color (above 100 counts as 100).
  void TintPalette(gdi::COLORREF color, gdi::DWORD percent);
  // y counts from the top; points outside the image are ignored.
  void SetPixelValue(int x, int y, gdi::BYTE value);
  void Fill(gdi::BYTE value);

  gdi::BYTE* PixelData();
  const gdi::BYTE* PixelData() const;
  // The colour table, or null without one.
  const gdi::RGBQUAD* Palette() const;
  const gdi::BITMAPINFOHEADER& Header() const { return header_; }

  gdi::DWORD GetWidth() const { return static_cast<gdi::DWORD>(header_.biWidth); }
  gdi::DWORD GetHeight() const { return static_cast<gdi::DWORD>(header_.biHeight); }
  gdi::DWORD GetLineWidth() const { return lineWidth_; }
  gdi::WORD GetBitCount() const { return header_.biBitCount; }
  gdi::DWORD GetPaletteSize() const { return colorCount_ * 4u; }
  gdi::DWORD GetSize() const { return header_.biSize + header_.biSizeImage + GetPaletteSize(); }

 private:
  gdi::RGBQUAD* MutablePalette();

  std::unique_ptr<gdi::BYTE[]> block_;
  gdi::BITMAPINFOHEADER header_{};
  gdi::DWORD lineWidth_ = 0;
  gdi::WORD colorCount_ = 0;
  std::unique_ptr<gdi::CBitmap> section_;
  std::unique_ptr<gdi::CDC> memoryDC_;
  void* sectionBits_ = nullptr;
};
