#pragma once
// Pens of the GDI-like layer, as CreatePen makes them. A pen one pixel wide draws GDI's
// cosmetic patterns (dash 18 on 6 off, dot 3 on 3 off, dash-dot 9 6 3 6, dash-dot-dot
// 9 3 3 3 3 3), leaves out the end point of each line and starts its pattern afresh on each
// LineTo. A wider pen stamps a width x width square on each point of the line, end point
// included, so frames get full corners; its styles keep their dashes, with the geometric
// pattern lengths (dash 3 on 1 off, dot 1 1, ...) times the width.

#include "platform/gdi/gdi.h"

namespace gdi {

inline constexpr int PS_SOLID = 0;
inline constexpr int PS_DASH = 1;
inline constexpr int PS_DOT = 2;
inline constexpr int PS_DASHDOT = 3;
inline constexpr int PS_DASHDOTDOT = 4;
inline constexpr int PS_NULL = 5;

class CPen {
 public:
  // Widths below 1 draw as 1; an unknown style draws solid.
  CPen(int style, int width, COLORREF color) : style_(style), width_(width), color_(color) {}

  int Style() const { return style_; }
  int Width() const { return width_ < 1 ? 1 : width_; }
  COLORREF Color() const { return color_; }

 private:
  int style_;
  int width_;
  COLORREF color_;
};

}  // namespace gdi
