#include "platform/gdi/font.h"

#include <QFont>
#include <QGlyphRun>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <list>
#include <mutex>
#include <unordered_map>

#include "platform/gdi/dc.h"

namespace gdi {

namespace {

// Beyond this a glyph would only ever be seen in part; it also keeps the rasteriser's work
// bounded whatever height a caller asks for.
constexpr LONG kMaxCellHeight = 2048;
// GDI's size for a height of 0.
constexpr LONG kDefaultCellHeight = 16;
constexpr std::size_t kCachedFonts = 64;

QRgb OpaqueQRgb(COLORREF color) {
  return qRgb(GetRValue(color), GetGValue(color), GetBValue(color));
}

// The next character of UTF-8 text at *pos; an invalid or cut sequence yields U+FFFD for its
// first byte alone.
char32_t NextCodePoint(std::string_view text, std::size_t* pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(*pos);
  int length = 0;
  char32_t cp = 0;
  if (lead < 0x80) {
    ++*pos;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    cp = lead & 0x07;
  }
  if (length == 0 || *pos + length > text.size()) {
    ++*pos;
    return 0xFFFD;
  }
  for (int i = 1; i < length; ++i) {
    const unsigned char next = byte(*pos + i);
    if ((next & 0xC0) != 0x80) {
      ++*pos;
      return 0xFFFD;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  static constexpr char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++*pos;
    return 0xFFFD;
  }
  *pos += length;
  return cp;
}

}  // namespace

struct CFont::Data {
  QRawFont raw;
  TEXTMETRIC metrics;
  mutable std::mutex mutex;
  mutable std::unordered_map<char32_t, std::pair<quint32, int>> glyphs;

  std::pair<quint32, int> GlyphOf(char32_t cp) const {
    std::lock_guard lock(mutex);
    const auto it = glyphs.find(cp);
    if (it != glyphs.end()) return it->second;
    QChar units[2];
    int count = 0;
    if (cp > 0xFFFF) {
      units[count++] = QChar::highSurrogate(cp);
      units[count++] = QChar::lowSurrogate(cp);
    } else {
      units[count++] = QChar(static_cast<char16_t>(cp));
    }
    quint32 index[2] = {0, 0};
    int found = 2;
    raw.glyphIndexesForChars(units, count, index, &found);
    QPointF advance;
    raw.advancesForGlyphIndexes(index, &advance, 1);
    const std::pair<quint32, int> glyph{index[0], static_cast<int>(std::lround(advance.x()))};
    glyphs.emplace(cp, glyph);
    return glyph;
  }
};

namespace {

struct FontKey {
  std::string face;
  LONG height, weight;
  BYTE italic;
  bool operator==(const FontKey&) const = default;
};

struct FontCache {
  std::mutex mutex;
  std::list<std::pair<FontKey, std::shared_ptr<CFont::Data>>> entries;  // most recent first
};

FontCache& Cache() {
  static FontCache cache;
  return cache;
}

std::shared_ptr<CFont::Data> MakeData(const LOGFONT& logFont, const std::string& face) {
  QFont query(QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size())));
  query.setPixelSize(64);
  const int weight = logFont.lfWeight <= 0 ? FW_NORMAL : std::min<LONG>(logFont.lfWeight, 1000);
  query.setWeight(static_cast<QFont::Weight>(weight));
  query.setItalic(logFont.lfItalic != 0);
  query.setKerning(false);
  QRawFont raw = QRawFont::fromFont(query);
  if (!raw.isValid()) return nullptr;

  // The em size that gives the requested cell height: the font's design ascent and descent
  // make up the cell, as the Windows metrics of a TrueType font do.
  raw.setPixelSize(raw.unitsPerEm());
  const qreal designCell = raw.ascent() + raw.descent();
  LONG cell = 0;
  qreal em = 0;
  if (logFont.lfHeight < 0) {
    em = std::min<qreal>(-static_cast<qreal>(logFont.lfHeight), kMaxCellHeight);
    cell = static_cast<LONG>(std::lround(em * designCell / raw.unitsPerEm()));
  } else {
    cell = logFont.lfHeight == 0 ? kDefaultCellHeight : std::min(logFont.lfHeight, kMaxCellHeight);
    em = designCell > 0 ? cell * raw.unitsPerEm() / designCell : cell;
  }
  raw.setPixelSize(em);

  auto data = std::make_shared<CFont::Data>();
  data->raw = raw;
  TEXTMETRIC& m = data->metrics;
  m.tmHeight = std::max<LONG>(cell, 1);
  m.tmAscent = std::clamp<LONG>(static_cast<LONG>(std::lround(raw.ascent())), 0, m.tmHeight);
  m.tmDescent = m.tmHeight - m.tmAscent;
  m.tmInternalLeading = std::max<LONG>(0, m.tmHeight - static_cast<LONG>(std::lround(em)));
  m.tmAveCharWidth = data->GlyphOf(U'x').second;
  m.tmMaxCharWidth = static_cast<LONG>(std::lround(raw.maxCharWidth()));
  m.tmWeight = weight;
  m.tmItalic = logFont.lfItalic;
  return data;
}

}  // namespace

std::unique_ptr<CFont> CFont::CreateFontIndirect(const LOGFONT& logFont) {
  const std::string face(logFont.lfFaceName, strnlen(logFont.lfFaceName, LF_FACESIZE));
  const FontKey key{face, logFont.lfHeight, logFont.lfWeight, logFont.lfItalic};
  std::shared_ptr<Data> data;
  {
    FontCache& cache = Cache();
    std::lock_guard lock(cache.mutex);
    for (auto it = cache.entries.begin(); it != cache.entries.end(); ++it) {
      if (it->first == key) {
        data = it->second;
        cache.entries.splice(cache.entries.begin(), cache.entries, it);
        break;
      }
    }
  }
  if (!data) {
    data = MakeData(logFont, face);
    if (!data) return nullptr;
    FontCache& cache = Cache();
    std::lock_guard lock(cache.mutex);
    cache.entries.emplace_front(key, data);
    if (cache.entries.size() > kCachedFonts) cache.entries.pop_back();
  }
  std::unique_ptr<CFont> font(new CFont());
  font->logFont_ = logFont;
  font->data_ = std::move(data);
  return font;
}

CFont::~CFont() = default;

const TEXTMETRIC& CFont::Metrics() const { return data_->metrics; }
const QRawFont& CFont::Raw() const { return data_->raw; }

std::vector<CFont::Glyph> CFont::Shape(std::string_view text) const {
  std::vector<Glyph> shaped;
  shaped.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t offset = pos;
    const char32_t cp = NextCodePoint(text, &pos);
    const auto [index, advance] = data_->GlyphOf(cp);
    shaped.push_back({index, advance, offset, cp == U' '});
  }
  return shaped;
}

int CFont::Width(std::string_view text) const {
  int width = 0;
  for (const Glyph& glyph : Shape(text)) width += glyph.advance;
  return width;
}

// ---- text on the device context ---------------------------------------------------------------

CFont* CDC::SelectObject(CFont* font) { return std::exchange(gdiFont_, font); }

BOOL CDC::GetTextMetrics(TEXTMETRIC* metrics) const {
  if (!metrics || !gdiFont_) return FALSE;
  *metrics = gdiFont_->Metrics();
  return TRUE;
}

namespace {

// The glyphs with their justified advances.
std::vector<CFont::Glyph> Justified(const CFont& font, std::string_view text, int extra,
                                    int count) {
  std::vector<CFont::Glyph> glyphs = font.Shape(text);
  if (count <= 0 || extra == 0) return glyphs;
  const int each = extra / count;
  int rest = extra % count;
  for (CFont::Glyph& glyph : glyphs) {
    if (!glyph.isBreak) continue;
    glyph.advance += each;
    if (rest > 0) {
      ++glyph.advance;
      --rest;
    } else if (rest < 0) {
      --glyph.advance;
      ++rest;
    }
  }
  return glyphs;
}

LONG Clamp(long long value) {
  return static_cast<LONG>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

}  // namespace

BOOL CDC::GetTextExtentPoint32(std::string_view text, SIZE* size) const {
  if (!size || !gdiFont_) return FALSE;
  long long width = 0;
  for (const CFont::Glyph& glyph : Justified(*gdiFont_, text, justifyExtra_, justifyCount_)) {
    width += glyph.advance;
  }
  size->cx = Clamp(width);
  size->cy = gdiFont_->Metrics().tmHeight;
  return TRUE;
}

BOOL CDC::GetTextExtentExPoint(std::string_view text, std::vector<int>* prefixWidths) const {
  if (!prefixWidths || !gdiFont_) return FALSE;
  prefixWidths->assign(text.size() + 1, 0);
  long long width = 0;
  std::size_t next = 0;
  for (const CFont::Glyph& glyph : Justified(*gdiFont_, text, justifyExtra_, justifyCount_)) {
    for (; next <= glyph.offset; ++next) (*prefixWidths)[next] = Clamp(width);
    width += glyph.advance;
  }
  for (; next <= text.size(); ++next) (*prefixWidths)[next] = Clamp(width);
  return TRUE;
}

BOOL CDC::SetTextJustification(int breakExtra, int breakCount) {
  justifyExtra_ = breakCount > 0 ? breakExtra : 0;
  justifyCount_ = breakCount > 0 ? breakCount : 0;
  return TRUE;
}

int CDC::GetDeviceCaps(int index) const {
  switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
      return 96;
    default:
      return 0;
  }
}

void CDC::SelectClipRect(const RECT* rect) {
  if (rect) {
    clip_ = *rect;
  } else {
    clip_.reset();
  }
}

BOOL CDC::TextOut(int x, int y, std::string_view text) {
  if (!gdiFont_) return FALSE;
  QImage* image = Surface();
  if (!image) return TRUE;
  const std::vector<CFont::Glyph> glyphs = Justified(*gdiFont_, text, justifyExtra_, justifyCount_);
  const TEXTMETRIC& metrics = gdiFont_->Metrics();

  QList<quint32> indexes;
  QList<QPointF> positions;
  indexes.reserve(static_cast<qsizetype>(glyphs.size()));
  positions.reserve(static_cast<qsizetype>(glyphs.size()));
  long long pen = 0;
  for (const CFont::Glyph& glyph : glyphs) {
    indexes.append(glyph.index);
    positions.append(QPointF(static_cast<qreal>(pen), 0));
    pen += glyph.advance;
  }

  QPainter painter(image);
  if (clip_) painter.setClipRect(clip_->left, clip_->top, clip_->Width(), clip_->Height());
  if (bkMode_ == OPAQUE && pen > 0) {
    painter.fillRect(QRectF(x, y, static_cast<qreal>(pen), metrics.tmHeight),
                     QColor(OpaqueQRgb(bkColor_)));
  }
  if (indexes.isEmpty()) return TRUE;
  QGlyphRun run;
  run.setRawFont(gdiFont_->Raw());
  run.setGlyphIndexes(indexes);
  run.setPositions(positions);
  run.setUnderline(gdiFont_->GetLogFont().lfUnderline != 0);
  run.setStrikeOut(gdiFont_->GetLogFont().lfStrikeOut != 0);
  painter.setPen(QColor(OpaqueQRgb(textColor_)));
  painter.drawGlyphRun(QPointF(x, y + metrics.tmAscent), run);
  return TRUE;
}

}  // namespace gdi
