// The markup language: preprocessing, text runs and tags, the style stack, attributes, the
// style sheet, lengths and colours, as the drawing pass sees them.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/gdi/gdi.h"
#include "tooltip/markup_fixture.h"

namespace markup_test {
namespace {

using gdi::RGB;

struct PreprocessCase {
  const char* name;
  const char* input;
  const char* expected;
};

class PreprocessTest : public MarkupTest, public testing::WithParamInterface<PreprocessCase> {};

TEST_P(PreprocessTest, RewritesTheText) {
  EXPECT_EQ(drawer_.Preprocess(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PreprocessTest,
    testing::Values(
        // "&amp;" comes first in byte order, so the "&lt;" it leaves is replaced after it.
        PreprocessCase{"AmpThenLt", "&amp;lt;", "<<"},
        PreprocessCase{"AmpOnce", "&amp;amp;", "&amp;"},
        // "&gt;" comes before "&lt;": the "&gt;" made from "&amp;gt;" is replaced as well.
        PreprocessCase{"AmpThenGt", "&amp;gt;", ">"}, PreprocessCase{"Lt", "a&lt;b", "a<<b"},
        PreprocessCase{"Quote", "&quot;x&quot;", "\"x\""},
        PreprocessCase{"Nbsp", "a&nbsp;b", "a b"}, PreprocessCase{"Euro", "&euro;", "\xE2\x82\xAC"},
        PreprocessCase{"Trade", "&trade;&reg;&copy;", "\xE2\x84\xA2\xC2\xAE\xC2\xA9"},
        PreprocessCase{"UnknownEntity", "&hellip;", "&hellip;"},
        PreprocessCase{"CrLf", "a\r\nb\rc", "a<br>bc"}, PreprocessCase{"Tab", "a\tb", "a<t>b"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MarkupTest, WithoutLineConversionLineFeedsAndTabsAreRemoved) {
  drawer_.EnableLineConversion(false);
  EXPECT_EQ(drawer_.Preprocess("a\r\nb\tc"), "abc");
}

struct RunCase {
  const char* name;
  const char* markup;
  const char* shown;
};

class RunTest : public MarkupTest, public testing::WithParamInterface<RunCase> {};

TEST_P(RunTest, ShowsTheText) {
  Render(GetParam().markup);
  EXPECT_EQ(Text(), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunTest,
    testing::Values(RunCase{"DoubleLt", "a<<b", "a<b"}, RunCase{"FinalLt", "a<", "a<"},
                    RunCase{"EmptyTag", "a<>b", "a>b"}, RunCase{"UnclosedTag", "a<b", "ab"},
                    RunCase{"EntityLt", "a&lt;b>c", "a<b>c"},
                    RunCase{"UnknownTag", "a<blink>b</blink>c", "abc"},
                    RunCase{"UpperCaseTag", "<B>x</B>", "x"},
                    RunCase{"ClosingWithoutOpening", "</b>x</i>", "x"},
                    RunCase{"TableTagsAreNotText", "<table><tr><td>c</td>", "c"}),
    [](const auto& info) { return std::string(info.param.name); });

// One style field of the piece that shows `text`.
struct StyleCase {
  const char* name;
  const char* markup;
  const char* text;
  std::function<int(const TextStyle&)> field;
  int expected;
  bool declaration = false;  // markup is a declaration of the style-sheet class ".x"
};

class StyleTest : public MarkupTest, public testing::WithParamInterface<StyleCase> {};

TEST_P(StyleTest, GivesThePieceItsStyle) {
  const StyleCase& c = GetParam();
  if (c.declaration) {
    drawer_.SetCssStyles(std::string("body {font-size: 10pt; font-family: DejaVu Sans}\n") +
                         ".x {" + c.markup + "}");
    Render(std::string("<span class=x>") + c.text + "</span>");
  } else {
    Render(c.markup);
  }
  bool found = false;
  for (const Piece& piece : pieces_) {
    if (piece.text != c.text) continue;
    found = true;
    EXPECT_EQ(c.field(piece.style), c.expected);
  }
  EXPECT_TRUE(found) << "no piece \"" << c.text << "\" in " << Text();
}

int Weight(const TextStyle& s) { return s.weight; }
int Italic(const TextStyle& s) { return s.italic; }
int Underline(const TextStyle& s) { return s.underline; }
int Strikeout(const TextStyle& s) { return s.strikeout; }
int Overline(const TextStyle& s) { return s.overline; }
int Size(const TextStyle& s) { return s.size; }
int Color(const TextStyle& s) { return static_cast<int>(s.textColor); }
int BackMode(const TextStyle& s) { return s.backMode; }
int BackColor(const TextStyle& s) { return static_cast<int>(s.backColor); }
int Align(const TextStyle& s) { return s.align; }
int Valign(const TextStyle& s) { return s.valign; }
int LinkKind(const TextStyle& s) { return s.linkKind; }

INSTANTIATE_TEST_SUITE_P(
    Cases, StyleTest,
    testing::Values(
        StyleCase{"Body", "x", "x", Size, 13},
        StyleCase{"UpperCaseTagIsUnknown", "<B>x", "x", Weight, 400},
        StyleCase{"BoldDoubles", "<b>x", "x", Weight, 800},
        StyleCase{"BoldCapped", "<b><b>x", "x", Weight, 900},
        StyleCase{"EmClosesI", "<i>a</em>b", "b", Italic, 0},
        StyleCase{"ItalicStillOpen", "<i>a</em>b", "a", Italic, 1},
        StyleCase{"MismatchKeepsItalic", "<i>a</b>b", "b", Italic, 1},
        StyleCase{"NotBelowTheTop", "<i><b>a</i>b", "b", Italic, 1},
        StyleCase{"TogglesTwice", "<i><i>x</i></i>", "x", Italic, 0},
        StyleCase{"BottomClosesVcenter", "<vcenter>a</bottom>b", "b", Valign, 3},
        StyleCase{"Bottom", "<bottom>x", "x", Valign, 2},
        StyleCase{"Strike", "<strike>x", "x", Strikeout, 1},
        StyleCase{"Justify", "<justify>x", "x", Align, 3},
        StyleCase{"ColorNameIsCaseSensitive", "<font color=Red>x", "x", Color, 0x000000},
        StyleCase{"ColorName", "<font color=red>x", "x", Color, 0x0000FF},
        StyleCase{"ShortHexKeeps", "<font color=#f90>x", "x", Color, 0x000000},
        StyleCase{"Hex", "<font color=#ff9900>x", "x", Color, 0x0099FF},
        StyleCase{"DecimalIsTheValue", "<font color=255>x", "x", Color, 0x0000FF},
        StyleCase{"HexNumberIsTheValue", "<font color=0xff0000>x", "x", Color, 0xFF0000},
        StyleCase{"QuotedValue", "<font color='green' size=\"3\">x", "x", Color, 0x008000},
        StyleCase{"SizeTable", "<font size=3>x", "x", Size, 12},
        StyleCase{"SizeBeyondTable", "<font size=8>x", "x", Size, 8},
        StyleCase{"SizePercent", "<font size=200%>x", "x", Size, 26},
        StyleCase{"SizePoints", "<font size=12pt>x", "x", Size, 16},
        StyleCase{"SizeEm", "<font size=2em>x", "x", Size, 26},
        StyleCase{"SizeInch", "<font size=1in>x", "x", Size, 96},
        StyleCase{"SizeCm", "<font size=1cm>x", "x", Size, 37},
        StyleCase{"SizeOctal", "<font size=010>x", "x", Size, 8},
        StyleCase{"SizeNotANumber", "<font size=big>x", "x", Size, 0},
        StyleCase{"SignDropped", "<font size=-20px>x", "x", Size, 20},
        StyleCase{"PercentOfPercent", "<small><big>x", "x", Size, 13},
        StyleCase{"StyleLetters", "<font style=bius>x", "x", Strikeout, 1},
        StyleCase{"StyleClears", "<u><font style=-u>x", "x", Underline, 0},
        StyleCase{"StyleSignResets", "<font style=-uo>x", "x", Overline, 1},
        StyleCase{"StyleBold", "<font style=b>x", "x", Weight, 700},
        StyleCase{"WeightKeyword", "<font weight=lighter>x", "x", Weight, 100},
        StyleCase{"WeightNumber", "<font weight=600>x", "x", Weight, 600},
        StyleCase{"Background", "<font bkgnd=yellow>x", "x", BackColor, 0x00FFFF},
        StyleCase{"BackgroundOpaque", "<font bkgnd=yellow>x", "x", BackMode, 2},
        StyleCase{"BackgroundTransparent", "<font bkgnd=yellow><font bkgnd=transparent>x", "x",
                  BackMode, 1},
        StyleCase{"LinkWithoutTarget", "<a>x</a>", "x", LinkKind, 2},
        StyleCase{"ShellLink", "<a href=\"http://example.com/\">x</a>", "x", LinkKind, 1},
        StyleCase{"LinkStyle", "<a href=x>x</a>", "x", Color, 0xFF0000},
        StyleCase{"LinkClosed", "<a href=x>x</a>y", "y", LinkKind, 0},
        StyleCase{"Heading", "<h2>x</h2>", "x", Color, 0x0099FF},
        StyleCase{"HeadingSize", "<h1>x</h1>", "x", Size, 18},
        StyleCase{"Sub", "<sub>x</sub>", "x", Valign, 2},
        StyleCase{"PreBackground", "<pre>x</pre>", "x", BackMode, 2},
        StyleCase{"DefaultSpanClass", "<span class=cpp-comment>x</span>", "x", Italic, 1},
        // With the style sheet of the test: the case's markup is a declaration of ".x".
        StyleCase{"SheetSizeTable", "font-size: 3", "x", Size, 12, true},
        StyleCase{"SheetPointsWithSpace", "font-size: 10pt ;", "x", Size, 10, true},
        StyleCase{"SheetPoints", "font-size:10pt;", "x", Size, 13, true},
        StyleCase{"SheetColorName", "color:Red", "x", Color, 0x0000FF, true},
        StyleCase{"DecorationUnderlineNone", "text-decoration: underline none", "x", Underline, 0,
                  true},
        StyleCase{"DecorationNoneUnderline", "text-decoration: none underline", "x", Underline, 1,
                  true},
        StyleCase{"SpanClass", "font-weight: bolder; font-style: oblique", "x", Italic, 1, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MarkupTest, StyleSheetEntriesAreParsedAndLookedUpInLowerCase) {
  drawer_.SetCssStyles("P.Note {color: Red}  junk{x} .A{a}\nb {first} b {second} broken {x");
  EXPECT_EQ(drawer_.GetCssStyle("p.note"), "color: Red");
  EXPECT_EQ(drawer_.GetCssStyle("P.NOTE"), "color: Red");
  EXPECT_EQ(drawer_.GetCssStyle("junk"), "x");
  EXPECT_EQ(drawer_.GetCssStyle(".a"), "a");
  EXPECT_EQ(drawer_.GetCssStyle("b"), "second");
  EXPECT_EQ(drawer_.GetCssStyle("broken"), std::nullopt);
  EXPECT_EQ(drawer_.GetCssStyle("body"), std::nullopt);

  drawer_.SetCssStyles();
  EXPECT_EQ(drawer_.GetCssStyle("h2"),
            "font-size: 13pt; color:#ff9900; font-family:Verdana; font-weight:bold");
  EXPECT_EQ(drawer_.GetCssStyle("pre"),
            "font-size: 9pt; font-family:\"Courier\"; background-color:#fbedbb");
  EXPECT_EQ(drawer_.GetCssStyle(".cpp-comment"), "color:green; font-style:italic");
}

TEST_F(MarkupTest, ColourNamesAreExactAndReplaceable) {
  EXPECT_EQ(drawer_.GetColorByName("gold", 1), RGB(0xff, 0xd7, 0x00));
  EXPECT_EQ(drawer_.GetColorByName("lightgrey", 1), RGB(0xd3, 0xd3, 0xd3));
  EXPECT_EQ(drawer_.GetColorByName("lightgray", 1), 1u);
  EXPECT_EQ(drawer_.GetColorByName("Gold", 1), 1u);
  EXPECT_EQ(drawer_.GetColorByName("yellowgreen", 1), RGB(0x9a, 0xcd, 0x32));
  EXPECT_EQ(drawer_.GetColorByName("buttonshadow", 1), gdi::GetSysColor(gdi::COLOR_BTNSHADOW));
  EXPECT_EQ(drawer_.GetColorByName("infobackground", 1), gdi::GetSysColor(gdi::COLOR_INFOBK));

  drawer_.SetColorName("Brand", RGB(1, 2, 3));
  drawer_.SetColorName("gold", RGB(4, 5, 6));
  EXPECT_EQ(drawer_.GetColorByName("Brand", 1), RGB(1, 2, 3));
  EXPECT_EQ(drawer_.GetColorByName("gold", 1), RGB(4, 5, 6));
  Render("<font color=Brand>x");
  ASSERT_EQ(pieces_.size(), 1u);
  EXPECT_EQ(pieces_[0].style.textColor, RGB(1, 2, 3));
}

TEST_F(MarkupTest, DisabledOutputPaintsEveryColourInTheDisabledColour) {
  drawer_.EnableOutput(false);
  drawer_.SetDisabledColor(RGB(9, 9, 9));
  EXPECT_EQ(drawer_.GetColorByName("red", 1), RGB(9, 9, 9));
  EXPECT_EQ(drawer_.GetColorByName("nosuchname", 1), RGB(9, 9, 9));
  Render("a<font color=#ff0000 bkgnd=yellow>b</font><pre>c</pre>");
  ASSERT_EQ(pieces_.size(), 3u);
  for (const Piece& piece : pieces_) {
    EXPECT_EQ(piece.style.textColor, RGB(9, 9, 9)) << piece.text;
    EXPECT_EQ(piece.style.backMode, 1) << piece.text;
  }
}

TEST_F(MarkupTest, HoveredLinkTakesTheHoverEntry) {
  Render("<a href=a>one</a> <a href=b>two</a>");
  ASSERT_EQ(drawer_.HotAreas().size(), 2u);
  const CMarkupDrawer::HotArea second = drawer_.HotAreas()[1];
  EXPECT_EQ(second.link, 1);
  drawer_.OnSetCursor({second.left, second.top});
  EXPECT_EQ(drawer_.HoveredLink(), 1);
  Render("<a href=a>one</a> <a href=b>two</a>");
  ASSERT_EQ(pieces_.size(), 3u);
  EXPECT_EQ(pieces_[0].style.underline, 0);
  EXPECT_EQ(pieces_[2].text, "two");
  EXPECT_EQ(pieces_[2].style.underline, 1);
}

TEST_F(MarkupTest, TransformsChangeLettersOnly) {
  drawer_.SetCssStyles(
      "body {font-family: DejaVu Sans} .u {text-transform: uppercase} "
      ".l {text-transform: lowercase} .c {text-transform: capitalize}");
  Render(
      "<span class=u>ab\xC3\xA9</span>|<span class=l>AB</span>|<span class=c>hELLO wORLD</span>");
  EXPECT_EQ(Text(), "AB\xC3\xA9|ab|Hello World");
}

struct TableAttributeCase {
  const char* name;
  const char* attributes;
  bool isTable;
  std::function<int(const TextStyle&)> field;
  int expected;
};

class TableAttributeTest : public MarkupTest,
                           public testing::WithParamInterface<TableAttributeCase> {};

TEST_P(TableAttributeTest, ReadsIntoTheStyle) {
  const TableAttributeCase& c = GetParam();
  TextStyle style;
  drawer_.ApplyTableAttributes(style, c.attributes, c.isTable);
  EXPECT_EQ(c.field(style), c.expected);
}

int BorderWidth(const TextStyle& s) { return s.borderWidth; }
int BorderStyle(const TextStyle& s) { return s.borderStyle; }
int BackEffect(const TextStyle& s) { return s.backEffect; }
int Margin(const TextStyle& s) { return s.margin; }
int Padding(const TextStyle& s) { return s.padding; }
int BorderDark(const TextStyle& s) { return static_cast<int>(s.borderDark); }
int CellWidth(const TextStyle& s) { return s.width; }

INSTANTIATE_TEST_SUITE_P(
    Cases, TableAttributeTest,
    testing::Values(
        TableAttributeCase{"TableBorder", "border=3", true, BorderWidth, 3},
        TableAttributeCase{"TableBorderSolid", "border=3", true, BorderStyle, 1},
        TableAttributeCase{"CellBorderIsOnePixel", "border=3", false, BorderWidth, 1},
        TableAttributeCase{"DottedIsOnePixel", "border=3 borderstyle=dotted", true, BorderWidth, 1},
        TableAttributeCase{"DoubleIsOnePixel", "border=2 borderstyle=double", true, BorderWidth, 1},
        TableAttributeCase{"StyleAloneGivesWidth", "borderstyle=dashed", true, BorderWidth, 1},
        TableAttributeCase{"NoBorder", "borderstyle=solid border=0", true, BorderStyle, 0},
        TableAttributeCase{"BgcolorMakesSolid", "bgcolor=red", true, BackEffect, 0},
        TableAttributeCase{"EffectKeyword", "bgcolor=red bgeffect=metal", true, BackEffect, 15},
        TableAttributeCase{"EffectNumber", "bgeffect=7", false, BackEffect, 7},
        TableAttributeCase{"EffectTransparent", "bgcolor=red bgeffect=transparent", true,
                           BackEffect, -1},
        TableAttributeCase{"CellPadding", "cellpadding=5", true, Margin, 5},
        TableAttributeCase{"CellSpacing", "cellspacing=4", true, Padding, 4},
        TableAttributeCase{"PaddingOnlyOnTables", "cellpadding=5", false, Margin, 2},
        TableAttributeCase{"DarkEdge", "bordercolor=red bordercolordark=blue", true, BorderDark,
                           0xFF0000},
        TableAttributeCase{"Width", "width=100", false, CellWidth, 100}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MarkupTest, CellSpansAndDisabledBackgrounds) {
  TextStyle style;
  int colspan = 0;
  int rowspan = 0;
  drawer_.ApplyTableAttributes(style, "colspan=2 rowspan=3", false, &colspan, &rowspan);
  EXPECT_EQ(colspan, 2);
  EXPECT_EQ(rowspan, 3);
  drawer_.ApplyTableAttributes(style, "colspan=2", true, &colspan, &rowspan);
  EXPECT_EQ(colspan, 1);

  drawer_.EnableOutput(false);
  drawer_.SetDisabledColor(RGB(7, 7, 7));
  TextStyle disabled;
  drawer_.ApplyTableAttributes(disabled, "bgcolor=red bgeffect=metal bordercolor=blue", true);
  EXPECT_EQ(disabled.backEffect, -1);
  EXPECT_EQ(disabled.backColor, RGB(255, 255, 255));
  EXPECT_EQ(disabled.borderLight, RGB(7, 7, 7));
}

TEST(MarkupImageSource, KindAndValue) {
  std::string kind;
  std::string value;
  ASSERT_TRUE(CMarkupDrawer::ParseImageSource("idres:129", &kind, &value));
  EXPECT_EQ(kind, "idres");
  EXPECT_EQ(value, "129");
  ASSERT_TRUE(CMarkupDrawer::ParseImageSource(" file : \"a b.bmp\"", &kind, &value));
  EXPECT_EQ(kind, "file");
  EXPECT_EQ(value, "a b.bmp");
  ASSERT_TRUE(CMarkupDrawer::ParseImageSource("iddll:12;x", &kind, &value));
  EXPECT_EQ(value, "12");
  EXPECT_FALSE(CMarkupDrawer::ParseImageSource("f:abc", &kind, &value));
}

}  // namespace
}  // namespace markup_test
