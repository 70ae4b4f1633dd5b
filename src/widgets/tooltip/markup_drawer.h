#pragma once
// CMarkupDrawer: measures and draws the tooltip's HTML-like markup. A text is preprocessed
// once (entities, line ends), then laid out twice by the same code: a measuring pass that
// finds its size and records the facts of every line, and a drawing pass that paints it into
// a rectangle from those facts and records the hot areas of its links. The language (tags,
// attributes, the style sheet, lengths and colours) lives in markup_language.cpp with its
// fixed tables in markup_data.h, the layout in markup_drawer.cpp, pictures in
// markup_images.cpp, links in markup_links.cpp, tables in markup_table.cpp, and the text
// and number helpers they share in markup_text.h.

#include <QCursor>
#include <QPointer>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/gdi/dc.h"
#include "platform/gdi/font.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/icon.h"
#include "widgets/tooltip/effect_painter.h"
#include "widgets/tooltip/markup_table.h"
#include "widgets/tooltip/text_style.h"

class QObject;
class QWidget;

class CMarkupDrawer {
 public:
  struct LineInfo {
    int width = 0;    // content, pixels
    int height = 0;   // ascent part, plus the descent once the line is closed
    int descent = 0;  // largest part below the baseline
    int percent = 0;  // sum of the percentage widths of the rules on the line
    TextAlign align = ALIGN_LEFT;
    int spaces = 0;
    int wrapped = 0;  // 1 when the next item did not fit
    friend bool operator==(const LineInfo&, const LineInfo&) = default;
  };

  // Edges inclusive.
  struct HotArea {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    LinkType linkKind = LINK_NONE;
    int link = 0;
    std::string linkTarget;
  };

  struct AnimationInfo {
    int frame = 0;
    int frameCount = 0;
    int tick = 0;
    int period = 0;
  };

  // Where a window message goes: hover notifications and clicks on message links.
  struct MessageTarget {
    QPointer<QObject> window;
    gdi::UINT message = 0;
    std::intptr_t param = 0;
  };

  // Tag kinds of the tag table.
  enum TagKind {
    TAG_BOLD,
    TAG_ITALIC,
    TAG_UNDERLINE,
    TAG_STRIKEOUT,
    TAG_FONT,
    TAG_LEFT,
    TAG_CENTER,
    TAG_RIGHT,
    TAG_JUSTIFY,
    TAG_BASELINE,
    TAG_TOP,
    TAG_VCENTER,
    TAG_BOTTOM,
    TAG_SHEET,  // applies the style-sheet entry named like the tag
    TAG_SPAN,
    TAG_LINK,
    TAG_HR,
    TAG_BR,
    TAG_TAB,
    TAG_BMP,
    TAG_ICON,
    TAG_ILST,
    TAG_STRING,
  };

  // The hover message the tooltip window asks for.
  static constexpr gdi::UINT kHoverMessage = 0x465;

  CMarkupDrawer();
  ~CMarkupDrawer();
  CMarkupDrawer(const CMarkupDrawer&) = delete;
  CMarkupDrawer& operator=(const CMarkupDrawer&) = delete;

  // ---- The language ----

  // Replaces the style sheet; without a text, by the default one.
  void SetCssStyles(std::optional<std::string_view> styles = std::nullopt);
  std::optional<std::string> GetCssStyle(std::string_view selector) const;
  void SetColorName(std::string_view name, gdi::COLORREF color);
  gdi::COLORREF GetColorByName(std::string_view name, gdi::COLORREF defaultColor) const;
  void EnableOutput(bool enabled) { enabled_ = enabled; }
  void SetDisabledColor(gdi::COLORREF color) { disabledColor_ = color; }
  void EnableLineConversion(bool convert) { lineConversion_ = convert; }

  // The text as layout reads it: entities replaced, CR removed, LF and tab turned into tags.
  std::string Preprocess(std::string_view text) const;

  // The attributes of a "<table" tag (isTable) or a "<td" or "<tr" tag, read into the style;
  // a cell's spans go to colspan and rowspan (1 when not given). The border comes out
  // normalised.
  void ApplyTableAttributes(TextStyle& style, std::string_view attributeText, bool isTable,
                            int* colspan = nullptr, int* rowspan = nullptr);
  // A table's background source "kind:value" ("idres", "iddll" or "file"); false for a text
  // of five characters or fewer, or one without a kind.
  static bool ParseImageSource(std::string_view source, std::string* kind, std::string* value);

  // ---- Layout and drawing ----

  // Measures the text; 0 x 0 for an empty one. The result is one pixel larger each way.
  gdi::SIZE PrepareOutput(gdi::CDC* dc, std::string_view text);
  void DrawPreparedOutput(gdi::CDC* dc, const gdi::RECT& rect);

  // Hover tracking; true when the point is over a link with a target (the link cursor is then
  // set on the window, when one is given).
  bool OnSetCursor(gdi::POINT point, QWidget* window = nullptr);
  // Runs the link under the point.
  void OnLButtonDown(gdi::POINT point);
  // What a click on a shell link (href) opens: a target with a scheme as written, any other
  // a file relative to the working folder.
  static QUrl LinkUrl(std::string_view target);
  // Steps the animations; true when a frame changed.
  bool OnTimer();

  void SetCallbackHyperlink(QObject* window, gdi::UINT message, std::intptr_t param);
  // Where message links (msg) are sent; nobody by default.
  void SetMessageLinkTarget(QObject* window, gdi::UINT message, std::intptr_t param);
  // None restores the platform's pointing hand.
  void SetHyperlinkCursor(std::optional<QCursor> cursor);
  const std::optional<QCursor>& GetHyperlinkCursor() const { return linkCursor_; }
  void SetMaxWidth(int width) { maxWidth_ = std::max(0, width); }
  void SetTabSize(int size) { tabSize_ = std::max(1, size); }
  void SetImageShadow(int offsetX, int offsetY, int darkness, bool blur, gdi::DWORD depthX,
                      gdi::DWORD depthY);
  // The folder searched for `iddll` resources when no `srcdll` is given; none by default.
  void SetResourceDll(std::optional<std::string> folder) { resourceDll_ = std::move(folder); }
  // The drawer's own images for "ilst" without a source: a strip of cells of the given size.
  void SetImageList(std::shared_ptr<const QImage> strip, int cellWidth, int cellHeight);
  CEffectPainter& GetEffectPainter() { return painter_; }

  // Line `line` (from 0, lines end at line feeds) of string resource `id`; empty beyond the
  // last line and for id 0.
  static std::string GetStringLine(gdi::UINT id, int line);

  // ---- What the last passes recorded ----

  const std::vector<LineInfo>& Lines() const { return lines_; }
  const std::vector<HotArea>& HotAreas() const { return hotAreas_; }
  const std::vector<AnimationInfo>& Animations() const { return animations_; }
  const std::vector<TableInfo>& Tables() const { return tables_; }
  int HoveredLink() const { return hoveredLink_; }
  const std::string& PreparedText() const { return text_; }
  // The words the last measured text shows, without its markup: runs and strings as they
  // are drawn, a space where a break, a tab, a rule or a new paragraph separates them.
  const std::string& ShownText() const { return shownText_; }

  // Called for every text piece the drawing pass writes, with its position and style; lets a
  // caller see what went where without reading pixels.
  using PieceObserver =
      std::function<void(std::string_view text, int x, int y, const TextStyle& style)>;
  void SetPieceObserver(PieceObserver observer) { pieceObserver_ = std::move(observer); }

 private:
  struct TagInfo {
    TagKind kind;
    std::string styleName;  // empty: not a style tag
  };
  using Attributes = std::vector<std::pair<std::string, std::string>>;
  // The measuring pass finds the size and records the lines; the drawing pass paints from them.
  enum class Pass { Measuring, Drawing };

  // Language (markup_language.cpp).
  void BuildTables();
  static Attributes ParseAttributes(std::string_view text);
  void ApplyCssStyle(TextStyle& style, std::string_view selector);
  void ApplyDeclarations(TextStyle& style, std::string declarations);
  void ApplyProperty(TextStyle& style, std::string_view property, std::string_view value);
  int GetLength(std::string_view value, int base, bool sizeTable) const;
  // A colour the markup sets: the disabled colour while the output is disabled.
  gdi::COLORREF GetColor(std::string_view value, gdi::COLORREF defaultColor) const;
  // The colour a value names, whatever the enabled flag (an image's mask colour).
  gdi::COLORREF ReadColor(std::string_view value, gdi::COLORREF defaultColor) const;
  void ApplyFontAttributes(TextStyle& style, const Attributes& attributes);
  void ApplyTagEffect(const TagInfo& tag, std::string_view attributeText);
  void OpenStyle(const std::string& name);
  bool CloseStyle(const std::string& name);
  gdi::DWORD EffectFlags(std::string_view letters) const;

  // Layout (markup_drawer.cpp), pictures (markup_images.cpp), links (markup_links.cpp).
  gdi::SIZE Layout();
  void SetFont();
  gdi::SIZE Paragraph(std::string_view segment);
  void StartLine();
  void CloseLine(long long count, bool wrapped);
  int TextTop(int height);
  int ItemTop(int height);
  // The drawing pass's top of an item by the vertical alignment: centred by middleHeight,
  // set on the bottom or the baseline by lowerHeight.
  int AlignedTop(long long middleHeight, long long lowerHeight) const;
  void PlaceRun(std::string run);
  void PlaceText(std::string_view text);
  // prefix[k] - base is the width of the first k bytes of the run.
  void WordWrap(std::string_view run, const int* prefix, int base, int room,
                std::string_view* piece, std::string_view* rest) const;
  void AddHotArea(int left, int top, int width, int height);
  void NoteShown(std::string_view text);
  void NoteSeparator();
  void Rule(std::string_view attributeText);
  void Break(std::string_view attributeText);
  void Tab(std::string_view attributeText);
  void StringItem(std::string_view attributeText);
  void Bitmap(std::string_view attributeText);
  void Icon(std::string_view attributeText);
  void ImageListItem(std::string_view attributeText);
  bool ReserveImage(int occupiedWidth);
  struct ImageRequest;
  using DrawImageFn = std::function<void(int x, int y, const CEffectPainter::ImageLook& look)>;
  ImageRequest ReadImage(std::string_view attributeText) const;
  int ImageSide(const std::string& value, int natural) const;
  std::string Library(const ImageRequest& request) const;
  std::unique_ptr<gdi::CBitmap> LoadBitmap(const ImageRequest& request) const;
  void PlaceImage(int width, int height, bool placeByOccupied, const ImageRequest& request,
                  const DrawImageFn& draw);
  int RectWidth() const { return rect_.right - rect_.left; }
  void RunShellLink(const std::string& target);

  // Tables (markup_table.cpp).
  static std::size_t FindTag(std::string_view text, std::size_t from, std::string_view tag);
  static std::size_t FindTableEnd(std::string_view text, std::size_t start);
  gdi::SIZE Table(std::string_view table);
  void Row(std::string_view row, const gdi::RECT& inner, TableInfo& info, int r);
  void Cell(std::string_view cell, const gdi::RECT& rect, TableInfo& info, int r, int c);
  void TableBackground(const gdi::RECT& rect);
  void SizeColumnsAndRows(TableInfo& info);

  // Language tables and settings.
  std::map<std::string, TagInfo, std::less<>> tags_;
  std::map<std::string, std::string, std::less<>> entities_;
  std::map<std::string, gdi::COLORREF, std::less<>> colors_;
  std::map<std::string, std::string, std::less<>> styleSheet_;
  bool enabled_ = true;
  gdi::COLORREF disabledColor_;
  bool lineConversion_ = true;

  // Pass state.
  std::string text_;
  std::string shownText_;
  Pass pass_ = Pass::Measuring;
  gdi::CDC* dc_ = nullptr;
  gdi::RECT rect_;
  TextStyle style_;
  std::vector<TextStyle> stack_;
  std::unique_ptr<gdi::CFont> font_;
  gdi::TEXTMETRIC tm_;
  gdi::CFont* oldFont_ = nullptr;
  int oldBkMode_ = gdi::TRANSPARENT;
  gdi::COLORREF oldTextColor_ = 0;
  gdi::COLORREF oldBkColor_ = 0;

  // Where a pass is: the position, the line being laid out, and how far it has come through
  // the records of the measuring pass. Layout() starts every pass with a fresh one.
  struct Cursor {
    int x = 0;
    int y = 0;
    LineInfo line;
    int lineStart = 0;  // x where the line started
    bool justify = false;
    long long restWidth = 0;  // drawing: content of the line still to come, unjustified
    int restSpaces = 0;       // drawing: spaces of the line still to come
    std::size_t lineIndex = 0;
    int linkCounter = -1;
    int animationCounter = -1;
    int tableCounter = -1;
    int tableDepth = 0;
  };
  Cursor cursor_;

  // What the passes record, and the link under the pointer.
  std::vector<LineInfo> lines_;
  std::vector<HotArea> hotAreas_;
  int hoveredLink_ = -2;
  std::vector<AnimationInfo> animations_;
  std::vector<TableInfo> tables_;

  int maxWidth_ = 0;
  int tabSize_ = 32;
  CEffectPainter::ShadowStyle imageShadow_{{4, 4, 7, 7}};
  gdi::COLORREF shadowColor_ = gdi::RGB(128, 128, 128);
  std::optional<QCursor> linkCursor_;
  MessageTarget hoverTarget_;
  MessageTarget messageTarget_;
  std::optional<std::string> resourceDll_;
  std::shared_ptr<const QImage> imageList_;
  int imageListCx_ = 0;
  int imageListCy_ = 0;

  CEffectPainter painter_;
  PieceObserver pieceObserver_;
};
