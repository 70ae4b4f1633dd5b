#pragma once
// The fixed tables of the markup language: the tags and what they do, the entities, the
// colour names (the CSS keywords and the system colours) and the default style sheet. Read
// once, into the drawer's own maps, when a drawer is made.

#include <cstdint>
#include <iterator>
#include <utility>

#include "platform/gdi/gdi.h"
#include "widgets/tooltip/markup_drawer.h"

namespace markup {

struct TagEntry {
  const char* tag;
  CMarkupDrawer::TagKind kind;
  const char* styleName;
};
inline constexpr TagEntry kTags[] = {
    {"b", CMarkupDrawer::TAG_BOLD, "bold"},
    {"i", CMarkupDrawer::TAG_ITALIC, "italic"},
    {"em", CMarkupDrawer::TAG_ITALIC, "italic"},
    {"u", CMarkupDrawer::TAG_UNDERLINE, "underline"},
    {"s", CMarkupDrawer::TAG_STRIKEOUT, "strikeout"},
    {"strike", CMarkupDrawer::TAG_STRIKEOUT, "strikeout"},
    {"font", CMarkupDrawer::TAG_FONT, "font"},
    {"left", CMarkupDrawer::TAG_LEFT, "left"},
    {"center", CMarkupDrawer::TAG_CENTER, "center"},
    {"right", CMarkupDrawer::TAG_RIGHT, "right"},
    {"justify", CMarkupDrawer::TAG_JUSTIFY, "justify"},
    {"baseline", CMarkupDrawer::TAG_BASELINE, "baseline"},
    {"top", CMarkupDrawer::TAG_TOP, "top"},
    {"vcenter", CMarkupDrawer::TAG_VCENTER, "vcenter"},
    {"middle", CMarkupDrawer::TAG_VCENTER, "vcenter"},
    {"bottom", CMarkupDrawer::TAG_BOTTOM, "vcenter"},
    {"body", CMarkupDrawer::TAG_SHEET, "body"},
    {"h1", CMarkupDrawer::TAG_SHEET, "h1"},
    {"h2", CMarkupDrawer::TAG_SHEET, "h2"},
    {"h3", CMarkupDrawer::TAG_SHEET, "h3"},
    {"h4", CMarkupDrawer::TAG_SHEET, "h4"},
    {"h5", CMarkupDrawer::TAG_SHEET, "h5"},
    {"h6", CMarkupDrawer::TAG_SHEET, "h6"},
    {"code", CMarkupDrawer::TAG_SHEET, "code"},
    {"pre", CMarkupDrawer::TAG_SHEET, "pre"},
    {"big", CMarkupDrawer::TAG_SHEET, "big"},
    {"small", CMarkupDrawer::TAG_SHEET, "small"},
    {"sub", CMarkupDrawer::TAG_SHEET, "sub"},
    {"sup", CMarkupDrawer::TAG_SHEET, "sup"},
    {"span", CMarkupDrawer::TAG_SPAN, "span"},
    {"a", CMarkupDrawer::TAG_LINK, "link"},
    {"hr", CMarkupDrawer::TAG_HR, ""},
    {"br", CMarkupDrawer::TAG_BR, ""},
    {"\n", CMarkupDrawer::TAG_BR, ""},
    {"t", CMarkupDrawer::TAG_TAB, ""},
    {"\t", CMarkupDrawer::TAG_TAB, ""},
    {"bmp", CMarkupDrawer::TAG_BMP, ""},
    {"icon", CMarkupDrawer::TAG_ICON, ""},
    {"ilst", CMarkupDrawer::TAG_ILST, ""},
    {"string", CMarkupDrawer::TAG_STRING, ""},
};

struct NamedColor {
  const char* name;
  std::uint32_t rgb;  // 0xRRGGBB, as the CSS keywords are written
};

inline constexpr NamedColor kNamedColors[] = {
    {"aqua", 0x00ffff},
    {"black", 0x000000},
    {"blue", 0x0000ff},
    {"brown", 0xa52a2a},
    {"cyan", 0x00ffff},
    {"gold", 0xffd700},
    {"gray", 0x808080},
    {"green", 0x008000},
    {"magenta", 0xff00ff},
    {"maroon", 0x800000},
    {"navy", 0x000080},
    {"olive", 0x808000},
    {"orange", 0xffa500},
    {"pink", 0xffc0cb},
    {"purple", 0x800080},
    {"red", 0xff0000},
    {"silver", 0xc0c0c0},
    {"snow", 0xfffafa},
    {"violet", 0xee82ee},
    {"white", 0xffffff},
    {"yellow", 0xffff00},
    {"aliceblue", 0xf0f8ff},
    {"antiquewhite", 0xfaebd7},
    {"aquamarine", 0x7fffd4},
    {"azure", 0xf0ffff},
    {"beige", 0xf5f5dc},
    {"bisque", 0xffe4c4},
    {"blanchedalmond", 0xffebcd},
    {"blueviolet", 0x8a2be2},
    {"burlywood", 0xdeb887},
    {"cadetblue", 0x5f9ea0},
    {"chartreuse", 0x7fff00},
    {"chocolate", 0xd2691e},
    {"coral", 0xff7f50},
    {"cornflowerblue", 0x6495ed},
    {"cornsilk", 0xfff8dc},
    {"crimson", 0xdc143c},
    {"darkblue", 0x00008b},
    {"darkcyan", 0x008b8b},
    {"darkgoldenrod", 0xb8860b},
    {"darkgray", 0xa9a9a9},
    {"darkgreen", 0x006400},
    {"darkkhaki", 0xbdb76b},
    {"darkmagenta", 0x8b008b},
    {"darkolivegreen", 0x556b2f},
    {"darkorange", 0xff8c00},
    {"darkorchid", 0x9932cc},
    {"darkred", 0x8b0000},
    {"darksalmon", 0xe9967a},
    {"darkseagreen", 0x8fbc8f},
    {"darkslateblue", 0x483d8b},
    {"darkslategray", 0x2f4f4f},
    {"darkturquoise", 0x00ced1},
    {"darkviolet", 0x9400d3},
    {"deeppink", 0xff1493},
    {"deepskyblue", 0x00bfff},
    {"dimgray", 0x696969},
    {"dodgerblue", 0x1e90ff},
    {"firebrick", 0xb22222},
    {"floralwhite", 0xfffaf0},
    {"forestgreen", 0x228b22},
    {"fuchsia", 0xff00ff},
    {"gainsboro", 0xdcdcdc},
    {"ghostwhite", 0xf8f8ff},
    {"goldenrod", 0xdaa520},
    {"greenyellow", 0xadff2f},
    {"honeydew", 0xf0fff0},
    {"hotpink", 0xff69b4},
    {"indianred", 0xcd5c5c},
    {"indigo", 0x4b0082},
    {"ivory", 0xfffff0},
    {"khaki", 0xf0e68c},
    {"lavender", 0xe6e6fa},
    {"lavenderblush", 0xfff0f5},
    {"lawngreen", 0x7cfc00},
    {"lemonchiffon", 0xfffacd},
    {"lightblue", 0xadd8e6},
    {"lightcoral", 0xf08080},
    {"lightcyan", 0xe0ffff},
    {"lightgoldenrodyellow", 0xfafad2},
    {"lightgreen", 0x90ee90},
    {"lightgrey", 0xd3d3d3},
    {"lightpink", 0xffb6c1},
    {"lightsalmon", 0xffa07a},
    {"lightseagreen", 0x20b2aa},
    {"lightskyblue", 0x87cefa},
    {"lightslategray", 0x778899},
    {"lightsteelblue", 0xb0c4de},
    {"lightyellow", 0xffffe0},
    {"lime", 0x00ff00},
    {"limegreen", 0x32cd32},
    {"linen", 0xfaf0e6},
    {"mediumaquamarine", 0x66cdaa},
    {"mediumblue", 0x0000cd},
    {"mediumorchid", 0xba55d3},
    {"mediumpurple", 0x9370db},
    {"mediumseagreen", 0x3cb371},
    {"mediumslateblue", 0x7b68ee},
    {"mediumspringgreen", 0x00fa9a},
    {"mediumturquoise", 0x48d1cc},
    {"mediumvioletred", 0xc71585},
    {"midnightblue", 0x191970},
    {"mintcream", 0xf5fffa},
    {"mistyrose", 0xffe4e1},
    {"moccasin", 0xffe4b5},
    {"navajowhite", 0xffdead},
    {"oldlace", 0xfdf5e6},
    {"olivedrab", 0x6b8e23},
    {"orangered", 0xff4500},
    {"orchid", 0xda70d6},
    {"palegoldenrod", 0xeee8aa},
    {"palegreen", 0x98fb98},
    {"paleturquoise", 0xafeeee},
    {"palevioletred", 0xdb7093},
    {"papayawhip", 0xffefd5},
    {"peachpuff", 0xffdab9},
    {"peru", 0xcd853f},
    {"plum", 0xdda0dd},
    {"powderblue", 0xb0e0e6},
    {"rosybrown", 0xbc8f8f},
    {"royalblue", 0x4169e1},
    {"saddlebrown", 0x8b4513},
    {"salmon", 0xfa8072},
    {"sandybrown", 0xf4a460},
    {"seagreen", 0x2e8b57},
    {"seashell", 0xfff5ee},
    {"sienna", 0xa0522d},
    {"skyblue", 0x87ceeb},
    {"slateblue", 0x6a5acd},
    {"slategray", 0x708090},
    {"springgreen", 0x00ff7f},
    {"steelblue", 0x4682b4},
    {"tan", 0xd2b48c},
    {"teal", 0x008080},
    {"thistle", 0xd8bfd8},
    {"tomato", 0xff6347},
    {"turquoise", 0x40e0d0},
    {"wheat", 0xf5deb3},
    {"whitesmoke", 0xf5f5f5},
    {"yellowgreen", 0x9acd32},
};
static_assert(std::size(kNamedColors) == 140);

struct SystemColor {
  const char* name;
  int index;
};

inline constexpr SystemColor kSystemColors[] = {
    {"activeborder", gdi::COLOR_ACTIVEBORDER},
    {"activecaption", gdi::COLOR_ACTIVECAPTION},
    {"appworkspace", gdi::COLOR_APPWORKSPACE},
    {"background", gdi::COLOR_BACKGROUND},
    {"buttonface", gdi::COLOR_BTNFACE},
    {"buttonhighlight", gdi::COLOR_BTNHIGHLIGHT},
    {"buttonshadow", gdi::COLOR_BTNSHADOW},
    {"buttontext", gdi::COLOR_BTNTEXT},
    {"captiontext", gdi::COLOR_CAPTIONTEXT},
    {"graytext", gdi::COLOR_GRAYTEXT},
    {"highlight", gdi::COLOR_HIGHLIGHT},
    {"highlighttext", gdi::COLOR_HIGHLIGHTTEXT},
    {"inactiveborder", gdi::COLOR_INACTIVEBORDER},
    {"inactivecaption", gdi::COLOR_INACTIVECAPTION},
    {"inactivecaptiontext", gdi::COLOR_INACTIVECAPTIONTEXT},
    {"infobackground", gdi::COLOR_INFOBK},
    {"infotext", gdi::COLOR_INFOTEXT},
    {"menu", gdi::COLOR_MENU},
    {"menutext", gdi::COLOR_MENUTEXT},
    {"scrollbar", gdi::COLOR_SCROLLBAR},
    {"threeddarkshadow", gdi::COLOR_3DDKSHADOW},
    {"threedface", gdi::COLOR_BTNFACE},
    {"threedhighlight", gdi::COLOR_BTNHIGHLIGHT},
    {"threedlightshadow", gdi::COLOR_3DLIGHT},
    {"threedshadow", gdi::COLOR_BTNSHADOW},
    {"window", gdi::COLOR_WINDOW},
    {"windowframe", gdi::COLOR_WINDOWFRAME},
    {"windowtext", gdi::COLOR_WINDOWTEXT},
};
static_assert(std::size(kSystemColors) == 28);

// The replacements name the characters of the entities; this build speaks UTF-8.
inline constexpr std::pair<const char*, const char*> kEntities[] = {
    {"&amp;", "&"},
    {"&bull;", "\xE2\x80\xA2"},
    {"&copy;", "\xC2\xA9"},
    {"&euro;", "\xE2\x82\xAC"},
    {"&gt;", ">"},
    {"&iquest;", "\xC2\xBF"},
    {"&lt;", "<<"},
    {"&nbsp;", " "},
    {"&para;", "\xC2\xB6"},
    {"&pound;", "\xC2\xA3"},
    {"&quot;", "\""},
    {"&reg;", "\xC2\xAE"},
    {"&trade;", "\xE2\x84\xA2"},
};

inline constexpr const char* kDefaultStyleSheet =
    "body {font-size: 10pt; color:black; font-family:Verdana}\r\n"
    "p {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
    "h1 {font-size: 14pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
    "h2 {font-size: 13pt; color:#ff9900; font-family:Verdana; font-weight:bold}\r\n"
    "h3 {font-size: 12pt; color:#ff9900; font-family:Arial; font-weight:bold}\r\n"
    "h4 {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
    "h5 {font-size: 9pt; color:#ff9900; font-family:Verdana; font-weight:bold}\r\n"
    "h6 {font-size: 65%; color:#626262; font-family:Verdana; font-weight:normal}\r\n"
    "pre {font-size: 9pt; font-family:\"Courier\"; background-color:#fbedbb}\r\n"
    "code {color:#990000; font-family:Arial}\r\n"
    "a:link {text-decoration:none; color:blue}\r\n"
    "a:hover {text-decoration:underline; color:blue}\r\n"
    "sub {font-size:65%; vertical-align:bottom}\r\n"
    "sup {font-size:65%; vertical-align:top}\r\n"
    "big {font-size:125%}\r\n"
    "small {font-size:75%}\r\n"
    ".cpp-comment {color:green; font-style:italic}\r\n";

}  // namespace markup
