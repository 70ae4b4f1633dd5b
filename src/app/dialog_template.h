#pragma once
// Builds windows from the dialog templates of resources/, converting dialog units to pixels
// with the dialog font's average character size, as the Windows dialog manager does.

#include <QFont>
#include <QRect>
#include <QSize>

#include <map>

#include "resources.h"

class QDialog;
class QWidget;

struct DialogBaseUnits {
  int x;  // average character width
  int y;  // character height
};

DialogBaseUnits BaseUnitsOf(const QFont& font);

// x*baseX/4, y*baseY/8, each rounded as MulDiv rounds.
QRect DialogUnitsToPixels(const DialogBaseUnits& units, int x, int y, int width, int height);

// Gives the dialog its caption, font and client size, and creates every control of the template
// at its converted position; controls with an identifier are returned by it. Push buttons are
// made by `makeButton` so that a dialog can substitute its own button class.
std::map<int, QWidget*> BuildFromTemplate(QDialog* dialog, const res::DialogTemplate& layout,
                                          const res::ControlTemplate* controls, size_t count,
                                          QWidget* (*makeButton)(const res::ControlTemplate&,
                                                                 QWidget* parent) = nullptr);
