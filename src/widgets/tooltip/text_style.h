#pragma once
// The style record of the markup renderer: what a tag or a style-sheet entry can change,
// saved on the style stack when a tag opens and put back when it closes.

#include <string>

#include "platform/gdi/gdi.h"

// Horizontal alignment of a line's content (text-align, and the align tags).
enum TextAlign : int { ALIGN_LEFT = 0, ALIGN_CENTER = 1, ALIGN_RIGHT = 2, ALIGN_JUSTIFY = 3 };
// Where an item sits in the height of its line (vertical-align, and the valign tags).
enum VerticalAlign : int {
  VALIGN_TOP = 0,
  VALIGN_MIDDLE = 1,
  VALIGN_BOTTOM = 2,
  VALIGN_BASELINE = 3
};

// text-transform.
enum TextTransform : int {
  TRANSFORM_NONE = 0,
  TRANSFORM_UPPERCASE = 1,
  TRANSFORM_LOWERCASE = 2,
  TRANSFORM_CAPITALIZE = 3,
};
// What a click on a link does: open its href with the desktop, or send its msg.
enum LinkType : int { LINK_NONE = 0, LINK_SHELL = 1, LINK_MESSAGE = 2 };

struct TextStyle {
  std::string name;  // style name of the tag that pushed this record; matches closing tags
  int size = 16;     // font cell height, pixels
  int weight = 400;
  int italic = 0;
  int underline = 0;
  int strikeout = 0;
  int overline = 0;
  std::string face = "Verdana";  // at most 31 characters
  gdi::COLORREF textColor = 0x000000;
  gdi::COLORREF backColor = 0xFFFFFF;
  gdi::COLORREF borderLight = 0x000000;
  gdi::COLORREF borderDark = 0x000000;
  gdi::COLORREF backMidColor = 0xFFFFFF;
  gdi::COLORREF backEndColor = 0xFFFFFF;
  int backMode = 1;     // 1 transparent, 2 opaque
  int backEffect = -1;  // background effect id; -1 none
  std::string backImage;
  TextAlign align = ALIGN_LEFT;
  VerticalAlign valign = VALIGN_BASELINE;
  int borderStyle = 0;
  int borderWidth = 0;
  int width = 0;  // cell width and height; 0 automatic
  int height = 0;
  int reserved1 = 0;
  int reserved2 = 0;
  TextTransform transform = TRANSFORM_NONE;
  int margin = 2;   // also a table's cell padding
  int padding = 0;  // also a table's cell spacing
  LinkType linkKind = LINK_NONE;
  std::string linkTarget;

  void Reset() { *this = TextStyle(); }
};
