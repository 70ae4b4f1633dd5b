// Layout and drawing of CMarkupDrawer: the two passes, lines, wrapping, alignment, the items
// that are not text, hot areas of links and the animations of image strips.

#include "widgets/tooltip/markup_drawer.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <climits>

#include "platform/window_message.h"
#include "resources.h"
#include "widgets/tooltip/markup_text.h"

using gdi::COLORREF;
using gdi::SIZE;

namespace {

// An image is never drawn larger than this each way, whatever the markup asks for.
constexpr int kMaxImageSide = 4096;
// The platform's standard icon size (SM_CXICON, SM_CYICON).
constexpr int kIconSize = 32;
constexpr COLORREF kDefaultMask = gdi::RGB(255, 0, 255);
// Coordinates stay far from overflow however many breaks and tabs a text holds.
constexpr long long kMaxCoordinate = 1LL << 28;

int Sat(long long value) {
  return static_cast<int>(std::clamp(value, -kMaxCoordinate, kMaxCoordinate));
}

bool IsBreakChar(char c) {
  switch (c) {
    case ' ':
    case '-':
    case '.':
    case ',':
    case '!':
    case ':':
    case ';':
    case ')':
    case '}':
    case ']':
    case '?':
      return true;
    default:
      return false;
  }
}

// Not in the middle of a UTF-8 sequence.
bool IsCharBoundary(std::string_view text, std::size_t at) {
  return at == 0 || at >= text.size() || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80;
}

int CountSpaces(std::string_view text) {
  return static_cast<int>(std::count(text.begin(), text.end(), ' '));
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

void Transform(std::string& run, int transform) {
  if (transform == 0) return;
  for (char& c : run) {
    if (transform == 1 && c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    if (transform >= 2 && c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  if (transform != 3) return;
  for (std::size_t i = 0; i < run.size(); ++i) {
    if ((i == 0 || run[i - 1] == ' ') && run[i] >= 'a' && run[i] <= 'z') {
      run[i] = static_cast<char>(run[i] - ('a' - 'A'));
    }
  }
}

// Where the `iddll` images live: a library is a folder of files named by resource number.
QString LibraryFile(const std::string& library, int id, std::initializer_list<const char*> kinds) {
  for (const char* kind : kinds) {
    const QString path =
        QString::fromUtf8(library) + QStringLiteral("/%1.").arg(id) + QString::fromLatin1(kind);
    if (QFile::exists(path)) return path;
  }
  return {};
}

std::unique_ptr<gdi::CBitmap> BitmapFromFile(const QString& path) {
  if (path.isEmpty()) return nullptr;
  QImage image(path);
  if (image.isNull()) return nullptr;
  return std::make_unique<gdi::CBitmap>(image.convertToFormat(
      image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32));
}

// An icon made from a picture file, its transparent pixels masked out.
gdi::HICON IconFromFile(const QString& path, int width, int height) {
  if (path.isEmpty()) return gdi::NULL_ICON;
  QImage image(path);
  if (image.isNull() || width <= 0 || height <= 0) return gdi::NULL_ICON;
  image = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
              .convertToFormat(QImage::Format_ARGB32);
  QImage mask(width, height, QImage::Format_Mono);
  mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  mask.fill(0);
  for (int y = 0; y < height; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      if (qAlpha(line[x]) == 0) {
        line[x] = 0;
        mask.setPixel(x, y, 1);
      }
    }
  }
  gdi::ICONINFO info;
  info.xHotspot = static_cast<gdi::DWORD>(width / 2);
  info.yHotspot = static_cast<gdi::DWORD>(height / 2);
  info.hbmColor = std::make_unique<gdi::CBitmap>(std::move(image));
  info.hbmMask = std::make_unique<gdi::CBitmap>(std::move(mask));
  return gdi::CreateIconIndirect(info);
}

}  // namespace

CMarkupDrawer::CMarkupDrawer()
    : disabledColor_(gdi::GetSysColor(gdi::COLOR_BTNSHADOW)),
      linkCursor_(QCursor(Qt::PointingHandCursor)) {
  BuildTables();
  SetCssStyles();
}

CMarkupDrawer::~CMarkupDrawer() = default;

// ---- settings ---------------------------------------------------------------------------------

void CMarkupDrawer::SetCallbackHyperlink(QObject* window, gdi::UINT message, std::intptr_t param) {
  hoverTarget_.window = window;
  hoverTarget_.message = window ? message : 0;
  hoverTarget_.param = window ? param : 0;
}

void CMarkupDrawer::SetMessageLinkTarget(QObject* window, gdi::UINT message, std::intptr_t param) {
  messageTarget_.window = window;
  messageTarget_.message = window ? message : 0;
  messageTarget_.param = window ? param : 0;
}

void CMarkupDrawer::SetHyperlinkCursor(std::optional<QCursor> cursor) {
  linkCursor_ = cursor ? *cursor : QCursor(Qt::PointingHandCursor);
}

void CMarkupDrawer::SetImageShadow(int offsetX, int offsetY, int darkness, bool blur,
                                   gdi::DWORD depthX, gdi::DWORD depthY) {
  shadowX_ = offsetX;
  shadowY_ = offsetY;
  shadowDarkness_ = std::clamp(darkness, 0, 100);
  shadowBlur_ = blur;
  shadowDepthX_ = depthX;
  shadowDepthY_ = depthY;
  const int grey = markup::MulDiv(255, 100 - shadowDarkness_, 100);
  shadowColor_ = gdi::RGB(grey, grey, grey);
}

void CMarkupDrawer::SetImageList(std::shared_ptr<const QImage> strip, int cellWidth,
                                 int cellHeight) {
  imageList_ = std::move(strip);
  imageListCx_ = std::max(0, cellWidth);
  imageListCy_ = std::max(0, cellHeight);
}

std::string CMarkupDrawer::GetStringLine(gdi::UINT id, int line) {
  if (id == 0 || line < 0) return {};
  const std::string text = res::LoadString(static_cast<int>(id));
  std::size_t start = 0;
  for (int i = 0; i < line; ++i) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) return {};
    start = end + 1;
  }
  if (start >= text.size()) return {};
  const std::size_t end = text.find('\n', start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// ---- the two passes ---------------------------------------------------------------------------

SIZE CMarkupDrawer::PrepareOutput(gdi::CDC* dc, std::string_view text) {
  text_ = Preprocess(text);
  shownText_.clear();
  if (text_.empty() || !dc) {
    text_.clear();
    lines_.clear();
    hotAreas_.clear();
    animations_.clear();
    return {0, 0};
  }
  dc_ = dc;
  pass_ = Pass::Measuring;
  rect_ = {0, 0, maxWidth_, 0};
  SIZE size = Layout();
  dc_ = nullptr;
  while (!shownText_.empty() && shownText_.back() == ' ') shownText_.pop_back();
  if (size.cx == 0 && size.cy == 0) text_.clear();
  if (maxWidth_ != 0 && size.cx > maxWidth_) size.cx = maxWidth_;
  ++size.cx;
  ++size.cy;
  return size;
}

void CMarkupDrawer::DrawPreparedOutput(gdi::CDC* dc, const gdi::RECT& rect) {
  if (text_.empty() || !dc) return;
  dc_ = dc;
  pass_ = Pass::Drawing;
  rect_ = rect;
  Layout();
  dc_ = nullptr;
}

SIZE CMarkupDrawer::Layout() {
  if (pass_ == Pass::Measuring) {
    hotAreas_.clear();
    lines_.clear();
    animations_.clear();
    tables_.clear();
  } else {
    hotAreas_.clear();
  }
  lineIndex_ = 0;
  linkCounter_ = tableCounter_ = animationCounter_ = -1;
  stack_.clear();
  font_.reset();
  style_.Reset();
  ApplyCssStyle(style_, "body");

  oldFont_ = dc_->GetCurrentFont();
  oldBkMode_ = dc_->GetBkMode();
  oldTextColor_ = dc_->GetTextColor();
  oldBkColor_ = dc_->GetBkColor();
  SetFont();

  const gdi::RECT original = rect_;
  SIZE total{0, 0};
  const auto add = [&](SIZE part) {
    total.cx = std::max(total.cx, part.cx);
    total.cy = Sat(static_cast<long long>(total.cy) + part.cy);
    if (pass_ == Pass::Drawing) rect_.top = Sat(static_cast<long long>(rect_.top) + part.cy);
  };
  const std::string_view text = text_;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t table = FindTag(text, pos, "<table");
    const std::size_t end = table == std::string_view::npos ? text.size() : table;
    if (end > pos) add(Paragraph(text.substr(pos, end - pos)));
    if (table == std::string_view::npos) break;
    const std::size_t tableEnd = FindTableEnd(text, table);
    add(Table(text.substr(table, tableEnd - table)));
    pos = tableEnd;
  }
  rect_ = original;

  dc_->SetTextJustification(0, 0);
  dc_->SetBkMode(oldBkMode_);
  dc_->SetBkColor(oldBkColor_);
  dc_->SetTextColor(oldTextColor_);
  dc_->SelectObject(oldFont_);
  stack_.clear();
  font_.reset();
  return total;
}

void CMarkupDrawer::SetFont() {
  gdi::LOGFONT logFont;
  logFont.lfHeight = style_.size;
  logFont.lfWeight = style_.weight;
  logFont.lfItalic = style_.italic ? 1 : 0;
  logFont.lfUnderline = style_.underline ? 1 : 0;
  logFont.lfStrikeOut = style_.strikeout ? 1 : 0;
  logFont.lfCharSet = gdi::DEFAULT_CHARSET;
  const std::size_t length = std::min<std::size_t>(style_.face.size(), gdi::LF_FACESIZE - 1);
  std::copy_n(style_.face.data(), length, logFont.lfFaceName);
  std::unique_ptr<gdi::CFont> font = gdi::CFont::CreateFontIndirect(logFont);
  if (font) {
    dc_->SelectObject(font.get());
    font_ = std::move(font);
    dc_->GetTextMetrics(&tm_);
  }
  dc_->SetBkMode(style_.backMode);
  dc_->SetTextColor(style_.textColor);
  dc_->SetBkColor(style_.backColor);
}

// ---- paragraphs and lines ---------------------------------------------------------------------

SIZE CMarkupDrawer::Paragraph(std::string_view text) {
  // Every paragraph reads as if wrapped in "<body>" and "</body>"; the tags are not added to
  // the text, so that its last "<" stays its last byte.
  const TagInfo& body = tags_.find("body")->second;
  OpenStyle(body.styleName);
  ApplyTagEffect(body, {});
  SetFont();

  x_ = rect_.left;
  y_ = rect_.top;
  StartLine();
  const std::size_t firstLine = lineIndex_;
  NoteSeparator();

  std::string run;
  const auto flush = [&] {
    if (run.empty()) return;
    Transform(run, style_.transform);
    PlaceRun(std::move(run));
    run.clear();
  };
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c != '<') {
      run += c;
      ++i;
      continue;
    }
    if (i + 1 == text.size() || text[i + 1] == '<') {
      run += '<';
      i += 2;
      continue;
    }
    const std::size_t close = text.find('>', i + 1);
    if (close == std::string::npos || close == i + 1) {
      ++i;
      continue;
    }
    flush();
    const std::string_view tag = text.substr(i + 1, close - i - 1);
    i = close + 1;

    const std::size_t split = std::min(tag.find_first_of(" ="), tag.size());
    std::string_view name = tag.substr(0, split);
    const std::string_view attributes = TrimLeft(tag.substr(split));
    const bool closing = !name.empty() && name.front() == '/';
    if (closing) name.remove_prefix(1);
    const auto found = tags_.find(name);
    if (found == tags_.end()) continue;
    const TagInfo& info = found->second;
    if (!info.styleName.empty()) {
      if (closing) {
        CloseStyle(info.styleName);
      } else {
        OpenStyle(info.styleName);
        ApplyTagEffect(info, attributes);
      }
      SetFont();
      continue;
    }
    switch (info.kind) {
      case TAG_HR:
        Rule(attributes);
        break;
      case TAG_BR:
        Break(attributes);
        break;
      case TAG_TAB:
        Tab(attributes);
        break;
      case TAG_BMP:
        Bitmap(attributes);
        break;
      case TAG_ICON:
        Icon(attributes);
        break;
      case TAG_ILST:
        ImageListItem(attributes);
        break;
      case TAG_STRING:
        StringItem(attributes);
        break;
      default:
        break;
    }
  }
  flush();
  if (x_ != lineStart_) CloseLine(1, false);
  dc_->SetTextJustification(0, 0);
  CloseStyle(body.styleName);
  SetFont();

  int widest = 0;
  for (std::size_t n = firstLine; n < lineIndex_ && n < lines_.size(); ++n) {
    const LineInfo& line = lines_[n];
    long long width = line.width;
    if (line.percent != 0) width += markup::MulDiv(widest, line.percent, 100);
    widest = std::max(widest, Sat(width));
  }
  return {widest, Sat(static_cast<long long>(y_) - rect_.top)};
}

void CMarkupDrawer::StartLine() {
  x_ = rect_.left;
  if (pass_ == Pass::Measuring) {
    line_ = LineInfo{};
    line_.align = style_.align;
  } else {
    // A record the measuring pass did not write (another text) reads as an empty line.
    line_ = lineIndex_ < lines_.size() ? lines_[lineIndex_] : LineInfo{};
    const int width = RectWidth();
    if (line_.percent != 0) {
      line_.width =
          Sat(line_.width + static_cast<long long>(markup::MulDiv(width, line_.percent, 100)));
    }
    justify_ = line_.align == ALIGN_JUSTIFY && line_.wrapped != 0;
    if (justify_) {
      dc_->SetTextJustification(width - line_.width, line_.spaces);
    } else {
      dc_->SetTextJustification(0, 0);
    }
    if (line_.align == ALIGN_CENTER)
      x_ = Sat(rect_.left + (static_cast<long long>(width) - line_.width) / 2);
    if (line_.align == ALIGN_RIGHT)
      x_ = Sat(static_cast<long long>(rect_.left) + width - line_.width);
  }
  lineStart_ = x_;
  restWidth_ = line_.width;
  restSpaces_ = line_.spaces;
}

void CMarkupDrawer::CloseLine(long long count, bool wrapped) {
  if (pass_ == Pass::Measuring) {
    if (line_.height == 0) line_.height = tm_.tmHeight;
    line_.width = Sat(static_cast<long long>(x_) - rect_.left);
    line_.height = Sat(static_cast<long long>(line_.height) + line_.descent);
    line_.wrapped = wrapped ? 1 : 0;
    if (lines_.size() <= lineIndex_) lines_.resize(lineIndex_ + 1);
    lines_[lineIndex_] = line_;
  }
  ++lineIndex_;
  y_ = Sat(y_ + std::max(count, 1LL) * line_.height);
  StartLine();
}

int CMarkupDrawer::TextTop(int height) {
  if (pass_ == Pass::Measuring) {
    line_.descent = std::max(line_.descent, height - tm_.tmAscent);
    line_.height = std::max(line_.height, static_cast<int>(tm_.tmAscent));
    return y_;
  }
  const long long h = line_.height;
  const long long d = line_.descent;
  switch (style_.valign) {
    case VALIGN_TOP:
      return y_;
    case VALIGN_MIDDLE:
      return Sat(y_ + (h - tm_.tmHeight) / 2);
    case VALIGN_BOTTOM:
      return Sat(y_ + h - tm_.tmAscent);
    default:
      return Sat(y_ + h - d - tm_.tmAscent);
  }
}

int CMarkupDrawer::ItemTop(int height) {
  if (pass_ == Pass::Measuring) {
    line_.height = std::max(line_.height, height);
    return y_;
  }
  const long long h = line_.height;
  const long long d = line_.descent;
  switch (style_.valign) {
    case VALIGN_TOP:
      return y_;
    case VALIGN_MIDDLE:
      return Sat(y_ + (h - height) / 2);
    case VALIGN_BOTTOM:
      return Sat(y_ + h - height);
    default:
      return Sat(y_ + h - d - height);
  }
}

void CMarkupDrawer::AddHotArea(int left, int top, int width, int height) {
  if (pass_ != Pass::Drawing || style_.linkKind == 0) return;
  hotAreas_.push_back({left, top, Sat(static_cast<long long>(left) + width - 1),
                       Sat(static_cast<long long>(top) + height - 1), style_.linkKind, linkCounter_,
                       style_.linkTarget});
}

void CMarkupDrawer::NoteShown(std::string_view text) {
  if (pass_ == Pass::Measuring) shownText_ += text;
}

void CMarkupDrawer::NoteSeparator() {
  if (pass_ == Pass::Measuring && !shownText_.empty() && shownText_.back() != ' ')
    shownText_ += ' ';
}

// ---- text -------------------------------------------------------------------------------------

void CMarkupDrawer::WordWrap(std::string_view run, const int* prefix, int base, int room,
                             std::string_view* piece, std::string_view* rest) const {
  const auto widths = [&](std::size_t k) { return prefix[k] - base; };
  std::size_t kept = std::string_view::npos;
  for (std::size_t i = 0; i < run.size(); ++i) {
    if (!IsBreakChar(run[i])) continue;
    if (widths(i) > room) break;
    kept = i;
  }
  if (kept != std::string_view::npos) {
    *piece = TrimRight(run.substr(0, kept + 1));
    *rest = TrimLeft(run.substr(kept + 1));
    return;
  }
  // A word wider than a whole line is cut; so is anything that would leave a line empty.
  if (room == RectWidth() || x_ == lineStart_) {
    std::size_t cut = 0;
    for (std::size_t k = 1; k <= run.size(); ++k) {
      if (!IsCharBoundary(run, k)) continue;
      if (widths(k) > room) {
        if (cut == 0) cut = k;
        break;
      }
      cut = k;
    }
    *piece = run.substr(0, cut);
    *rest = run.substr(cut);
    return;
  }
  *piece = run.substr(0, 0);
  *rest = run;
}

void CMarkupDrawer::PlaceRun(std::string text) {
  NoteShown(text);
  // Widths add up (no kerning), so the run is measured once and its parts by difference.
  dc_->SetTextJustification(0, 0);
  std::vector<int> prefix;
  dc_->GetTextExtentExPoint(text, &prefix);
  const auto begin = [&](std::string_view part) {
    return static_cast<std::size_t>(part.data() - text.data());
  };
  const auto plainWidth = [&](std::string_view part) {
    return prefix[begin(part) + part.size()] - prefix[begin(part)];
  };
  std::string_view run = text;
  while (!run.empty()) {
    dc_->SetTextJustification(0, 0);
    const int top = TextTop(tm_.tmHeight);
    const long long room = static_cast<long long>(RectWidth()) + rect_.left - x_;
    std::string_view piece = run;
    std::string_view rest;
    if (maxWidth_ != 0 && RectWidth() != 0 && plainWidth(run) > room) {
      WordWrap(run, prefix.data() + begin(run), prefix[begin(run)],
               static_cast<int>(std::clamp(room, -kMaxCoordinate, kMaxCoordinate)), &piece, &rest);
    }
    int width = plainWidth(piece);
    if (pass_ == Pass::Measuring) {
      line_.align = style_.align;
      line_.spaces += CountSpaces(piece);
    } else if (!piece.empty()) {
      // Spaces that end a line are not drawn, nor are they widened by justification.
      if (width == restWidth_ && piece.back() == ' ') {
        const std::string_view trimmed = TrimRight(piece);
        restSpaces_ -= static_cast<int>(piece.size() - trimmed.size());
        piece = trimmed;
      }
      const int plain = plainWidth(piece);
      width = plain;
      if (justify_ && restSpaces_ > 0) {
        dc_->SetTextJustification(Sat(room - restWidth_), restSpaces_);
        SIZE extent;
        dc_->GetTextExtentPoint32(piece, &extent);
        width = extent.cx;
      }
      if (!piece.empty()) {
        AddHotArea(x_, top, width, tm_.tmHeight);
        dc_->TextOut(x_, top, piece);
        if (pieceObserver_) pieceObserver_(piece, x_, top, style_);
        if (style_.overline) {
          painter_.DrawStyledLine(dc_, x_, top, Sat(static_cast<long long>(x_) + width), top,
                                  style_.textColor, CEffectPainter::LINE_SOLID,
                                  style_.weight >= 700 ? 2 : 1);
        }
      }
      restSpaces_ -= CountSpaces(piece);
      restWidth_ -= plain;
    }
    x_ = Sat(static_cast<long long>(x_) + width);
    if (rest.empty()) break;
    CloseLine(1, true);
    run = rest;
  }
}

void CMarkupDrawer::PlaceText(std::string_view text) {
  NoteShown(text);
  SIZE extent;
  dc_->GetTextExtentPoint32(text, &extent);
  const int top = TextTop(extent.cy);
  if (pass_ == Pass::Drawing) {
    AddHotArea(x_, top, extent.cx, extent.cy);
    dc_->TextOut(x_, top, text);
    if (pieceObserver_) pieceObserver_(text, x_, top, style_);
    restWidth_ -= extent.cx;
  }
  x_ = Sat(static_cast<long long>(x_) + extent.cx);
}

// ---- items ------------------------------------------------------------------------------------

void CMarkupDrawer::Break(std::string_view attributeText) {
  const std::string_view count = attributeText.empty() ? attributeText : attributeText.substr(1);
  NoteSeparator();
  CloseLine(GetLength(count, 1, false), false);
}

void CMarkupDrawer::Tab(std::string_view attributeText) {
  const std::string_view count = attributeText.empty() ? attributeText : attributeText.substr(1);
  long long n = GetLength(count, 1, false);
  NoteSeparator();
  const long long size = tabSize_;
  const long long before = x_;
  long long x = x_;
  const long long offset = x - rect_.left;
  if (offset % size != 0) {
    x = rect_.left + (offset / size + (offset > 0 ? 1 : 0)) * size;
    n = std::max(n - 1, 0LL);
  }
  x_ = Sat(x + n * size);
  if (pass_ == Pass::Drawing) restWidth_ -= Sat(x_ - before);
}

void CMarkupDrawer::Rule(std::string_view attributeText) {
  NoteSeparator();
  TextStyle rule = style_;
  rule.borderWidth = 1;
  ApplyCssStyle(rule, "hr");
  std::string width = "100%";
  int size = rule.borderWidth;
  COLORREF color = rule.textColor;
  for (const auto& [name, value] : ParseAttributes(attributeText)) {
    if (name == "width") width = value;
    if (name == "size") size = GetLength(value, 0, false);
    if (name == "color") color = GetColor(value, rule.textColor);
  }
  const bool percent = !width.empty() && width.back() == '%';
  const int share = percent ? std::clamp(markup::ParseDecimal(width), 0, 10000) : 0;
  int length = 0;
  if (pass_ == Pass::Measuring) {
    length = percent ? 1 : GetLength(width, 0, false);
    line_.percent = Sat(static_cast<long long>(line_.percent) + share);
    line_.height = std::max(line_.height, size + 8);
  } else {
    length = Sat(percent ? markup::MulDiv(RectWidth(), share, 100) : GetLength(width, 0, false));
    const int middle = Sat(y_ + static_cast<long long>(line_.height) / 2);
    painter_.DrawStyledLine(dc_, x_, middle, Sat(static_cast<long long>(x_) + length), middle,
                            color, CEffectPainter::LINE_SOLID, size);
    restWidth_ -= length;
  }
  x_ = Sat(static_cast<long long>(x_) + length);
}

void CMarkupDrawer::StringItem(std::string_view attributeText) {
  int idres = 0;
  int iddll = 0;
  std::string library;
  for (const auto& [name, value] : ParseAttributes(attributeText)) {
    if (name == "idres") idres = GetLength(value, 0, false);
    if (name == "iddll") iddll = GetLength(value, 0, false);
    if (name == "srcdll") library = value;
  }
  std::string text;
  if (idres != 0) {
    text = res::LoadString(idres);
  } else if (iddll != 0) {
    if (library.empty() && resourceDll_) library = *resourceDll_;
    if (!library.empty()) {
      QFile file(LibraryFile(library, iddll, {"txt"}));
      if (file.open(QIODevice::ReadOnly)) text = file.read(64 * 1024).toStdString();
    }
  }
  if (!text.empty()) PlaceText(text);
}

bool CMarkupDrawer::ReserveImage(int occupiedWidth) {
  const long long room = static_cast<long long>(RectWidth()) + rect_.left - x_;
  if (maxWidth_ != 0 && RectWidth() != 0 && occupiedWidth > room && x_ != lineStart_) {
    CloseLine(1, true);
    return true;
  }
  return false;
}

struct CMarkupDrawer::ImageRequest {
  int idres = 0;
  std::string file;
  int iddll = 0;
  std::string library;
  std::uint32_t handle = 0;
  int index = 0;
  std::string width = "100%";
  std::string height = "100%";
  bool useMask = false;
  COLORREF maskColor = kDefaultMask;
  gdi::DWORD normal = 0;
  gdi::DWORD hover = 0;
  int cx = 0;
  int cy = 0;
  int speed = 0;

  bool HasSource() const { return idres != 0 || iddll != 0 || handle != 0 || !file.empty(); }
};

CMarkupDrawer::ImageRequest CMarkupDrawer::ReadImage(std::string_view attributeText) const {
  ImageRequest request;
  for (const auto& [name, value] : ParseAttributes(attributeText)) {
    if (name == "idres") request.idres = GetLength(value, 0, false);
    if (name == "file") request.file = value;
    if (name == "iddll") request.iddll = GetLength(value, 0, false);
    if (name == "srcdll") request.library = value;
    if (name == "handle") request.handle = markup::ParseCNumber(value);
    if (name == "index") request.index = GetLength(value, 0, false);
    if (name == "width") request.width = value;
    if (name == "height") request.height = value;
    if (name == "mask") {
      request.useMask = true;
      // The mask picks the picture's transparent pixels; the disabled look changes what is
      // drawn of the rest, never which pixels those are.
      request.maskColor = ReadColor(value, kDefaultMask);
    }
    if (name == "style") request.normal = request.hover = EffectFlags(value);
    if (name == "hotstyle") request.hover = EffectFlags(value);
    if (name == "cx") request.cx = GetLength(value, 0, false);
    if (name == "cy") request.cy = GetLength(value, 0, false);
    if (name == "speed") request.speed = GetLength(value, 0, false);
  }
  return request;
}

int CMarkupDrawer::ImageSide(const std::string& value, int natural) const {
  if (!value.empty() && value.back() == '%') {
    return std::clamp(markup::MulDiv(natural, markup::ParseDecimal(value), 100), 0, kMaxImageSide);
  }
  return std::clamp(GetLength(value, 0, false), 0, kMaxImageSide);
}

std::string CMarkupDrawer::Library(const ImageRequest& request) const {
  if (!request.library.empty()) return request.library;
  return resourceDll_ ? *resourceDll_ : std::string();
}

std::unique_ptr<gdi::CBitmap> CMarkupDrawer::LoadBitmap(const ImageRequest& request) const {
  if (request.idres != 0) {
    // The program's pictures are its icon images.
    const QImage image = res::LoadIconImage(request.idres);
    if (image.isNull()) return nullptr;
    return std::make_unique<gdi::CBitmap>(image.convertToFormat(QImage::Format_ARGB32));
  }
  if (!request.file.empty()) return BitmapFromFile(QString::fromUtf8(request.file));
  if (request.iddll != 0) {
    const std::string library = Library(request);
    if (library.empty()) return nullptr;
    return BitmapFromFile(LibraryFile(library, request.iddll, {"bmp", "png"}));
  }
  // Bitmaps have no handles in this program: a `handle` names nothing.
  return nullptr;
}

void CMarkupDrawer::PlaceImage(int width, int height, bool placeByOccupied,
                               const ImageRequest& request, const DrawImageFn& draw) {
  if (width <= 0 || height <= 0) return;
  const gdi::DWORD shadowBits = CEffectPainter::IMAGE_SHADOW | CEffectPainter::IMAGE_BLUR_SHADOW;
  const bool shadowed = ((request.normal | request.hover) & shadowBits) != 0;
  int occupiedWidth = width;
  int occupiedHeight = height;
  if (shadowed) {
    occupiedWidth = Sat(std::max(0LL, static_cast<long long>(width) + shadowX_));
    occupiedHeight = Sat(std::max(0LL, static_cast<long long>(height) + shadowY_));
  }
  ReserveImage(occupiedWidth);
  if (pass_ == Pass::Measuring) line_.align = style_.align;
  const int top = ItemTop(placeByOccupied ? occupiedHeight : height);
  if (pass_ == Pass::Drawing) {
    AddHotArea(x_, top, occupiedWidth, occupiedHeight);
    const bool hovered = style_.linkKind != 0 && linkCounter_ == hoveredLink_;
    gdi::DWORD flags = hovered ? request.hover : request.normal;
    if (!enabled_) flags = (flags & ~0xFFu) | CEffectPainter::IMAGE_SILHOUETTE;
    draw(x_, top, flags, shadowed ? gdi::TRUE : gdi::FALSE,
         enabled_ ? shadowColor_ : disabledColor_);
    restWidth_ -= occupiedWidth;
  }
  x_ = Sat(static_cast<long long>(x_) + occupiedWidth);
}

void CMarkupDrawer::Bitmap(std::string_view attributeText) {
  const ImageRequest request = ReadImage(attributeText);
  if (!request.HasSource()) return;
  const std::unique_ptr<gdi::CBitmap> bitmap = LoadBitmap(request);
  if (!bitmap) return;
  SIZE natural;
  painter_.GetBitmapSize(bitmap.get(), natural);
  const int width = ImageSide(request.width, natural.cx);
  const int height = ImageSide(request.height, natural.cy);
  PlaceImage(width, height, false, request,
             [&](int x, int y, gdi::DWORD flags, gdi::BOOL shadowed, COLORREF color) {
               painter_.DrawBitmapWithEffects(
                   dc_, x, y, width, height, bitmap.get(), request.useMask, request.maskColor,
                   flags, shadowed, shadowX_, shadowY_, shadowDepthX_, shadowDepthY_, color);
             });
}

void CMarkupDrawer::Icon(std::string_view attributeText) {
  const ImageRequest request = ReadImage(attributeText);
  if (!request.HasSource()) return;
  const int width = ImageSide(request.width, kIconSize);
  const int height = ImageSide(request.height, kIconSize);
  if (width <= 0 || height <= 0) return;
  gdi::HICON icon = gdi::NULL_ICON;
  bool owned = true;
  if (request.idres != 0) {
    icon = gdi::LoadIconResource(static_cast<gdi::UINT>(request.idres), width, height);
  } else if (!request.file.empty()) {
    icon = IconFromFile(QString::fromUtf8(request.file), width, height);
  } else if (request.iddll != 0) {
    const std::string library = Library(request);
    if (!library.empty()) {
      icon = IconFromFile(LibraryFile(library, request.iddll, {"ico", "png"}), width, height);
    }
  } else {
    icon = static_cast<gdi::HICON>(request.handle);
    owned = false;
  }
  SIZE size;
  painter_.GetIconSize(icon, size);
  PlaceImage(std::min<int>(size.cx, kMaxImageSide), std::min<int>(size.cy, kMaxImageSide), false,
             request, [&](int x, int y, gdi::DWORD flags, gdi::BOOL shadowed, COLORREF color) {
               painter_.DrawIconWithEffects(dc_, x, y, size.cx, size.cy, icon, flags, shadowed,
                                            shadowX_, shadowY_, shadowDepthX_, shadowDepthY_,
                                            color);
             });
  if (owned && icon != gdi::NULL_ICON) gdi::DestroyIcon(icon);
}

void CMarkupDrawer::ImageListItem(std::string_view attributeText) {
  const ImageRequest request = ReadImage(attributeText);
  std::unique_ptr<gdi::CBitmap> strip;
  int cx = request.cx;
  int cy = request.cy;
  int index = request.index;
  if (!request.HasSource()) {
    if (!imageList_ || imageList_->isNull()) return;
    strip = std::make_unique<gdi::CBitmap>(imageList_->convertToFormat(QImage::Format_ARGB32));
    cx = imageListCx_;
    cy = imageListCy_;
  } else {
    strip = LoadBitmap(request);
    if (!strip) return;
    SIZE size;
    painter_.GetBitmapSize(strip.get(), size);
    if (cx == 0 && cy == 0) {
      cx = cy = std::min(size.cx, size.cy);
    } else if (cx == 0) {
      cx = cy;
    } else if (cy == 0) {
      cy = cx;
    }
  }
  SIZE size;
  painter_.GetBitmapSize(strip.get(), size);
  const long long columns = cx > 0 ? size.cx / cx : 0;
  const long long rows = cy > 0 ? size.cy / cy : 0;
  const long long cells = columns * rows;
  if (request.HasSource() && request.speed != 0) {
    if (pass_ == Pass::Measuring) {
      animations_.push_back({index, static_cast<int>(cells), 0, request.speed});
    } else {
      ++animationCounter_;
      if (animationCounter_ >= 0 &&
          static_cast<std::size_t>(animationCounter_) < animations_.size()) {
        index = animations_[static_cast<std::size_t>(animationCounter_)].frame;
      }
    }
  }
  if (cells == 0 || index >= cells) return;
  const int width = ImageSide(request.width, cx);
  const int height = ImageSide(request.height, cy);
  PlaceImage(width, height, true, request,
             [&](int x, int y, gdi::DWORD flags, gdi::BOOL shadowed, COLORREF color) {
               painter_.DrawStripImage(dc_, x, y, width, height, strip.get(), index, cx, cy,
                                       request.useMask, request.maskColor, flags, shadowed,
                                       shadowX_, shadowY_, shadowDepthX_, shadowDepthY_, color);
             });
}

// ---- links and animations ---------------------------------------------------------------------

namespace {

const CMarkupDrawer::HotArea* HotAreaAt(const std::vector<CMarkupDrawer::HotArea>& areas,
                                        gdi::POINT point) {
  for (const CMarkupDrawer::HotArea& area : areas) {
    if (point.x >= area.left && point.x <= area.right && point.y >= area.top &&
        point.y <= area.bottom) {
      return &area;
    }
  }
  return nullptr;
}

}  // namespace

bool CMarkupDrawer::OnSetCursor(gdi::POINT point, QWidget* window) {
  const HotArea* area = HotAreaAt(hotAreas_, point);
  const auto notify = [this](int link) {
    if (hoverTarget_.window && hoverTarget_.message != 0) {
      SendMessage(hoverTarget_.window, hoverTarget_.message, link, hoverTarget_.param);
    }
  };
  if (area) {
    // The receiver may draw again, which replaces the hot areas.
    const int link = area->link;
    const bool hasTarget = !area->linkTarget.empty();
    if (link != hoveredLink_) {
      hoveredLink_ = link;
      notify(link);
    }
    if (hasTarget && linkCursor_) {
      if (window) window->setCursor(*linkCursor_);
      return true;
    }
    return false;
  }
  if (hoveredLink_ != -2) {
    hoveredLink_ = -2;
    notify(-2);
  }
  return false;
}

void CMarkupDrawer::OnLButtonDown(gdi::POINT point) {
  const HotArea* area = HotAreaAt(hotAreas_, point);
  if (!area || area->linkTarget.empty()) return;
  const std::string target = area->linkTarget;
  if (area->linkKind == 1) {
    RunShellLink(target);
  } else if (area->linkKind == 2 && messageTarget_.window && messageTarget_.message != 0) {
    SendMessage(messageTarget_.window, messageTarget_.message,
                reinterpret_cast<std::intptr_t>(target.c_str()), messageTarget_.param);
  }
}

QUrl CMarkupDrawer::LinkUrl(std::string_view target) {
  // As the shell's "open" reads it: a name without a scheme is a file, relative to the
  // working folder, never a guess at a web address.
  return QUrl::fromUserInput(
      QString::fromUtf8(target.data(), static_cast<qsizetype>(target.size())), QDir::currentPath(),
      QUrl::AssumeLocalFile);
}

void CMarkupDrawer::RunShellLink(const std::string& target) {
  SetHyperlinkCursor(std::nullopt);
  // The desktop's handler for the target's kind (a browser for web addresses) opens it; a
  // target it cannot open does nothing.
  QDesktopServices::openUrl(LinkUrl(target));
}

bool CMarkupDrawer::OnTimer() {
  bool changed = false;
  for (AnimationInfo& animation : animations_) {
    if (animation.frameCount <= 0) continue;
    if (++animation.tick >= animation.period) {
      animation.tick = 0;
      animation.frame = animation.frame + 1 >= animation.frameCount ? 0 : animation.frame + 1;
      changed = true;
    }
  }
  return changed;
}
