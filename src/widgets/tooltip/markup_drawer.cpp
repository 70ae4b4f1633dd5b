// Layout and drawing of CMarkupDrawer: the two passes, paragraphs, lines, wrapping,
// alignment, and the items that flow with the text (rules, breaks, tabs). Pictures live in
// markup_images.cpp, links in markup_links.cpp, tables in markup_table.cpp.

#include "widgets/tooltip/markup_drawer.h"

#include <algorithm>

#include "resources.h"
#include "widgets/tooltip/markup_text.h"

using gdi::COLORREF;
using gdi::SIZE;
using markup::CountSpaces;
using markup::kMaxCoordinate;
using markup::Sat;
using markup::TrimLeft;
using markup::TrimRight;

CMarkupDrawer::CMarkupDrawer()
    : disabledColor_(gdi::GetSysColor(gdi::COLOR_BTNSHADOW)),
      linkCursor_(QCursor(Qt::PointingHandCursor)) {
  BuildTables();
  SetCssStyles();
}

CMarkupDrawer::~CMarkupDrawer() = default;

// ---- settings ---------------------------------------------------------------------------------

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
  cursor_ = Cursor{};
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

  cursor_.x = rect_.left;
  cursor_.y = rect_.top;
  StartLine();
  const std::size_t firstLine = cursor_.lineIndex;
  NoteSeparator();

  std::string run;
  const auto flush = [&] {
    if (run.empty()) return;
    markup::Transform(run, style_.transform);
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
  if (cursor_.x != cursor_.lineStart) CloseLine(1, false);
  dc_->SetTextJustification(0, 0);
  CloseStyle(body.styleName);
  SetFont();

  int widest = 0;
  for (std::size_t n = firstLine; n < cursor_.lineIndex && n < lines_.size(); ++n) {
    const LineInfo& line = lines_[n];
    long long width = line.width;
    if (line.percent != 0) width += markup::MulDiv(widest, line.percent, 100);
    widest = std::max(widest, Sat(width));
  }
  return {widest, Sat(static_cast<long long>(cursor_.y) - rect_.top)};
}

void CMarkupDrawer::StartLine() {
  cursor_.x = rect_.left;
  if (pass_ == Pass::Measuring) {
    cursor_.line = LineInfo{};
    cursor_.line.align = style_.align;
  } else {
    // A record the measuring pass did not write (another text) reads as an empty line.
    cursor_.line = cursor_.lineIndex < lines_.size() ? lines_[cursor_.lineIndex] : LineInfo{};
    const int width = RectWidth();
    if (cursor_.line.percent != 0) {
      cursor_.line.width = Sat(cursor_.line.width + static_cast<long long>(markup::MulDiv(
                                                        width, cursor_.line.percent, 100)));
    }
    cursor_.justify = cursor_.line.align == ALIGN_JUSTIFY && cursor_.line.wrapped != 0;
    if (cursor_.justify) {
      dc_->SetTextJustification(width - cursor_.line.width, cursor_.line.spaces);
    } else {
      dc_->SetTextJustification(0, 0);
    }
    if (cursor_.line.align == ALIGN_CENTER)
      cursor_.x = Sat(rect_.left + (static_cast<long long>(width) - cursor_.line.width) / 2);
    if (cursor_.line.align == ALIGN_RIGHT)
      cursor_.x = Sat(static_cast<long long>(rect_.left) + width - cursor_.line.width);
  }
  cursor_.lineStart = cursor_.x;
  cursor_.restWidth = cursor_.line.width;
  cursor_.restSpaces = cursor_.line.spaces;
}

void CMarkupDrawer::CloseLine(long long count, bool wrapped) {
  if (pass_ == Pass::Measuring) {
    if (cursor_.line.height == 0) cursor_.line.height = tm_.tmHeight;
    cursor_.line.width = Sat(static_cast<long long>(cursor_.x) - rect_.left);
    cursor_.line.height = Sat(static_cast<long long>(cursor_.line.height) + cursor_.line.descent);
    cursor_.line.wrapped = wrapped ? 1 : 0;
    if (lines_.size() <= cursor_.lineIndex) lines_.resize(cursor_.lineIndex + 1);
    lines_[cursor_.lineIndex] = cursor_.line;
  }
  ++cursor_.lineIndex;
  cursor_.y = Sat(cursor_.y + std::max(count, 1LL) * cursor_.line.height);
  StartLine();
}

int CMarkupDrawer::TextTop(int height) {
  if (pass_ == Pass::Measuring) {
    cursor_.line.descent = std::max(cursor_.line.descent, height - tm_.tmAscent);
    cursor_.line.height = std::max(cursor_.line.height, static_cast<int>(tm_.tmAscent));
    return cursor_.y;
  }
  return AlignedTop(tm_.tmHeight, tm_.tmAscent);
}

int CMarkupDrawer::ItemTop(int height) {
  if (pass_ == Pass::Measuring) {
    cursor_.line.height = std::max(cursor_.line.height, height);
    return cursor_.y;
  }
  return AlignedTop(height, height);
}

int CMarkupDrawer::AlignedTop(long long middleHeight, long long lowerHeight) const {
  const long long h = cursor_.line.height;
  const long long d = cursor_.line.descent;
  switch (style_.valign) {
    case VALIGN_TOP:
      return cursor_.y;
    case VALIGN_MIDDLE:
      return Sat(cursor_.y + (h - middleHeight) / 2);
    case VALIGN_BOTTOM:
      return Sat(cursor_.y + h - lowerHeight);
    default:
      return Sat(cursor_.y + h - d - lowerHeight);
  }
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
    if (!markup::IsBreakChar(run[i])) continue;
    if (widths(i) > room) break;
    kept = i;
  }
  if (kept != std::string_view::npos) {
    *piece = TrimRight(run.substr(0, kept + 1));
    *rest = TrimLeft(run.substr(kept + 1));
    return;
  }
  // A word wider than a whole line is cut; so is anything that would leave a line empty.
  if (room == RectWidth() || cursor_.x == cursor_.lineStart) {
    std::size_t cut = 0;
    for (std::size_t k = 1; k <= run.size(); ++k) {
      if (!markup::IsCharBoundary(run, k)) continue;
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
    const long long room = static_cast<long long>(RectWidth()) + rect_.left - cursor_.x;
    std::string_view piece = run;
    std::string_view rest;
    if (maxWidth_ != 0 && RectWidth() != 0 && plainWidth(run) > room) {
      WordWrap(run, prefix.data() + begin(run), prefix[begin(run)],
               static_cast<int>(std::clamp(room, -kMaxCoordinate, kMaxCoordinate)), &piece, &rest);
    }
    int width = plainWidth(piece);
    if (pass_ == Pass::Measuring) {
      cursor_.line.align = style_.align;
      cursor_.line.spaces += CountSpaces(piece);
    } else if (!piece.empty()) {
      // Spaces that end a line are not drawn, nor are they widened by justification.
      if (width == cursor_.restWidth && piece.back() == ' ') {
        const std::string_view trimmed = TrimRight(piece);
        cursor_.restSpaces -= static_cast<int>(piece.size() - trimmed.size());
        piece = trimmed;
      }
      const int plain = plainWidth(piece);
      width = plain;
      if (cursor_.justify && cursor_.restSpaces > 0) {
        dc_->SetTextJustification(Sat(room - cursor_.restWidth), cursor_.restSpaces);
        SIZE extent;
        dc_->GetTextExtentPoint32(piece, &extent);
        width = extent.cx;
      }
      if (!piece.empty()) {
        AddHotArea(cursor_.x, top, width, tm_.tmHeight);
        dc_->TextOut(cursor_.x, top, piece);
        if (pieceObserver_) pieceObserver_(piece, cursor_.x, top, style_);
        if (style_.overline) {
          painter_.DrawStyledLine(
              dc_, {cursor_.x, top}, {Sat(static_cast<long long>(cursor_.x) + width), top},
              style_.textColor, CEffectPainter::LINE_SOLID, style_.weight >= 700 ? 2 : 1);
        }
      }
      cursor_.restSpaces -= CountSpaces(piece);
      cursor_.restWidth -= plain;
    }
    cursor_.x = Sat(static_cast<long long>(cursor_.x) + width);
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
    AddHotArea(cursor_.x, top, extent.cx, extent.cy);
    dc_->TextOut(cursor_.x, top, text);
    if (pieceObserver_) pieceObserver_(text, cursor_.x, top, style_);
    cursor_.restWidth -= extent.cx;
  }
  cursor_.x = Sat(static_cast<long long>(cursor_.x) + extent.cx);
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
  const long long before = cursor_.x;
  long long x = cursor_.x;
  const long long offset = x - rect_.left;
  if (offset % size != 0) {
    x = rect_.left + (offset / size + (offset > 0 ? 1 : 0)) * size;
    n = std::max(n - 1, 0LL);
  }
  cursor_.x = Sat(x + n * size);
  if (pass_ == Pass::Drawing) cursor_.restWidth -= Sat(cursor_.x - before);
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
    cursor_.line.percent = Sat(static_cast<long long>(cursor_.line.percent) + share);
    cursor_.line.height = std::max(cursor_.line.height, size + 8);
  } else {
    length = Sat(percent ? markup::MulDiv(RectWidth(), share, 100) : GetLength(width, 0, false));
    const int middle = Sat(cursor_.y + static_cast<long long>(cursor_.line.height) / 2);
    painter_.DrawStyledLine(dc_, {cursor_.x, middle},
                            {Sat(static_cast<long long>(cursor_.x) + length), middle}, color,
                            CEffectPainter::LINE_SOLID, size);
    cursor_.restWidth -= length;
  }
  cursor_.x = Sat(static_cast<long long>(cursor_.x) + length);
}
