#include "widgets/tooltip/effect_painter.h"

using namespace gdi;

CEffectPainter::CEffectPainter() = default;

CEffectPainter::~CEffectPainter() { effectImage.Release(); }

void CEffectPainter::PaintBackground(CDC*, DWORD, const RECT*, COLORREF, COLORREF, COLORREF,
                                     BYTE, BYTE) {}
void CEffectPainter::DrawStyledLine(CDC*, int, int, int, int, COLORREF, int, int) {}
void CEffectPainter::DrawStyledFrame(CDC*, const RECT*, COLORREF, COLORREF, int, int) {}
void CEffectPainter::DrawStyledFrame(CDC*, int, int, int, int, COLORREF, COLORREF, int, int) {}
void CEffectPainter::TileCopy(CDC*, int, int, int, int, CDC*, int, int, int, int) {}
void CEffectPainter::BlendCopy(CDC*, int, int, int, int, CDC*, int, int, int) {}
void CEffectPainter::AlphaCopy(CDC*, int, int, int, int, CDC*, int, int) {}
void CEffectPainter::GetBitmapSize(const CBitmap*, SIZE& size) { size = {}; }
void CEffectPainter::GetIconSize(HICON, SIZE& size) { size = {}; }
void CEffectPainter::DrawDropShadow(CDC*, int, int, int, int, CBitmap*, BOOL, DWORD, DWORD) {}
void CEffectPainter::DrawIconWithEffects(CDC*, int, int, int, int, HICON, DWORD, BOOL, int, int,
                                         DWORD, DWORD, COLORREF) {}
void CEffectPainter::DrawBitmapWithEffects(CDC*, int, int, int, int, CBitmap*, BOOL, COLORREF,
                                           DWORD, BOOL, int, int, DWORD, DWORD, COLORREF) {}
void CEffectPainter::DrawStripImage(CDC*, int, int, int, int, CBitmap*, int, int, int, BOOL,
                                    COLORREF, DWORD, BOOL, int, int, DWORD, DWORD, COLORREF) {}
void CEffectPainter::FillGradientBands(CDC*, const RECT&, COLORREF, COLORREF, bool) {}
void CEffectPainter::BuildEffectImage(SIZE, DWORD, BYTE, BYTE, COLORREF, COLORREF, COLORREF) {}
std::unique_ptr<CBitmap> CEffectPainter::MakeEffectBitmap(const CBitmap*, int, int, DWORD, BOOL,
                                                          COLORREF, COLORREF) {
  return nullptr;
}
HICON CEffectPainter::ScaleIcon(HICON, int, int) { return NULL_ICON; }
void CEffectPainter::BoxAverage(int, int, const DWORD*, DWORD, DWORD, double*) {}
DWORD CEffectPainter::MixColors(DWORD, double, DWORD, double) { return 0; }
DWORD CEffectPainter::BrightenColor(DWORD c, double) { return c; }
DWORD CEffectPainter::ScaleColor(DWORD c, double) { return c; }
DWORD CEffectPainter::InvertColor(DWORD c) { return c; }
DWORD CEffectPainter::GrayColor(DWORD c) { return c; }
