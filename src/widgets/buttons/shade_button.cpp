#include "widgets/buttons/shade_button.h"

using namespace gdi;

CShadeButton::CShadeButton(const QString& caption, QWidget* parent, DWORD style)
    : CFlatButton(caption, parent, style) {}

CShadeButton::~CShadeButton() {
  hoverImage_.Release();
  normalImage_.Release();
}

void CShadeButton::SetShadeEffect(UINT shadeId, BYTE granularity, BYTE highlight, BYTE coloring,
                                  COLORREF color) {
  const DWORD w = static_cast<DWORD>(width());
  const DWORD h = static_cast<DWORD>(height());
  normalImage_.Create(w, h, 8);
  SetShadePalette(normalImage_);
  normalImage_.TintPalette(color, coloring);
  DrawShadeTexture(normalImage_, shadeId, granularity);
  hoverImage_.CopyFrom(normalImage_);
  hoverImage_.TintPalette(GetSysColor(COLOR_BTNHIGHLIGHT), highlight);
  update();
}

DWORD CShadeButton::DrawBackground(CDC* dc, const RECT* /*rect*/) {
  if (hover_) {
    const int shift = drawnPressed_ ? 1 : 0;
    hoverImage_.Draw(dc, shift, shift);
  } else {
    normalImage_.Draw(dc, 0, 0);
  }
  return 0;
}

DWORD CShadeButton::DrawBorder(CDC* dc, const RECT* rect) {
  CFlatButton::DrawBorder(dc, rect);
  return 0;
}
