#pragma once
// CShadeButton: a CFlatButton whose face is a pre-rendered 8-bit texture in the desktop's 3-D
// colours, optionally tinted; a brighter copy is shown while the pointer is over it.

#include "widgets/buttons/flat_button.h"
#include "widgets/buttons/palette_dib.h"
#include "widgets/buttons/shade_texture.h"

class CShadeButton : public CFlatButton {
  Q_OBJECT

 public:
  explicit CShadeButton(const QString& caption = QString(), QWidget* parent = nullptr,
                        gdi::DWORD style = gdi::BS_PUSHBUTTON);
  ~CShadeButton() override;

  // Builds both face images for the button's current size: texture shadeId (SHADE_*) with noise
  // of +-granularity palette steps, the palette moved coloring % toward color, the hover copy's
  // palette moved highlight % toward the highlight colour. Call it after the button has its
  // final size; the images are not rebuilt on resize.
  void SetShadeEffect(gdi::UINT shadeId, gdi::BYTE granularity, gdi::BYTE highlight,
                      gdi::BYTE coloring, gdi::COLORREF color);

  const CPaletteDib& NormalImage() const { return normalImage_; }
  const CPaletteDib& HoverImage() const { return hoverImage_; }

 protected:
  gdi::DWORD DrawBackground(gdi::CDC* dc, const gdi::RECT* rect) override;
  gdi::DWORD DrawBorder(gdi::CDC* dc, const gdi::RECT* rect) override;

  CPaletteDib normalImage_;
  CPaletteDib hoverImage_;
};
