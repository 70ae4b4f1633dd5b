#pragma once
// The application palette of the GUI tests (see qt_main.cpp), as 0xAARRGGBB.

#include <QtGui/qrgb.h>

namespace test_colors {

inline constexpr QRgb kFace = 0xFFF0F0F0;       // COLOR_BTNFACE
inline constexpr QRgb kShadow = 0xFFA0A0A0;     // COLOR_BTNSHADOW, COLOR_3DSHADOW
inline constexpr QRgb kHighlight = 0xFFFFFFFF;  // COLOR_BTNHIGHLIGHT, COLOR_3DHILIGHT
inline constexpr QRgb kText = 0xFF000000;       // COLOR_BTNTEXT

}  // namespace test_colors
