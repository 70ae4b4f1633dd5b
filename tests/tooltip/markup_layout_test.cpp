// Layout and drawing of the markup: sizes, lines, wrapping, alignment, tabs, rules, images,
// hot areas of links and what the pointer and clicks do with them.

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QDir>
#include <QFontDatabase>
#include <QImage>
#include <QObject>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/window_message.h"
#include "resources.h"
#include "tooltip/markup_fixture.h"

namespace markup_test {
namespace {

using gdi::RGB;

// The test font at the body's size: 10 points, 13 pixels.
gdi::TEXTMETRIC Metrics(int height) {
  gdi::LOGFONT logFont;
  logFont.lfHeight = height;
  std::copy_n("DejaVu Sans", 12, logFont.lfFaceName);
  return gdi::CFont::CreateFontIndirect(logFont)->Metrics();
}

TEST_F(MarkupTest, TheTestFontHasExactMetrics) {
  const gdi::TEXTMETRIC body = Metrics(13);
  EXPECT_EQ(body.tmHeight, 13);
  EXPECT_EQ(body.tmAscent, 10);
  EXPECT_EQ(body.tmDescent, 3);
  EXPECT_EQ(Width("Tesmira"), 46);
  EXPECT_EQ(Width("Tes") + Width("mira"), Width("Tesmira"));
}

TEST_F(MarkupTest, EmptyTextMeasuresNothing) {
  EXPECT_EQ(drawer_.PrepareOutput(&dc_, ""), (gdi::SIZE{0, 0}));
}

TEST_F(MarkupTest, TextOfTagsOnlyMeasuresOnePixelAndDrawsNothing) {
  EXPECT_EQ(Render("<b><i></i></b>"), (gdi::SIZE{1, 1}));
  EXPECT_TRUE(drawer_.PreparedText().empty());
  EXPECT_TRUE(pieces_.empty());
}

TEST_F(MarkupTest, EmptyLineTakesTheFontHeight) {
  EXPECT_EQ(Render("ab<br><br>b"), (gdi::SIZE{Width("ab") + 1, 3 * 13 + 1}));
  ASSERT_EQ(drawer_.Lines().size(), 3u);
  EXPECT_EQ(drawer_.Lines()[1].height, 13);
  EXPECT_EQ(drawer_.Lines()[1].width, 0);
  ASSERT_EQ(pieces_.size(), 2u);
  EXPECT_EQ(pieces_[1].y, 26);
}

struct BreakCase {
  const char* name;
  const char* markup;
  int secondLineY;
};

class BreakTest : public MarkupTest, public testing::WithParamInterface<BreakCase> {};

TEST_P(BreakTest, PutsTheNextTextLower) {
  Render(GetParam().markup);
  ASSERT_EQ(pieces_.size(), 2u);
  EXPECT_EQ(pieces_[1].x, 0);
  EXPECT_EQ(pieces_[1].y, GetParam().secondLineY);
}

INSTANTIATE_TEST_SUITE_P(Cases, BreakTest,
                         testing::Values(BreakCase{"Br", "a<br>b", 13},
                                         BreakCase{"BrCount", "a<br=2>b", 26},
                                         BreakCase{"BrSpaceIsNoCount", "a<br 2>b", 13},
                                         BreakCase{"ClosingBrBreaksToo", "a</br>b", 13},
                                         BreakCase{"LineFeed", "a\nb", 13},
                                         BreakCase{"CrLf", "a\r\n\r\nb", 26}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MarkupTest, WithoutMaxWidthTextNeverWraps) {
  const std::string text(400, 'w');
  const std::string spaced = "alpha beta gamma delta epsilon zeta eta theta iota kappa";
  EXPECT_EQ(Render(text), (gdi::SIZE{Width(text) + 1, 14}));
  EXPECT_EQ(Render(spaced), (gdi::SIZE{Width(spaced) + 1, 14}));
  EXPECT_EQ(pieces_.size(), 1u);
}

struct WrapCase {
  const char* name;
  const char* markup;
  const char* widthOf;  // the max width is the width of this text
  std::vector<std::string> lines;
};

class WrapTest : public MarkupTest, public testing::WithParamInterface<WrapCase> {};

TEST_P(WrapTest, BreaksLinesAtTheWidth) {
  const WrapCase& c = GetParam();
  drawer_.SetMaxWidth(Width(c.widthOf));
  const gdi::SIZE size = Render(c.markup);
  std::vector<std::string> lines;
  int lastY = -1;
  for (const Piece& piece : pieces_) {
    if (piece.y != lastY) lines.emplace_back();
    lines.back() += piece.text;
    lastY = piece.y;
  }
  EXPECT_EQ(lines, c.lines);
  EXPECT_EQ(size.cy, static_cast<int>(c.lines.size()) * 13 + 1);
  EXPECT_LE(size.cx, Width(c.widthOf) + 1);
  for (const CMarkupDrawer::LineInfo& line : drawer_.Lines()) EXPECT_GT(line.width, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WrapTest,
    testing::Values(
        WrapCase{"AtSpace", "one two three", "one two", {"one two", "three"}},
        WrapCase{
            "LastBreakThatFits", "one two three four", "one two", {"one two", "three", "four"}},
        WrapCase{"AtHyphen", "well-known", "well-kn", {"well-", "known"}},
        WrapCase{"AtComma", "yes,no", "yes,n", {"yes,", "no"}},
        WrapCase{"SpacesDropAtTheBreak", "aa    bb", "aa  ", {"aa", "bb"}},
        WrapCase{"LongWordIsCut", "aaaaaaaaaa", "aaa", {"aaa", "aaa", "aaa", "a"}},
        WrapCase{"CutKeepsOneCharacter", "wwww", "i", {"w", "w", "w", "w"}},
        WrapCase{"CutKeepsCharactersWhole",
                 "\xC3\xA9\xC3\xA9\xC3\xA9",
                 "\xC3\xA9",
                 {"\xC3\xA9", "\xC3\xA9", "\xC3\xA9"}},
        WrapCase{"NextRunMovesWhole", "abc <b>defghij</b>", "abc defg", {"abc", "defghij"}},
        WrapCase{"ExactFit", "one two", "one two", {"one two"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The body font of the tests at 13 pixels.
std::unique_ptr<gdi::CFont> BodyFont() {
  gdi::LOGFONT logFont;
  logFont.lfHeight = 13;
  std::copy_n("DejaVu Sans", 12, logFont.lfFaceName);
  return gdi::CFont::CreateFontIndirect(logFont);
}

// Whether some installed font has Chinese characters.
bool HasChineseFont() {
  return !QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty();
}

constexpr const char* kNoChineseFont =
    "no installed font has Chinese characters (scripts/install-deps installs fonts-wqy-zenhei)";

TEST_F(MarkupTest, CharactersTheFaceLacksComeFromAFallbackFont) {
  if (!HasChineseFont()) GTEST_SKIP() << kNoChineseFont;
  const std::unique_ptr<gdi::CFont> font = BodyFont();
  const gdi::CFont::Shaped shaped = font->Shape("ab \xE4\xB8\xAD\xE6\x96\x87 cd", true);
  ASSERT_EQ(shaped.glyphs.size(), 8u);
  ASSERT_EQ(shaped.fonts.size(), 2u);
  for (const gdi::CFont::Shaped::Glyph& glyph : shaped.glyphs) EXPECT_NE(glyph.index, 0u);
  EXPECT_EQ(shaped.glyphs[3].font, 1);
  EXPECT_NE(shaped.fonts[1].familyName(), shaped.fonts[0].familyName());
  // The Latin glyphs keep their whole-pixel advances; the widths of the beginnings grow
  // character by character and end at the text's width.
  EXPECT_EQ(shaped.glyphs[1].x, Width("a"));
  EXPECT_EQ(shaped.prefix[3], Width("ab "));
  EXPECT_EQ(shaped.glyphs[3].x, Width("ab "));
  EXPECT_GT(shaped.prefix[6], shaped.prefix[3]);
  EXPECT_GT(shaped.prefix[9], shaped.prefix[6]);
  EXPECT_EQ(shaped.prefix.back(), shaped.width);
  EXPECT_EQ(shaped.width - shaped.prefix[9], Width(" cd"));
  EXPECT_TRUE(std::is_sorted(shaped.prefix.begin(), shaped.prefix.end()));
}

TEST_F(MarkupTest, ChineseWrapsWithinTheWidthAndDrawsWhatItMeasured) {
  if (!HasChineseFont()) GTEST_SKIP() << kNoChineseFont;
  std::string text;
  for (int i = 0; i < 12; ++i) text += "\xE4\xB8\xAD";  // twelve times the same character
  drawer_.SetMaxWidth(45);
  const gdi::SIZE size = Render(text);
  EXPECT_LE(size.cx, 46);
  ASSERT_GE(drawer_.Lines().size(), 3u);
  for (const CMarkupDrawer::LineInfo& line : drawer_.Lines()) {
    EXPECT_GT(line.width, 0);
    EXPECT_LE(line.width, 45);
  }
  std::string drawn;
  for (const Piece& piece : pieces_) drawn += piece.text;
  EXPECT_EQ(drawn, text);
}

TEST_F(MarkupTest, ArabicJoinsItsLettersAndRunsRightToLeft) {
  const std::unique_ptr<gdi::CFont> font = BodyFont();
  // Three beh joined are narrower than three alone.
  const std::string beh = "\xD8\xA8";
  EXPECT_LT(font->Width(beh + beh + beh), 3 * font->Width(beh));
  // Alef then beh: the alef, read first, stands on the right.
  const std::string alef = "\xD8\xA7";
  const gdi::CFont::Shaped shaped = font->Shape(alef + beh, true);
  ASSERT_EQ(shaped.glyphs.size(), 2u);
  const gdi::CFont::Shaped alone = font->Shape(alef);
  ASSERT_EQ(alone.glyphs.size(), 1u);
  EXPECT_EQ(shaped.glyphs[1].index, alone.glyphs[0].index);  // glyphs go from the left
  EXPECT_GT(shaped.glyphs[1].x, shaped.glyphs[0].x);
  EXPECT_EQ(shaped.prefix.back(), shaped.width);
  // Measured and drawn alike: the drawing pass writes the run at the measured place and the
  // line is as wide as the run.
  const std::string line = "a " + alef + beh + " " + beh + beh + " b";
  EXPECT_EQ(Render(line), (gdi::SIZE{font->Width(line) + 1, 14}));
  ASSERT_EQ(pieces_.size(), 1u);
  EXPECT_EQ(drawer_.Lines()[0].width, font->Width(line));
}

TEST_F(MarkupTest, TabsAdvanceToTheNextStop) {
  Render("x<t>y<br><t=2>z<br>x<t=2>w");
  ASSERT_EQ(pieces_.size(), 5u);
  EXPECT_EQ(pieces_[1].x, 32);
  EXPECT_EQ(pieces_[2].x, 64);
  EXPECT_EQ(pieces_[4].x, 64);

  drawer_.SetTabSize(50);
  Render("x\ty");
  ASSERT_EQ(pieces_.size(), 2u);
  EXPECT_EQ(pieces_[1].x, 50);
}

TEST_F(MarkupTest, AlignedLinesStartWhereTheirAlignmentSays) {
  const gdi::SIZE size = Render("<center>ab</center><br><right>a</right><br>abcdefgh");
  const int width = size.cx;
  ASSERT_EQ(pieces_.size(), 3u);
  EXPECT_EQ(width, Width("abcdefgh") + 1);
  EXPECT_EQ(pieces_[0].x, (width - Width("ab")) / 2);
  EXPECT_EQ(pieces_[1].x, width - Width("a"));
  EXPECT_EQ(pieces_[2].x, 0);
}

TEST_F(MarkupTest, JustifiedLinesFillTheWidthExceptTheLast) {
  const char* text = "<justify><a>aa bbb c dddd ee f ggg hh iiii j kk</a></justify>";
  const int maxWidth = Width("aa bbb c dddd");
  drawer_.SetMaxWidth(maxWidth);
  const gdi::SIZE size = Render(text);
  const std::vector<CMarkupDrawer::HotArea>& areas = drawer_.HotAreas();
  ASSERT_GE(areas.size(), 3u);
  for (std::size_t i = 0; i + 1 < areas.size(); ++i) {
    EXPECT_EQ(areas[i].left, 0);
    EXPECT_EQ(areas[i].right, size.cx - 1) << "line " << i;
    EXPECT_EQ(drawer_.Lines()[i].wrapped, 1);
  }
  EXPECT_EQ(drawer_.Lines().back().wrapped, 0);
  EXPECT_EQ(areas.back().right, Width(pieces_.back().text) - 1);
}

TEST_F(MarkupTest, VerticalAlignmentPlacesSmallTextInATallLine) {
  Render("<font size=30>B</font><top>t</top><middle>m</middle><bottom>b</bottom>x");
  ASSERT_EQ(pieces_.size(), 5u);
  const gdi::TEXTMETRIC big = Metrics(30);
  const gdi::TEXTMETRIC body = Metrics(13);
  const CMarkupDrawer::LineInfo& line = drawer_.Lines()[0];
  EXPECT_EQ(line.height, big.tmHeight);
  EXPECT_EQ(line.descent, big.tmDescent);
  EXPECT_EQ(pieces_[0].y, 0);
  EXPECT_EQ(pieces_[1].y, 0);
  EXPECT_EQ(pieces_[2].y, (line.height - body.tmHeight) / 2);
  EXPECT_EQ(pieces_[3].y + body.tmAscent, line.height);
  // Baseline: the small text sits on the big one's baseline.
  EXPECT_EQ(pieces_[4].y + body.tmAscent, pieces_[0].y + big.tmAscent);
}

TEST_F(MarkupTest, PercentRuleCountsAgainstTheWidestLine) {
  const gdi::SIZE size = Render("abcdefghij<br><hr width=50%>");
  EXPECT_EQ(size.cx, Width("abcdefghij") + 1);
  ASSERT_EQ(drawer_.Lines().size(), 2u);
  EXPECT_EQ(drawer_.Lines()[1].percent, 50);
  EXPECT_EQ(drawer_.Lines()[1].height, 9);
  EXPECT_EQ(size.cy, 13 + 9 + 1);
  // Drawn: half the rectangle, across the middle of its line.
  const int y = 13 + 9 / 2;
  const int half = size.cx / 2;
  EXPECT_EQ(QColor(image_.pixel(0, y)), QColor(Qt::black));
  EXPECT_EQ(QColor(image_.pixel(half - 1, y)), QColor(Qt::black));
  EXPECT_EQ(QColor(image_.pixel(half + 1, y)), QColor(Qt::white));
  EXPECT_EQ(QColor(image_.pixel(0, y + 1)), QColor(Qt::white));

  EXPECT_EQ(Render("<hr width=50%>"), (gdi::SIZE{2, 10}));
  EXPECT_EQ(Render("<hr width=40 size=3 color=red>"), (gdi::SIZE{41, 12}));
  EXPECT_EQ(QColor(image_.pixel(20, 5)), QColor(Qt::red));
}

TEST_F(MarkupTest, StringResourcesAreTextAndLines) {
  Render("<string idres=102>!<string idres=9999>");
  EXPECT_EQ(Text(), res::LoadString(102) + "!");
  EXPECT_EQ(CMarkupDrawer::GetStringLine(101, 0), res::LoadString(101));
  EXPECT_EQ(CMarkupDrawer::GetStringLine(101, 1), "");
  EXPECT_EQ(CMarkupDrawer::GetStringLine(0, 0), "");
}

TEST_F(MarkupTest, IconTakesItsSizeAndTheLineHeight) {
  EXPECT_EQ(Render("<icon idres=129>"), (gdi::SIZE{33, 33}));
  EXPECT_EQ(Render("<icon idres=129 width=16 height=50%>"), (gdi::SIZE{17, 17}));
  EXPECT_EQ(Render("<icon idres=129 width=0>"), (gdi::SIZE{1, 1}));
  EXPECT_EQ(Render("<icon idres=4242>x"), (gdi::SIZE{Width("x") + 1, 14}));
}

// Stands in for the desktop's opener of one URL scheme.
class UrlHandler : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> opened;
 public Q_SLOTS:
  void open(const QUrl& url) { opened.push_back(url); }
};

// Records the window messages it receives.
class MessageSink : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() != WindowMessageEvent::EventType()) return QObject::event(event);
    const auto* message = static_cast<WindowMessageEvent*>(event);
    received.push_back({message->message, message->wParam, message->lParam});
    if (message->message == 0x500)
      texts.emplace_back(reinterpret_cast<const char*>(message->wParam));
    return true;
  }
  struct Message {
    unsigned message;
    std::intptr_t wParam;
    std::intptr_t lParam;
    bool operator==(const Message&) const = default;
  };
  std::vector<Message> received;
  std::vector<std::string> texts;
};

TEST_F(MarkupTest, LinksBecomeHotAreasWithTheirKindAndTarget) {
  Render("go <a href=\"http://example.com/x\">web</a> <a msg=stop>stop</a> <a>none</a>");
  const std::vector<CMarkupDrawer::HotArea>& areas = drawer_.HotAreas();
  ASSERT_EQ(areas.size(), 3u);
  const int x = Width("go ");
  EXPECT_EQ(areas[0].left, x);
  EXPECT_EQ(areas[0].right, x + Width("web") - 1);
  EXPECT_EQ(areas[0].top, 0);
  EXPECT_EQ(areas[0].bottom, 12);
  EXPECT_EQ(areas[0].linkKind, 1);
  EXPECT_EQ(areas[0].linkTarget, "http://example.com/x");
  EXPECT_EQ(areas[1].linkKind, 2);
  EXPECT_EQ(areas[1].link, 1);
  EXPECT_EQ(areas[1].linkTarget, "stop");
  EXPECT_EQ(areas[2].linkKind, 2);
  EXPECT_EQ(areas[2].linkTarget, "");
}

TEST_F(MarkupTest, HoverIsNotifiedOnChangeOnly) {
  MessageSink sink;
  drawer_.SetCallbackHyperlink(&sink, CMarkupDrawer::kHoverMessage, 7);
  Render("<a href=x>one</a> <a>two</a>");
  const CMarkupDrawer::HotArea one = drawer_.HotAreas()[0];
  const CMarkupDrawer::HotArea two = drawer_.HotAreas()[1];
  using M = MessageSink::Message;

  EXPECT_TRUE(drawer_.OnSetCursor({one.left, one.top}));
  EXPECT_TRUE(drawer_.OnSetCursor({one.right, one.bottom}));
  EXPECT_FALSE(drawer_.OnSetCursor({two.left + 1, two.top + 1}));  // no target: no link cursor
  EXPECT_FALSE(drawer_.OnSetCursor({one.left, one.bottom + 1}));
  EXPECT_FALSE(drawer_.OnSetCursor({one.left, one.bottom + 5}));
  EXPECT_EQ(sink.received, (std::vector<M>{{0x465, 0, 7}, {0x465, 1, 7}, {0x465, -2, 7}}));

  drawer_.SetCallbackHyperlink(nullptr, CMarkupDrawer::kHoverMessage, 7);
  drawer_.OnSetCursor({one.left, one.top});
  EXPECT_EQ(sink.received.size(), 3u);
}

TEST_F(MarkupTest, LinkCursorIsSetOnTheWindowOverALinkWithATarget) {
  QWidget window;
  window.resize(200, 50);
  window.show();
  Render("<a href=x>one</a> <a>two</a>");
  const CMarkupDrawer::HotArea one = drawer_.HotAreas()[0];
  const CMarkupDrawer::HotArea two = drawer_.HotAreas()[1];
  EXPECT_FALSE(drawer_.OnSetCursor({two.left, two.top}, &window));
  EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
  EXPECT_TRUE(drawer_.OnSetCursor({one.left, one.top}, &window));
  EXPECT_EQ(window.cursor().shape(), Qt::PointingHandCursor);
  drawer_.SetHyperlinkCursor(QCursor(Qt::CrossCursor));
  EXPECT_TRUE(drawer_.OnSetCursor({one.left, one.top}, &window));
  EXPECT_EQ(window.cursor().shape(), Qt::CrossCursor);
}

TEST_F(MarkupTest, ClickRunsTheLinkUnderThePoint) {
  MessageSink sink;
  Render("<a msg=\"say hi\">msg</a> <a href=\"tesmira-test:open\">web</a> <a msg=\"\">empty</a>");
  const std::vector<CMarkupDrawer::HotArea> areas = drawer_.HotAreas();
  ASSERT_EQ(areas.size(), 3u);

  drawer_.OnLButtonDown({areas[0].left, areas[0].top});  // no message-link target: nothing
  drawer_.SetMessageLinkTarget(&sink, 0x500, 3);
  drawer_.OnLButtonDown({areas[0].left, areas[0].top});
  drawer_.OnLButtonDown({areas[2].left, areas[2].top});  // empty target: nothing
  ASSERT_EQ(sink.texts, std::vector<std::string>{"say hi"});
  EXPECT_EQ(sink.received[0].lParam, 3);

  UrlHandler handler;
  QDesktopServices::setUrlHandler(QStringLiteral("tesmira-test"), &handler, "open");
  drawer_.SetHyperlinkCursor(QCursor(Qt::CrossCursor));
  drawer_.OnLButtonDown({areas[1].left, areas[1].top});
  QDesktopServices::unsetUrlHandler(QStringLiteral("tesmira-test"));
  ASSERT_EQ(handler.opened.size(), 1);
  EXPECT_EQ(handler.opened[0], QUrl(QStringLiteral("tesmira-test:open")));
  // Running a shell link puts the default cursor back.
  EXPECT_EQ(drawer_.GetHyperlinkCursor()->shape(), Qt::PointingHandCursor);
}

// A target without a scheme is a file relative to the working folder, not a web address;
// one with a scheme opens as written.
TEST_F(MarkupTest, LinkTargetsWithoutASchemeAreFilesInTheWorkingFolder) {
  Render(
      "<a href=\"readme.htm\">a</a> <a href=\"sub/x y.txt\">b</a> "
      "<a href=\"tesmira-test://host/p?q=1\">c</a>");
  const std::vector<CMarkupDrawer::HotArea> areas = drawer_.HotAreas();
  ASSERT_EQ(areas.size(), 3u);
  UrlHandler files;
  UrlHandler others;
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &files, "open");
  QDesktopServices::setUrlHandler(QStringLiteral("http"), &others, "open");
  QDesktopServices::setUrlHandler(QStringLiteral("tesmira-test"), &others, "open");
  for (const CMarkupDrawer::HotArea& area : areas) drawer_.OnLButtonDown({area.left, area.top});
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
  QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
  QDesktopServices::unsetUrlHandler(QStringLiteral("tesmira-test"));
  const QDir here = QDir::current();
  EXPECT_EQ(files.opened, (QList<QUrl>{QUrl::fromLocalFile(here.absoluteFilePath("readme.htm")),
                                       QUrl::fromLocalFile(here.absoluteFilePath("sub/x y.txt"))}));
  EXPECT_EQ(others.opened, QList<QUrl>{QUrl(QStringLiteral("tesmira-test://host/p?q=1"))});
}

// Picture files made for the test.
class ImageFiles {
 public:
  // A strip of `frames` square cells of `side` pixels, cell i filled with colours[i].
  std::string Strip(const std::vector<QRgb>& colours, int side) {
    QImage strip(side * static_cast<int>(colours.size()), side, QImage::Format_RGB32);
    for (std::size_t i = 0; i < colours.size(); ++i) {
      for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x)
          strip.setPixel(static_cast<int>(i) * side + x, y, colours[i]);
      }
    }
    const QString path = dir_.filePath(QStringLiteral("strip%1.png").arg(count_++));
    strip.save(path);
    return path.toStdString();
  }

 private:
  QTemporaryDir dir_;
  int count_ = 0;
};

TEST_F(MarkupTest, BitmapTakesItsDrawnSize) {
  ImageFiles files;
  const std::string red = files.Strip({qRgb(255, 0, 0)}, 20);
  EXPECT_EQ(Render("<bmp file=\"" + red + "\">"), (gdi::SIZE{21, 21}));
  EXPECT_EQ(QColor(image_.pixel(10, 10)), QColor(Qt::red));
  EXPECT_EQ(Render("<bmp file=\"" + red + "\" width=50% height=7>"), (gdi::SIZE{11, 8}));
  EXPECT_EQ(Render("<bmp file=\"" + red + "\" width=0>x"), (gdi::SIZE{Width("x") + 1, 14}));
  EXPECT_EQ(Render("<bmp file=\"/nonexistent.png\">x"), (gdi::SIZE{Width("x") + 1, 14}));
  // A shadow adds its offset to the room the image takes; the line keeps the drawn height.
  EXPECT_EQ(Render("<bmp file=\"" + red + "\" style=s>"), (gdi::SIZE{25, 21}));
}

TEST_F(MarkupTest, ImageOfTheHoveredLinkUsesItsHotStyle) {
  ImageFiles files;
  const std::string markup =
      "<a href=x><bmp file=\"" + files.Strip({qRgb(255, 0, 0)}, 10) + "\" hotstyle=g></a>";
  Render(markup);
  EXPECT_EQ(QColor(image_.pixel(5, 5)), QColor(Qt::red));
  drawer_.OnSetCursor({5, 5});
  Render(markup);
  const QColor grey(image_.pixel(5, 5));
  EXPECT_EQ(grey.red(), 76);
  EXPECT_EQ(grey.green(), 76);
}

TEST_F(MarkupTest, AnimatedStripStepsItsFrames) {
  ImageFiles files;
  const std::vector<QRgb> colours = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
  const std::string markup = "<ilst file=\"" + files.Strip(colours, 8) + "\" speed=2>";
  EXPECT_EQ(Render(markup), (gdi::SIZE{9, 9}));
  ASSERT_EQ(drawer_.Animations().size(), 1u);
  EXPECT_EQ(drawer_.Animations()[0].frameCount, 3);
  EXPECT_EQ(QColor(image_.pixel(4, 4)), QColor(colours[0]));

  EXPECT_FALSE(drawer_.OnTimer());
  EXPECT_TRUE(drawer_.OnTimer());
  EXPECT_EQ(drawer_.Animations()[0].frame, 1);
  drawer_.DrawPreparedOutput(&dc_, {0, 0, 9, 9});
  EXPECT_EQ(QColor(image_.pixel(4, 4)), QColor(colours[1]));
  for (int i = 0; i < 4; ++i) drawer_.OnTimer();
  EXPECT_EQ(drawer_.Animations()[0].frame, 0);

  // Without speed the strip is still; an index beyond the cells draws nothing.
  Render("<ilst file=\"" + files.Strip(colours, 8) + "\" index=2>");
  EXPECT_TRUE(drawer_.Animations().empty());
  EXPECT_EQ(QColor(image_.pixel(4, 4)), QColor(colours[2]));
  EXPECT_EQ(Render("<ilst file=\"" + files.Strip(colours, 8) + "\" index=3>"), (gdi::SIZE{1, 1}));
}

}  // namespace
}  // namespace markup_test

#include "markup_layout_test.moc"
