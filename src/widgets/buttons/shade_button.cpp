#include "widgets/buttons/shade_button.h"

using namespace gdi;

CShadeButton::CShadeButton(const QString& caption, QWidget* parent, DWORD style)
    : CFlatButton(caption, parent, style) {}

CShadeButton::~CShadeButton() {
  hoverImage.Release();
  normalImage.Release();
}

void CShadeButton::SetShadeEffect(UINT shadeId, BYTE granularity, BYTE highlight, BYTE coloring,
                                  COLORREF color) {
  const DWORD w = static_cast<DWORD>(width());
  const DWORD h = static_cast<DWORD>(height());
  normalImage.Create(w, h, 8);
  SetShadePalette(normalImage);
  normalImage.TintPalette(color, coloring);
  DrawShadeTexture(normalImage, shadeId, granularity);
  hoverImage.CopyFrom(normalImage);
  hoverImage.TintPalette(GetSysColor(COLOR_BTNHIGHLIGHT), highlight);
  update();
}

DWORD CShadeButton::DrawBackground(CDC* dc, const RECT* /*rect*/) {
  if (hover) {
    const int shift = drawnPressed ? 1 : 0;
    hoverImage.Draw(dc, shift, shift);
  } else {
    normalImage.Draw(dc, 0, 0);
  }
  return 0;
}

DWORD CShadeButton::DrawBorder(CDC* dc, const RECT* rect) {
  CFlatButton::DrawBorder(dc, rect);
  return 0;
}
