#pragma once
// Fonts of the GDI-like layer: a logical font as CreateFontIndirect takes it, matched through
// the platform's font database, with GDI's measuring rules: a positive height is the cell
// height (ascent plus descent), every character of the face advances by a whole number of
// pixels, and there is no kerning, so the width of such a text is the sum of the widths of its
// pieces. Where the face lacks a character, or a script needs shaping or runs right to left,
// that stretch of the text goes through Qt's text layout, which falls back to another font
// and joins and orders the letters; the stretch as a whole starts on a whole pixel.
#include <QRawFont>

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/gdi/gdi.h"

namespace gdi {

inline constexpr int LF_FACESIZE = 32;

inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_BOLD = 700;

inline constexpr BYTE DEFAULT_CHARSET = 1;
inline constexpr BYTE OUT_DEFAULT_PRECIS = 0;
inline constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
inline constexpr BYTE DEFAULT_QUALITY = 0;
inline constexpr BYTE DEFAULT_PITCH = 0;

// GetDeviceCaps.
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;

struct LOGFONT {
  LONG lfHeight = 0;  // > 0 cell height, < 0 character height (em), 0 a default size
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = FW_NORMAL;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = DEFAULT_CHARSET;
  BYTE lfOutPrecision = OUT_DEFAULT_PRECIS;
  BYTE lfClipPrecision = CLIP_DEFAULT_PRECIS;
  BYTE lfQuality = DEFAULT_QUALITY;
  BYTE lfPitchAndFamily = DEFAULT_PITCH;
  char lfFaceName[LF_FACESIZE] = {};  // zero-terminated; the text is decoded as UTF-8
};

struct TEXTMETRIC {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
  BYTE tmStruckOut = 0;
  char tmBreakChar = ' ';
};

class CFont {
 public:
  // Null when the platform has no font at all to offer for the request. Fonts of the same
  // request share their glyph data, as GDI's font cache does.
  static std::unique_ptr<CFont> CreateFontIndirect(const LOGFONT& logFont);
  ~CFont();

  const LOGFONT& GetLogFont() const { return logFont_; }
  const TEXTMETRIC& Metrics() const;
  const QRawFont& Raw() const;

  // A text as it is measured and drawn (UTF-8; a byte that is not part of a valid sequence
  // counts as one character): its glyphs in visual order, each at its pen position from the
  // start, in fonts[glyph.font]. The face's own glyphs sit on whole pixels; a stretch of the
  // text layout starts on one and keeps the layout's positions within, so that joined
  // letters meet.
  struct Shaped {
    struct Glyph {
      quint32 index = 0;
      qreal x = 0;
      int font = 0;
      bool isBreak = false;  // a space: text justification widens it
    };
    std::vector<Glyph> glyphs;
    std::vector<QRawFont> fonts;
    int width = 0;
    // With withPrefix: prefix[k] is the width of the first k bytes (text.size() + 1 entries;
    // a cut inside a character counts that character).
    std::vector<int> prefix;
  };
  Shaped Shape(std::string_view text, bool withPrefix = false) const;

  // Without justification.
  int Width(std::string_view text) const;

  struct Data;

 private:
  CFont() = default;
  // Shape for a text with characters of the text layout's.
  Shaped ShapeLaidOut(std::string_view text, bool withPrefix) const;

  LOGFONT logFont_;
  std::shared_ptr<Data> data_;
};

}  // namespace gdi
