#include <QGuiApplication>
#include <QPalette>

#include "platform/gdi/gdi.h"

namespace gdi {

namespace {

COLORREF FromQColor(const QColor& color) { return RGB(color.red(), color.green(), color.blue()); }

// The desktop gives no colour for these; they keep the standard Windows scheme's.
COLORREF StandardColor(int index) {
  switch (index) {
    case COLOR_SCROLLBAR:
      return RGB(200, 200, 200);
    case COLOR_BACKGROUND:
      return RGB(0, 0, 0);
    case COLOR_ACTIVECAPTION:
      return RGB(153, 180, 209);
    case COLOR_INACTIVECAPTION:
      return RGB(191, 205, 219);
    case COLOR_MENU:
      return RGB(240, 240, 240);
    case COLOR_WINDOW:
      return RGB(255, 255, 255);
    case COLOR_WINDOWFRAME:
      return RGB(100, 100, 100);
    case COLOR_ACTIVEBORDER:
      return RGB(180, 180, 180);
    case COLOR_INACTIVEBORDER:
      return RGB(244, 247, 252);
    case COLOR_APPWORKSPACE:
      return RGB(171, 171, 171);
    case COLOR_HIGHLIGHT:
      return RGB(0, 120, 215);
    case COLOR_HIGHLIGHTTEXT:
      return RGB(255, 255, 255);
    case COLOR_GRAYTEXT:
      return RGB(109, 109, 109);
    case COLOR_3DDKSHADOW:
      return RGB(105, 105, 105);
    case COLOR_3DLIGHT:
      return RGB(227, 227, 227);
    case COLOR_INFOBK:
      return RGB(255, 255, 225);
    default:  // the text colours
      return RGB(0, 0, 0);
  }
}

}  // namespace

// The inverse of the mapping Qt's own Windows theme makes from the system colours into a
// palette, so the buttons take the desktop's colours wherever they run.
COLORREF GetSysColor(int index) {
  if (!qGuiApp) {
    switch (index) {
      case COLOR_BTNFACE:
        return RGB(240, 240, 240);
      case COLOR_BTNSHADOW:
        return RGB(160, 160, 160);
      case COLOR_BTNTEXT:
        return RGB(0, 0, 0);
      case COLOR_BTNHIGHLIGHT:
        return RGB(255, 255, 255);
      default:
        return index >= 0 && index <= COLOR_INFOBK ? StandardColor(index) : 0;
    }
  }
  const QPalette palette = QGuiApplication::palette();
  switch (index) {
    case COLOR_BTNFACE:
      return FromQColor(palette.color(QPalette::Active, QPalette::Button));
    case COLOR_BTNSHADOW:
      return FromQColor(palette.color(QPalette::Active, QPalette::Dark));
    case COLOR_BTNTEXT:
      return FromQColor(palette.color(QPalette::Active, QPalette::ButtonText));
    case COLOR_BTNHIGHLIGHT:
      return FromQColor(palette.color(QPalette::Active, QPalette::Light));
    case COLOR_WINDOW:
      return FromQColor(palette.color(QPalette::Active, QPalette::Base));
    case COLOR_WINDOWTEXT:
      return FromQColor(palette.color(QPalette::Active, QPalette::Text));
    case COLOR_HIGHLIGHT:
      return FromQColor(palette.color(QPalette::Active, QPalette::Highlight));
    case COLOR_HIGHLIGHTTEXT:
      return FromQColor(palette.color(QPalette::Active, QPalette::HighlightedText));
    case COLOR_GRAYTEXT:
      return FromQColor(palette.color(QPalette::Disabled, QPalette::Text));
    case COLOR_INFOBK:
      return FromQColor(palette.color(QPalette::Active, QPalette::ToolTipBase));
    case COLOR_INFOTEXT:
      return FromQColor(palette.color(QPalette::Active, QPalette::ToolTipText));
    default:
      return index >= 0 && index <= COLOR_INFOBK ? StandardColor(index) : 0;
  }
}

}  // namespace gdi
