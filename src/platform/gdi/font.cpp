#include "platform/gdi/font.h"

#include <QCoreApplication>

#include <QFont>
#include <QGlyphRun>
#include <QPainter>
#include <QString>
#include <QTextLayout>

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

// How the characters of a text are drawn.
enum CharKind : std::uint8_t {
  // The face has it and it needs no shaping: its own glyph and whole-pixel advance.
  kPlainStrong,
  // As above, and it takes the direction of what surrounds it (spaces, digits, punctuation):
  // between two characters of the text layout it goes there with them.
  kPlainNeutral,
  // The text layout's: another font has it, its script joins or reorders its letters, or it
  // changes the direction or the shaping of its neighbours.
  kLaidOut,
  // A combining mark: laid out together with the character it sits on.
  kMark,
};

namespace {

bool NeedsShaping(char32_t cp) {
  switch (QChar::category(cp)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
      return true;
    default:
      break;
  }
  switch (QChar::direction(cp)) {
    case QChar::DirR:
    case QChar::DirAL:
    case QChar::DirAN:
    case QChar::DirNSM:
    case QChar::DirBN:
    case QChar::DirLRE:
    case QChar::DirLRO:
    case QChar::DirRLE:
    case QChar::DirRLO:
    case QChar::DirPDF:
    case QChar::DirLRI:
    case QChar::DirRLI:
    case QChar::DirFSI:
    case QChar::DirPDI:
      return true;
    default:
      break;
  }
  // Scripts whose letters are drawn one glyph each, as they come.
  switch (QChar::script(cp)) {
    case QChar::Script_Common:
    case QChar::Script_Latin:
    case QChar::Script_Greek:
    case QChar::Script_Cyrillic:
    case QChar::Script_Armenian:
    case QChar::Script_Georgian:
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Bopomofo:
    case QChar::Script_Hangul:
    case QChar::Script_Yi:
      return false;
    default:
      return true;
  }
}

bool IsNeutral(char32_t cp) {
  switch (QChar::direction(cp)) {
    case QChar::DirL:
    case QChar::DirR:
    case QChar::DirAL:
      return false;
    default:
      return true;
  }
}

// What the text layout measures on: a device of 72 pixels per inch, so that a font's point
// size is its pixel size.
const QImage& LayoutDevice() {
  static const QImage device = [] {
    QImage image(1, 1, QImage::Format_RGB32);
    image.setDotsPerMeterX(2835);
    image.setDotsPerMeterY(2835);
    return image;
  }();
  return device;
}

}  // namespace

struct CFont::Data {
  struct CharInfo {
    quint32 index = 0;
    int advance = 0;
    CharKind kind = kPlainStrong;
  };
  // A font the text layout fell back to, at the size it laid out, and at ours.
  struct Fallback {
    QRawFont laidOut;
    QRawFont sized;
    quint32 space = 0;
  };

  QRawFont raw;
  QFont layoutFont;  // the same face for the text layout, on LayoutDevice()
  qreal em = 0;
  TEXTMETRIC metrics;
  mutable std::mutex mutex;
  mutable std::unordered_map<char32_t, CharInfo> chars;
  mutable std::vector<Fallback> fallbacks;

  CharInfo CharOf(char32_t cp) const {
    std::lock_guard lock(mutex);
    const auto it = chars.find(cp);
    if (it != chars.end()) return it->second;
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
    CharInfo info{index[0], static_cast<int>(std::lround(advance.x())), kPlainStrong};
    if (QChar::category(cp) == QChar::Mark_NonSpacing ||
        QChar::category(cp) == QChar::Mark_SpacingCombining ||
        QChar::category(cp) == QChar::Mark_Enclosing) {
      info.kind = kMark;
    } else if (index[0] == 0 || NeedsShaping(cp)) {
      info.kind = kLaidOut;
    } else if (IsNeutral(cp)) {
      info.kind = kPlainNeutral;
    }
    chars.emplace(cp, info);
    return info;
  }

  Fallback FallbackOf(const QRawFont& laidOut) const {
    std::lock_guard lock(mutex);
    for (const Fallback& f : fallbacks) {
      if (f.laidOut == laidOut) return f;
    }
    Fallback f{laidOut, laidOut, 0};
    f.sized.setPixelSize(em);
    const QList<quint32> space = laidOut.glyphIndexesForString(QStringLiteral(" "));
    f.space = space.isEmpty() ? 0 : space.front();
    // Fonts already seen stay; there are only ever a few.
    fallbacks.push_back(std::move(f));
    return fallbacks.back();
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

// Its fonts must go while Qt's font machinery is still there: when the application object ends,
// not among the program's last destructors, which may run after Qt's own (a crash at exit).
FontCache& Cache() {
  static FontCache* const cache = [] {
    qAddPostRoutine([] {
      std::lock_guard lock(Cache().mutex);
      Cache().entries.clear();
    });
    return new FontCache;
  }();
  return *cache;
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
  data->em = em;
  data->layoutFont = query;
  data->layoutFont.setPointSizeF(em);
  // Hinted advances are whole pixels at the layout's size, too wide for joined letters at ours.
  data->layoutFont.setHintingPreference(QFont::PreferNoHinting);
  TEXTMETRIC& m = data->metrics;
  m.tmHeight = std::max<LONG>(cell, 1);
  m.tmAscent = std::clamp<LONG>(static_cast<LONG>(std::lround(raw.ascent())), 0, m.tmHeight);
  m.tmDescent = m.tmHeight - m.tmAscent;
  m.tmInternalLeading = std::max<LONG>(0, m.tmHeight - static_cast<LONG>(std::lround(em)));
  m.tmAveCharWidth = data->CharOf(U'x').advance;
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

namespace {

constexpr std::size_t kMaxStretch = 1024;

struct Unit {
  char32_t cp;
  std::size_t offset;  // of its first byte
  CFont::Data::CharInfo info;
};

// Lays out units [begin, end) of a text through Qt's text layout, from pen position x: appends
// their glyphs to `shaped` and, when asked, the prefix widths of their bytes. Returns the
// stretch's width in whole pixels.
int LayOutStretch(const CFont::Data& data, const std::vector<Unit>& units, std::size_t begin,
                  std::size_t end, std::size_t textEnd, int x, CFont::Shaped* shaped,
                  bool withPrefix) {
  QString text;
  std::vector<int> unitStart;  // of each unit in the string, and the end
  for (std::size_t i = begin; i < end; ++i) {
    unitStart.push_back(static_cast<int>(text.size()));
    const char32_t cp = units[i].cp;
    if (cp > 0xFFFF) {
      text += QChar::highSurrogate(cp);
      text += QChar::lowSurrogate(cp);
    } else {
      text += QChar(static_cast<char16_t>(cp));
    }
  }
  unitStart.push_back(static_cast<int>(text.size()));

  QTextLayout layout(text, data.layoutFont, &LayoutDevice());
  QTextOption option;
  option.setTextDirection(Qt::LeftToRight);
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.setCacheEnabled(true);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (line.isValid()) line.setLineWidth(1e7);
  layout.endLayout();
  if (!line.isValid()) return 0;

  const QList<QGlyphRun> runs = layout.glyphRuns();
  // The layout's font sizes are whole pixels; ours need not be.
  qreal scale = 1;
  for (const QGlyphRun& run : runs) {
    if (run.rawFont().pixelSize() > 0) {
      scale = data.em / run.rawFont().pixelSize();
      break;
    }
  }
  const std::size_t first = shaped->glyphs.size();
  for (const QGlyphRun& run : runs) {
    const CFont::Data::Fallback font = data.FallbackOf(run.rawFont());
    int fontIndex = -1;
    for (std::size_t f = 0; f < shaped->fonts.size(); ++f) {
      if (shaped->fonts[f] == font.sized) fontIndex = static_cast<int>(f);
    }
    if (fontIndex < 0) {
      fontIndex = static_cast<int>(shaped->fonts.size());
      shaped->fonts.push_back(font.sized);
    }
    const QList<quint32> indexes = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    for (qsizetype g = 0; g < indexes.size() && g < positions.size(); ++g) {
      shaped->glyphs.push_back({indexes[g], x + positions[g].x() * scale, fontIndex,
                                indexes[g] == font.space && font.space != 0});
    }
  }
  // A right-to-left run lists its glyphs in reading order; justification walks them from
  // the left.
  std::stable_sort(
      shaped->glyphs.begin() + static_cast<std::ptrdiff_t>(first), shaped->glyphs.end(),
      [](const CFont::Shaped::Glyph& a, const CFont::Shaped::Glyph& b) { return a.x < b.x; });
  // The glyphs come in visual order; the wrapping of lines wants the widths of the text's
  // beginnings. Each character counts the width between its edges, and the whole is
  // the stretch's width.
  const int width = static_cast<int>(std::lround(line.naturalTextWidth() * scale));
  if (withPrefix) {
    std::vector<qreal> edges(end - begin);
    qreal total = 0;
    for (std::size_t i = 0; i + begin < end; ++i) {
      edges[i] = std::abs(line.cursorToX(unitStart[i + 1]) - line.cursorToX(unitStart[i]));
      total += edges[i];
    }
    qreal sum = 0;
    std::vector<int>& prefix = shaped->prefix;
    for (std::size_t i = 0; i + begin < end; ++i) {
      sum += edges[i];
      const int reached =
          x + (total > 0 ? static_cast<int>(std::lround(sum * width / total)) : width);
      const std::size_t from = units[begin + i].offset + 1;
      const std::size_t to = begin + i + 1 < units.size() ? units[begin + i + 1].offset : textEnd;
      for (std::size_t k = from; k <= to; ++k) prefix[k] = reached;
    }
  }
  return width;
}

}  // namespace

CFont::Shaped CFont::Shape(std::string_view text, bool withPrefix) const {
  // Most texts are the face's own characters throughout: one pass, nothing laid out.
  Shaped shaped;
  shaped.fonts.push_back(data_->raw);
  shaped.glyphs.reserve(text.size());
  if (withPrefix) shaped.prefix.assign(text.size() + 1, 0);
  long long x = 0;
  std::size_t next = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t offset = pos;
    const char32_t cp = NextCodePoint(text, &pos);
    const Data::CharInfo info = data_->CharOf(cp);
    if (info.kind >= kLaidOut) return ShapeLaidOut(text, withPrefix);
    if (withPrefix) {
      for (; next <= offset; ++next)
        shaped.prefix[next] = static_cast<int>(std::min<long long>(x, INT_MAX));
    }
    shaped.glyphs.push_back({info.index, static_cast<qreal>(x), 0, cp == U' '});
    x += info.advance;
  }
  if (withPrefix) {
    for (; next <= text.size(); ++next)
      shaped.prefix[next] = static_cast<int>(std::min<long long>(x, INT_MAX));
  }
  shaped.width = static_cast<int>(std::min<long long>(x, INT_MAX));
  return shaped;
}

int CFont::Width(std::string_view text) const {
  long long x = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    const Data::CharInfo info = data_->CharOf(NextCodePoint(text, &pos));
    if (info.kind >= kLaidOut) return Shape(text).width;
    x += info.advance;
  }
  return static_cast<int>(std::min<long long>(x, INT_MAX));
}

CFont::Shaped CFont::ShapeLaidOut(std::string_view text, bool withPrefix) const {
  Shaped shaped;
  shaped.fonts.push_back(data_->raw);
  std::vector<Unit> units;
  units.reserve(text.size());
  bool laidOut = false;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t offset = pos;
    const char32_t cp = NextCodePoint(text, &pos);
    units.push_back({cp, offset, data_->CharOf(cp)});
    laidOut = laidOut || units.back().info.kind >= kLaidOut;
  }
  shaped.glyphs.reserve(units.size());
  if (withPrefix) shaped.prefix.assign(text.size() + 1, 0);
  // A character that a mark sits on is laid out with it.
  const auto isLaidOut = [&](std::size_t i) {
    return units[i].info.kind >= kLaidOut ||
           (i + 1 < units.size() && units[i + 1].info.kind == kMark);
  };
  long long x = 0;
  std::size_t i = 0;
  while (i < units.size()) {
    if (!laidOut || !isLaidOut(i)) {
      const Unit& unit = units[i];
      shaped.glyphs.push_back({unit.info.index, static_cast<qreal>(x), 0, unit.cp == U' '});
      x += unit.info.advance;
      if (withPrefix) {
        const std::size_t to = i + 1 < units.size() ? units[i + 1].offset : text.size();
        for (std::size_t k = unit.offset + 1; k <= to; ++k) {
          shaped.prefix[k] = static_cast<int>(std::min<long long>(x, INT_MAX));
        }
      }
      ++i;
      continue;
    }
    // The stretch runs to the last character of the layout's before a plain one that is not
    // neutral: spaces and digits between two of its characters go with them.
    // A stretch is cut after kMaxStretch characters, which keeps the cost of finding the
    // widths of its beginnings bounded whatever the text.
    std::size_t last = i;
    for (std::size_t j = i + 1; j < units.size() && j < i + kMaxStretch; ++j) {
      if (isLaidOut(j)) {
        last = j;
      } else if (units[j].info.kind != kPlainNeutral) {
        break;
      }
    }
    const int start = static_cast<int>(std::min<long long>(x, INT_MAX));
    x += LayOutStretch(*data_, units, i, last + 1, text.size(), start, &shaped, withPrefix);
    i = last + 1;
  }
  shaped.width = static_cast<int>(std::min<long long>(x, INT_MAX));
  return shaped;
}

// ---- text on the device context ---------------------------------------------------------------

CFont* CDC::SelectObject(CFont* font) { return std::exchange(gdiFont_, font); }

BOOL CDC::GetTextMetrics(TEXTMETRIC* metrics) const {
  if (!metrics || !gdiFont_) return FALSE;
  *metrics = gdiFont_->Metrics();
  return TRUE;
}

namespace {

// The text with its breaks widened by the justification: extra pixels over count breaks, the
// first extra % count of them one more. Glyphs after a widened break move with it.
CFont::Shaped Justified(const CFont& font, std::string_view text, int extra, int count,
                        bool withPrefix = false) {
  CFont::Shaped shaped = font.Shape(text, withPrefix);
  if (count <= 0 || extra == 0) return shaped;
  const int each = extra / count;
  int rest = extra % count;
  const auto share = [&] {
    int add = each;
    if (rest > 0) {
      ++add;
      --rest;
    } else if (rest < 0) {
      --add;
      ++rest;
    }
    return add;
  };
  long long shift = 0;
  for (CFont::Shaped::Glyph& glyph : shaped.glyphs) {
    glyph.x += static_cast<qreal>(shift);
    if (glyph.isBreak) shift += share();
  }
  shaped.width = static_cast<int>(std::clamp<long long>(shaped.width + shift, INT_MIN, INT_MAX));
  if (withPrefix) {
    // The beginnings take the widening of the spaces they hold.
    rest = extra % count;
    long long added = 0;
    for (std::size_t k = 0; k < text.size(); ++k) {
      shaped.prefix[k] =
          static_cast<int>(std::clamp<long long>(shaped.prefix[k] + added, INT_MIN, INT_MAX));
      if (text[k] == ' ') added += share();
    }
    shaped.prefix[text.size()] = shaped.width;
  }
  return shaped;
}

}  // namespace

BOOL CDC::GetTextExtentPoint32(std::string_view text, SIZE* size) const {
  if (!size || !gdiFont_) return FALSE;
  size->cx = justifyCount_ > 0 && justifyExtra_ != 0
                 ? Justified(*gdiFont_, text, justifyExtra_, justifyCount_).width
                 : gdiFont_->Width(text);
  size->cy = gdiFont_->Metrics().tmHeight;
  return TRUE;
}

BOOL CDC::GetTextExtentExPoint(std::string_view text, std::vector<int>* prefixWidths) const {
  if (!prefixWidths || !gdiFont_) return FALSE;
  *prefixWidths = std::move(Justified(*gdiFont_, text, justifyExtra_, justifyCount_, true).prefix);
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
  const CFont::Shaped shaped = Justified(*gdiFont_, text, justifyExtra_, justifyCount_);
  const TEXTMETRIC& metrics = gdiFont_->Metrics();

  QPainter painter(image);
  if (clip_) painter.setClipRect(clip_->left, clip_->top, clip_->Width(), clip_->Height());
  if (bkMode_ == OPAQUE && shaped.width > 0) {
    painter.fillRect(QRectF(x, y, static_cast<qreal>(shaped.width), metrics.tmHeight),
                     QColor(OpaqueQRgb(bkColor_)));
  }
  if (shaped.glyphs.empty()) return TRUE;
  painter.setPen(QColor(OpaqueQRgb(textColor_)));
  // One glyph run per stretch of one font, every font on the face's baseline.
  const QPointF origin(x, y + metrics.tmAscent);
  std::size_t begin = 0;
  while (begin < shaped.glyphs.size()) {
    const int font = shaped.glyphs[begin].font;
    std::size_t end = begin;
    QList<quint32> indexes;
    QList<QPointF> positions;
    while (end < shaped.glyphs.size() && shaped.glyphs[end].font == font) {
      indexes.append(shaped.glyphs[end].index);
      positions.append(QPointF(shaped.glyphs[end].x, 0));
      ++end;
    }
    QGlyphRun run;
    run.setRawFont(shaped.fonts[static_cast<std::size_t>(font)]);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    run.setUnderline(gdiFont_->GetLogFont().lfUnderline != 0);
    run.setStrikeOut(gdiFont_->GetLogFont().lfStrikeOut != 0);
    painter.drawGlyphRun(origin, run);
    begin = end;
  }
  return TRUE;
}

}  // namespace gdi
