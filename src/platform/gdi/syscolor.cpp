#include <QGuiApplication>
#include <QPalette>

#include "platform/gdi/gdi.h"

namespace gdi {

namespace {

COLORREF FromQColor(const QColor& color) { return RGB(color.red(), color.green(), color.blue()); }

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
        return 0;
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
    default:
      return 0;
  }
}

}  // namespace gdi
