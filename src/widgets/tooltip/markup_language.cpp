// The markup language of CMarkupDrawer: its tag, entity and colour tables, the style sheet,
// attributes, lengths and colours, and what each style tag does to the current style.

#include <algorithm>
#include <climits>
#include <cmath>

#include "widgets/tooltip/markup_data.h"
#include "widgets/tooltip/markup_drawer.h"
#include "widgets/tooltip/markup_text.h"

using gdi::COLORREF;
using gdi::RGB;

namespace {

// Pixels; a length beyond this would make the program allocate without bound.
constexpr long long kMaxLength = 32767;

int ClampLength(long long value) { return static_cast<int>(std::clamp(value, 0LL, kMaxLength)); }

}  // namespace

using markup::EndsWith;
using markup::HexValue;
using markup::IsHexDigit;
using markup::IsNameStart;

// ---- tables -----------------------------------------------------------------------------------

void CMarkupDrawer::BuildTables() {
  for (const markup::TagEntry& entry : markup::kTags) {
    tags_[entry.tag] = TagInfo{entry.kind, entry.styleName};
  }
  for (const auto& [entity, replacement] : markup::kEntities) entities_[entity] = replacement;
  for (const markup::NamedColor& color : markup::kNamedColors) {
    colors_[color.name] = RGB((color.rgb >> 16) & 0xFF, (color.rgb >> 8) & 0xFF, color.rgb & 0xFF);
  }
  for (const markup::SystemColor& color : markup::kSystemColors)
    colors_[color.name] = gdi::GetSysColor(color.index);
}

// ---- style sheet ------------------------------------------------------------------------------

void CMarkupDrawer::SetCssStyles(std::optional<std::string_view> styles) {
  styleSheet_.clear();
  const std::string_view text = styles ? *styles : std::string_view(markup::kDefaultStyleSheet);
  std::size_t i = 0;
  while (true) {
    while (i < text.size() && !IsNameStart(text[i])) ++i;
    if (i >= text.size()) return;
    const std::size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '{') ++i;
    const std::string_view selector = text.substr(start, i - start);
    const std::size_t open = text.find('{', i);
    if (open == std::string_view::npos) return;
    const std::size_t close = text.find('}', open + 1);
    if (close == std::string_view::npos) return;
    if (!selector.empty()) {
      styleSheet_[markup::ToLower(selector)] = std::string(text.substr(open + 1, close - open - 1));
    }
    i = close + 1;
  }
}

std::optional<std::string> CMarkupDrawer::GetCssStyle(std::string_view selector) const {
  const auto it = styleSheet_.find(markup::ToLower(selector));
  if (it == styleSheet_.end()) return std::nullopt;
  return it->second;
}

void CMarkupDrawer::SetColorName(std::string_view name, COLORREF color) {
  colors_[std::string(name)] = color;
}

COLORREF CMarkupDrawer::GetColorByName(std::string_view name, COLORREF defaultColor) const {
  if (!enabled_) return disabledColor_;
  const auto it = colors_.find(name);
  return it == colors_.end() ? defaultColor : it->second;
}

COLORREF CMarkupDrawer::ReadColor(std::string_view value, COLORREF defaultColor) const {
  if (value.empty()) return defaultColor;
  if (value.front() == '#') {
    if (value.size() != 7 || !std::all_of(value.begin() + 1, value.end(), IsHexDigit)) {
      return defaultColor;
    }
    const auto pair = [&](int at) { return HexValue(value[at]) * 16 + HexValue(value[at + 1]); };
    return RGB(pair(1), pair(3), pair(5));
  }
  if (markup::IsDigit(value.front())) return markup::ParseCNumber(value);
  const auto it = colors_.find(value);
  return it == colors_.end() ? defaultColor : it->second;
}

void CMarkupDrawer::ApplyCssStyle(TextStyle& style, std::string_view selector) {
  const auto it = styleSheet_.find(selector);
  if (it != styleSheet_.end()) ApplyDeclarations(style, it->second);
}

void CMarkupDrawer::ApplyDeclarations(TextStyle& style, std::string declarations) {
  const std::string text = markup::ToLower(declarations);
  std::size_t i = 0;
  while (true) {
    while (i < text.size() && !IsNameStart(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != ':') ++i;
    if (i >= text.size()) return;
    const std::string_view property = std::string_view(text).substr(start, i - start);
    while (i < text.size() && text[i] == ' ') ++i;
    std::string_view value;
    if (i < text.size() && text[i] == ':') {
      ++i;
      while (i < text.size() && (text[i] == ' ' || text[i] == ';')) ++i;
      if (i < text.size() && text[i] == '"') {
        const std::size_t close = text.find('"', i + 1);
        if (close == std::string::npos) {
          i = text.size();
        } else {
          value = std::string_view(text).substr(i + 1, close - i - 1);
          i = close + 1;
        }
      } else {
        const std::size_t end = std::min(text.find(';', i), text.size());
        value = std::string_view(text).substr(i, end - i);
        i = end;
      }
    }
    ApplyProperty(style, property, value);
  }
}

void CMarkupDrawer::ApplyProperty(TextStyle& style, std::string_view property,
                                  std::string_view value) {
  // An empty value reads as the first keyword of a list.
  const auto keyword = [&](std::string_view first) { return value.empty() ? first : value; };
  if (property == "font-size") {
    style.size = GetLength(value, style.size, true);
  } else if (property == "font-family") {
    if (!value.empty()) style.face = std::string(value.substr(0, 31));
  } else if (property == "font-style") {
    const std::string_view v = keyword("normal");
    if (v == "normal") style.italic = 0;
    if (v == "italic" || v == "oblique") style.italic = 1;
  } else if (property == "font-weight") {
    const std::string_view v = keyword("normal");
    if (v == "normal") {
      style.weight = 400;
    } else if (v == "bold") {
      style.weight = 700;
    } else if (v == "bolder") {
      style.weight = 900;
    } else if (v == "lighter") {
      style.weight = 100;
    } else {
      style.weight = markup::ParseDecimal(v);
    }
  } else if (property == "text-align") {
    const std::string_view v = keyword("left");
    if (v == "left") style.align = ALIGN_LEFT;
    if (v == "center") style.align = ALIGN_CENTER;
    if (v == "right") style.align = ALIGN_RIGHT;
  } else if (property == "text-transform") {
    const std::string_view v = keyword("none");
    if (v == "none") style.transform = TRANSFORM_NONE;
    if (v == "uppercase") style.transform = TRANSFORM_UPPERCASE;
    if (v == "lowercase") style.transform = TRANSFORM_LOWERCASE;
    if (v == "capitalize") style.transform = TRANSFORM_CAPITALIZE;
  } else if (property == "color") {
    style.textColor = GetColor(value, style.textColor);
  } else if (property == "background-color") {
    if (value == "transparent" || value.empty() || !enabled_) {
      style.backMode = 1;
    } else {
      style.backMode = 2;
      style.backColor = GetColor(value, style.backColor);
    }
  } else if (property == "text-decoration") {
    const std::string_view v = keyword("none");
    std::size_t i = 0;
    while (i < v.size()) {
      while (i < v.size() && (v[i] == ' ' || v[i] == ',')) ++i;
      const std::size_t start = i;
      while (i < v.size() && v[i] != ' ' && v[i] != ',') ++i;
      const std::string_view word = v.substr(start, i - start);
      if (word == "none") style.underline = style.strikeout = style.overline = 0;
      if (word == "underline") style.underline = 1;
      if (word == "line-through") style.strikeout = 1;
      if (word == "overline") style.overline = 1;
    }
  } else if (property == "vertical-align") {
    const std::string_view v = keyword("baseline");
    if (v == "baseline") style.valign = VALIGN_BASELINE;
    if (v == "middle" || v == "vcenter") style.valign = VALIGN_MIDDLE;
    if (v == "top") style.valign = VALIGN_TOP;
    if (v == "bottom") style.valign = VALIGN_BOTTOM;
  } else if (property == "border-color") {
    style.borderLight = style.borderDark = GetColor(value, style.borderLight);
  } else if (property == "border-width" || property == "size") {
    const std::string_view v = keyword("thin");
    if (v == "thin") {
      style.borderWidth = markup::MulDiv(style.borderWidth, 75, 100);
    } else if (v == "thick") {
      style.borderWidth = markup::MulDiv(style.borderWidth, 125, 100);
    } else if (v != "medium") {
      style.borderWidth = GetLength(v, style.borderWidth, false);
    }
    if (style.borderWidth == 0) {
      style.borderStyle = 0;
    } else if (style.borderStyle == 0) {
      style.borderStyle = 1;
    }
  } else if (property == "border-style") {
    const std::string_view v = keyword("none");
    if (v == "none") style.borderStyle = 0;
    if (v == "solid") style.borderStyle = 1;
    if (v == "dotted") style.borderStyle = 3;
    if (v == "dashed") style.borderStyle = 2;
    if (v == "double") style.borderStyle = 6;
    if (style.borderStyle != 0 && style.borderWidth == 0) style.borderWidth = 1;
  } else if (property == "margin") {
    style.margin = GetLength(value, style.margin, false);
  } else if (property == "padding") {
    style.padding = GetLength(value, style.padding, false);
  }
}

// ---- lengths and colours ----------------------------------------------------------------------

int CMarkupDrawer::GetLength(std::string_view value, int base, bool sizeTable) const {
  if (value.empty()) return base;
  if (value.back() == '%') {
    return ClampLength(markup::MulDiv(base, markup::ParseDecimal(value), 100));
  }
  std::string_view rest = value;
  if (rest.front() == '+' || rest.front() == '-') rest.remove_prefix(1);
  const long long n = markup::ParseDecimal(rest);
  const long long dpi = dc_ ? dc_->GetDeviceCaps(gdi::LOGPIXELSY) : 96;
  const long long fontHeight = font_ ? tm_.tmHeight : style_.size;
  if (EndsWith(rest, "px")) return ClampLength(n);
  if (EndsWith(rest, "ex")) {
    gdi::SIZE extent{0, static_cast<gdi::LONG>(fontHeight)};
    if (dc_ && font_) dc_->GetTextExtentPoint32("x", &extent);
    return ClampLength(n * extent.cy);
  }
  if (EndsWith(rest, "em")) return ClampLength(n * fontHeight);
  if (EndsWith(rest, "in")) return ClampLength(n * dpi);
  if (EndsWith(rest, "cm")) return ClampLength(static_cast<long long>(n * dpi / 2.54));
  if (EndsWith(rest, "mm")) return ClampLength(static_cast<long long>(n * dpi / 25.4));
  if (EndsWith(rest, "pt")) return ClampLength(n * dpi / 72);
  if (EndsWith(rest, "pc")) return ClampLength(n * dpi / 6);
  const std::uint32_t number = markup::ParseCNumber(rest);
  if (sizeTable && number >= 1 && number <= 7) {
    static constexpr int kSizes[] = {8, 10, 12, 14, 18, 24, 36};
    return kSizes[number - 1];
  }
  return ClampLength(static_cast<long long>(number));
}

COLORREF CMarkupDrawer::GetColor(std::string_view value, COLORREF defaultColor) const {
  if (!enabled_) return disabledColor_;
  return ReadColor(value, defaultColor);
}

// ---- attributes and tags ----------------------------------------------------------------------

CMarkupDrawer::Attributes CMarkupDrawer::ParseAttributes(std::string_view text) {
  Attributes attributes;
  std::size_t i = 0;
  while (true) {
    while (i < text.size() && !IsNameStart(text[i])) ++i;
    if (i >= text.size()) return attributes;
    const std::size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '=') ++i;
    std::string name(text.substr(start, i - start));
    while (i < text.size() && text[i] == ' ') ++i;
    std::string value;
    if (i < text.size() && text[i] == '=') {
      while (i < text.size() && (text[i] == ' ' || text[i] == '=')) ++i;
      if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
        const char quote = text[i];
        const std::size_t close = std::min(text.find(quote, i + 1), text.size());
        value = std::string(text.substr(i + 1, close - i - 1));
        i = close + 1;
      } else {
        const std::size_t end = std::min(text.find(' ', i), text.size());
        value = std::string(text.substr(i, end - i));
        i = end + 1;
      }
    }
    attributes.emplace_back(std::move(name), std::move(value));
  }
}

void CMarkupDrawer::ApplyFontAttributes(TextStyle& style, const Attributes& attributes) {
  for (const auto& [name, value] : attributes) {
    if (name == "face") {
      if (!value.empty()) style.face = value.substr(0, 31);
    } else if (name == "size") {
      style.size = GetLength(value, style.size, true);
    } else if (name == "color") {
      style.textColor = GetColor(value, style.textColor);
    } else if (name == "style") {
      bool set = true;
      for (const char c : value) {
        if (c == '-') {
          set = false;
          continue;
        }
        if (c == '+') {
          set = true;
          continue;
        }
        const int flag = set ? 1 : 0;
        switch (c) {
          case 'b':
            style.weight = set ? 700 : 400;
            break;
          case 'i':
            style.italic = flag;
            break;
          case 'u':
            style.underline = flag;
            break;
          case 's':
            style.strikeout = flag;
            break;
          case 'o':
            style.overline = flag;
            break;
          default:
            continue;
        }
        set = true;
      }
    } else if (name == "weight") {
      ApplyProperty(style, "font-weight", value);
    } else if (name == "bkgnd") {
      if (value == "transparent" || value.empty() || !enabled_) {
        style.backMode = 1;
      } else {
        style.backMode = 2;
        style.backColor = GetColor(value, style.backColor);
      }
    }
  }
}

void CMarkupDrawer::OpenStyle(const std::string& name) {
  style_.name = name;
  stack_.push_back(style_);
}

bool CMarkupDrawer::CloseStyle(const std::string& name) {
  if (stack_.empty() || stack_.back().name != name) return false;
  style_ = std::move(stack_.back());
  stack_.pop_back();
  return true;
}

void CMarkupDrawer::ApplyTagEffect(const TagInfo& tag, std::string_view attributeText) {
  switch (tag.kind) {
    case TAG_BOLD:
      style_.weight = static_cast<int>(std::min(2LL * style_.weight, 900LL));
      break;
    case TAG_ITALIC:
      style_.italic = !style_.italic;
      break;
    case TAG_UNDERLINE:
      style_.underline = !style_.underline;
      break;
    case TAG_STRIKEOUT:
      style_.strikeout = !style_.strikeout;
      break;
    case TAG_FONT:
      ApplyFontAttributes(style_, ParseAttributes(attributeText));
      break;
    case TAG_LEFT:
    case TAG_CENTER:
    case TAG_RIGHT:
    case TAG_JUSTIFY:
      style_.align = static_cast<TextAlign>(ALIGN_LEFT + (tag.kind - TAG_LEFT));
      break;
    case TAG_BASELINE:
      style_.valign = VALIGN_BASELINE;
      break;
    case TAG_TOP:
      style_.valign = VALIGN_TOP;
      break;
    case TAG_VCENTER:
      style_.valign = VALIGN_MIDDLE;
      break;
    case TAG_BOTTOM:
      style_.valign = VALIGN_BOTTOM;
      break;
    case TAG_SHEET:
      ApplyCssStyle(style_, tag.styleName);
      break;
    case TAG_SPAN:
      for (const auto& [name, value] : ParseAttributes(attributeText)) {
        // Selectors are kept in lower case; a class is found however it is written.
        if (name == "class") ApplyCssStyle(style_, "." + markup::ToLower(value));
      }
      break;
    case TAG_LINK:
      style_.linkKind = LINK_MESSAGE;
      style_.linkTarget.clear();
      for (const auto& [name, value] : ParseAttributes(attributeText)) {
        if (name == "href") {
          style_.linkKind = LINK_SHELL;
          style_.linkTarget = value;
        } else if (name == "msg") {
          style_.linkKind = LINK_MESSAGE;
          style_.linkTarget = value;
        }
      }
      ++cursor_.linkCounter;
      ApplyCssStyle(style_, cursor_.linkCounter == hoveredLink_ ? "a:hover" : "a:link");
      break;
    default:
      break;
  }
}

void CMarkupDrawer::ApplyTableAttributes(TextStyle& style, std::string_view attributeText,
                                         bool isTable, int* colspan, int* rowspan) {
  if (colspan) *colspan = 1;
  if (rowspan) *rowspan = 1;
  for (const auto& [name, value] : ParseAttributes(attributeText)) {
    if (isTable && name == "cellpadding") {
      style.margin = GetLength(value, style.margin, false);
    } else if (isTable && name == "cellspacing") {
      style.padding = GetLength(value, style.padding, false);
    } else if (isTable && name == "background") {
      style.backImage = value;
    } else if (!isTable && name == "colspan") {
      if (colspan) *colspan = GetLength(value, 1, false);
    } else if (!isTable && name == "rowspan") {
      if (rowspan) *rowspan = GetLength(value, 1, false);
    } else if (name == "border") {
      style.borderWidth = GetLength(value, style.borderWidth, false);
      if (style.borderWidth == 0) {
        style.borderStyle = 0;
      } else if (style.borderStyle == 0) {
        style.borderStyle = 1;
      }
    } else if (name == "borderstyle") {
      ApplyProperty(style, "border-style", value);
    } else if (name == "bordercolor") {
      style.borderLight = style.borderDark = GetColor(value, style.borderLight);
    } else if (name == "bordercolorlight") {
      style.borderLight = GetColor(value, style.borderLight);
    } else if (name == "bordercolordark") {
      style.borderDark = GetColor(value, style.borderDark);
    } else if (name == "align") {
      ApplyProperty(style, "text-align", value);
    } else if (name == "valign") {
      ApplyProperty(style, "vertical-align", value);
    } else if (name == "width") {
      style.width = GetLength(value, style.width, false);
    } else if (name == "height") {
      style.height = GetLength(value, style.height, false);
    } else if (!enabled_) {
      continue;  // backgrounds stay as they are while output is disabled
    } else if (name == "bgcolor") {
      style.backColor = GetColor(value, style.backColor);
      if (style.backEffect == -1) style.backEffect = 0;
    } else if (name == "bgmidcolor") {
      style.backMidColor = GetColor(value, style.backMidColor);
    } else if (name == "bgendcolor") {
      style.backEndColor = GetColor(value, style.backEndColor);
    } else if (name == "bgeffect" && !value.empty()) {
      static constexpr const char* kEffects[] = {
          "solid",      "hgradient", "vgradient", "hcgradient", "vcgradient", "3hgradient",
          "3vgradient", "noise",     "diagshade", "hshade",     "vshade",     "hbump",
          "vbump",      "softbump",  "hardbump",  "metal"};
      const auto* found = std::find(std::begin(kEffects), std::end(kEffects), value);
      if (value == "transparent") {
        style.backEffect = -1;
      } else if (found != std::end(kEffects)) {
        style.backEffect = static_cast<int>(found - std::begin(kEffects));
      } else {
        style.backEffect = GetLength(value, style.backEffect, false);
      }
    }
  }
  if (style.borderStyle == 0 || style.borderWidth == 0) {
    style.borderStyle = style.borderWidth = 0;
  } else if (style.borderStyle != 1 || !isTable) {
    style.borderWidth = 1;
  }
}

bool CMarkupDrawer::ParseImageSource(std::string_view source, std::string* kind,
                                     std::string* value) {
  if (source.size() <= 5) return false;
  std::size_t i = 0;
  while (i < source.size() && !markup::IsAlpha(source[i]) && !markup::IsDigit(source[i])) ++i;
  const std::size_t start = i;
  while (i < source.size() && source[i] != ' ' && source[i] != ':') ++i;
  if (i == start) return false;
  *kind = std::string(source.substr(start, i - start));
  while (i < source.size() && source[i] == ' ') ++i;
  value->clear();
  if (i >= source.size() || source[i] != ':') return true;
  ++i;
  while (i < source.size() && (source[i] == ' ' || source[i] == ';')) ++i;
  if (i < source.size() && source[i] == '"') {
    const std::size_t close = source.find('"', i + 1);
    if (close != std::string_view::npos) *value = std::string(source.substr(i + 1, close - i - 1));
    return true;
  }
  const std::size_t end = std::min(source.find(';', i), source.size());
  *value = std::string(source.substr(i, end - i));
  return true;
}

gdi::DWORD CMarkupDrawer::EffectFlags(std::string_view letters) const {
  gdi::DWORD flags = 0;
  for (const char c : letters) {
    if (c == 'g') flags |= CEffectPainter::IMAGE_GRAY;
    if (c == 'd') flags |= CEffectPainter::IMAGE_DARKER;
    if (c == 'l') flags |= CEffectPainter::IMAGE_LIGHTER;
    if (c == 's' && (imageShadow_.shadow.dx != 0 || imageShadow_.shadow.dy != 0)) {
      flags |= imageShadow_.blur ? CEffectPainter::IMAGE_BLUR_SHADOW : CEffectPainter::IMAGE_SHADOW;
    }
  }
  return flags;
}

std::string CMarkupDrawer::Preprocess(std::string_view text) const {
  std::string result(text);
  for (const auto& [entity, replacement] : entities_) {
    if (result.find(entity) == std::string::npos) continue;
    std::string replaced;
    replaced.reserve(result.size());
    std::size_t from = 0;
    for (std::size_t at; (at = result.find(entity, from)) != std::string::npos;) {
      replaced.append(result, from, at - from);
      replaced += replacement;
      from = at + entity.size();
    }
    replaced.append(result, from);
    result = std::move(replaced);
  }
  std::string converted;
  converted.reserve(result.size());
  for (const char c : result) {
    if (c == '\r') continue;
    if (c == '\n' || c == '\t') {
      if (lineConversion_) converted += c == '\n' ? "<br>" : "<t>";
      continue;
    }
    converted += c;
  }
  return converted;
}
