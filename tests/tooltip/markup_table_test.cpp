// Tables of the markup: the grid the measuring pass builds, column widths and row heights
// with spans, where the drawing pass puts every cell (stretched, aligned, bordered), what it
// paints, nested tables, and the bounds that keep a hostile text in check.

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "tooltip/markup_fixture.h"

namespace markup_test {
namespace {

using gdi::RECT;
using gdi::RGB;

class MarkupTableTest : public MarkupTest {
 protected:
  // The measured size without the extra pixel PrepareOutput adds.
  gdi::SIZE Measure(std::string_view markup) {
    pieces_.clear();
    image_.fill(Qt::white);
    gdi::SIZE size = drawer_.PrepareOutput(&dc_, markup);
    return {size.cx - 1, size.cy - 1};
  }

  // Measures, then draws into a rectangle `width` wide (the measured width when 0).
  gdi::SIZE Draw(std::string_view markup, int width = 0, int left = 0) {
    const gdi::SIZE size = Measure(markup);
    drawer_.DrawPreparedOutput(&dc_, {left, 0, left + (width ? width : size.cx), size.cy});
    return size;
  }

  // The rectangles of the cells the drawing pass laid out, table `n`, in grid order.
  std::vector<RECT> CellRects(std::size_t n = 0) const {
    std::vector<RECT> rects;
    for (const CellInfo& cell : drawer_.Tables().at(n).grid) {
      if (cell.colspan > 0) rects.push_back(cell.rect);
    }
    return rects;
  }

  const TableInfo& Table(std::size_t n = 0) const { return drawer_.Tables().at(n); }

  gdi::COLORREF Pixel(int x, int y) const {
    const QRgb rgb = image_.pixel(x, y);
    return RGB(qRed(rgb), qGreen(rgb), qBlue(rgb));
  }

  // Where a piece of text was written.
  gdi::POINT At(std::string_view text) const {
    for (const Piece& piece : pieces_) {
      if (piece.text == text) return {piece.x, piece.y};
    }
    ADD_FAILURE() << "no piece " << text;
    return {-1, -1};
  }
};

// The body font is 13 pixels high; a cell's padding is 2 unless cellpadding says otherwise.
constexpr int kLine = 13;

TEST_F(MarkupTableTest, TwoCellsMeasureTheirTextPlusPadding) {
  const int a = Width("a") + 4;
  const int b = Width("b") + 4;
  EXPECT_EQ(Draw("<table><tr><td>a</td><td>b</td></tr></table>"),
            (gdi::SIZE{a + 1 + b, kLine + 4}));
  ASSERT_EQ(drawer_.Tables().size(), 1u);
  EXPECT_EQ(Table().rows, 1);
  EXPECT_EQ(Table().columns, 2);
  EXPECT_EQ(Table().columnWidths, (std::vector<int>{a, b}));
  EXPECT_EQ(Table().rowHeights, (std::vector<int>{kLine + 4}));
  EXPECT_EQ(CellRects(), (std::vector<RECT>{{0, 0, a, 17}, {a + 1, 0, a + 1 + b, 17}}));
  EXPECT_EQ(At("a"), (gdi::POINT{2, 2}));
  EXPECT_EQ(At("b"), (gdi::POINT{a + 3, 2}));
}

// A cell spanning two columns widens them only when its text is wider than their sum; the
// shortfall to its full width is shared, the last column taking the remainder.
struct ColspanCase {
  const char* heading;
};

class ColspanTest : public MarkupTableTest, public testing::WithParamInterface<ColspanCase> {};

TEST_P(ColspanTest, WidensItsColumnsOnlyWhenWider) {
  const std::string heading = GetParam().heading;
  Draw("<table><tr><td colspan=2>" + heading + "</td></tr><tr><td>a</td><td>b</td></tr></table>");
  int a = Width("a") + 4;
  int b = Width("b") + 4;
  const int text = Width(heading);
  if (text > a + b) {
    const int shortfall = text + 4 - (a + b);
    a += shortfall / 2;
    b += shortfall / 2 + shortfall % 2;
  }
  EXPECT_EQ(Table().columnWidths, (std::vector<int>{a, b}));
  EXPECT_EQ(CellRects(),
            (std::vector<RECT>{{0, 0, a + 1 + b, 17}, {0, 18, a, 35}, {a + 1, 18, a + 1 + b, 35}}));
}

INSTANTIATE_TEST_SUITE_P(Cases, ColspanTest,
                         testing::Values(ColspanCase{"x"}, ColspanCase{"ab"},
                                         ColspanCase{"A long heading"},
                                         ColspanCase{"Wider again, odd"}));

TEST_F(MarkupTableTest, RowspanSharesItsShortfallFirstRowFirst) {
  Draw("<table><tr><td rowspan=2>a<br>b<br>c</td><td>x</td></tr><tr><td>y</td></tr></table>");
  // 3 lines + padding = 43 against 17 + 17: 9 more, 4 each and the remainder to the first.
  EXPECT_EQ(Table().rowHeights, (std::vector<int>{22, 21}));
  const int a = Width("a") + 4;
  const int x = Width("x") + 4;
  EXPECT_EQ(Table().columnWidths, (std::vector<int>{a, x}));
  // "y" finds its row's first place covered and moves to the second column.
  EXPECT_EQ(
      CellRects(),
      (std::vector<RECT>{{0, 0, a, 44}, {a + 1, 0, a + 1 + x, 22}, {a + 1, 23, a + 1 + x, 44}}));
}

TEST_F(MarkupTableTest, StretchingGivesTheDifferenceToFreeColumnsLeftToRight) {
  const std::string markup =
      "<table><tr><td>a</td><td width=50>b</td><td>c</td><td>d</td></tr></table>";
  const gdi::SIZE size = Measure(markup);
  const std::vector<int> measured = Table().columnWidths;
  EXPECT_EQ(measured[1], 54);
  EXPECT_EQ(Table().fixedColumns, (std::vector<int>{0, 1, 0, 0}));
  drawer_.DrawPreparedOutput(&dc_, {0, 0, size.cx + 11, size.cy});
  // 11 over three free columns: 11 / 3, then 8 / 2, then the last 4.
  EXPECT_EQ(Table().columnWidths,
            (std::vector<int>{measured[0] + 3, 54, measured[2] + 4, measured[3] + 4}));
  EXPECT_EQ(CellRects().back().right, size.cx + 11);
  // The widths given out are kept: a second pass into the same rectangle adds nothing.
  drawer_.DrawPreparedOutput(&dc_, {0, 0, size.cx + 11, size.cy});
  EXPECT_EQ(CellRects().back().right, size.cx + 11);
}

// A table of fixed columns only is not stretched; its align places it.
struct AlignCase {
  const char* align;
  int left;
};

class FixedTableAlignTest : public MarkupTableTest,
                            public testing::WithParamInterface<AlignCase> {};

TEST_P(FixedTableAlignTest, PlacesTheTable) {
  Draw(std::string("<table align=") + GetParam().align +
           "><tr><td width=100>a</td><td width=20>b</td></tr></table>",
       300, 10);
  EXPECT_EQ(Table().columnWidths, (std::vector<int>{104, 24}));
  const int left = 10 + GetParam().left;
  EXPECT_EQ(CellRects(),
            (std::vector<RECT>{{left, 0, left + 104, 17}, {left + 105, 0, left + 129, 17}}));
}

// 104 + 1 + 24 = 129 of 300.
INSTANTIATE_TEST_SUITE_P(Cases, FixedTableAlignTest,
                         testing::Values(AlignCase{"left", 0}, AlignCase{"center", 85},
                                         AlignCase{"right", 171}));

TEST_F(MarkupTableTest, VerticalAlignmentPlacesShortContentInATallRow) {
  Draw(
      "<table><tr><td>a<br>b<br>c</td><td>t</td><td valign=middle>m</td>"
      "<td valign=bottom>z</td></tr></table>");
  EXPECT_EQ(Table().rowHeights, (std::vector<int>{3 * kLine + 4}));
  // Content area 2..41: the default (baseline) and top start at 2.
  EXPECT_EQ(At("t").y, 2);
  EXPECT_EQ(At("m").y, 2 + (39 - kLine) / 2);
  // Bottom moves the content area's top to 41 - 13; the text then sits on the line's bottom
  // by its ascent (10), as bottom-aligned text does.
  EXPECT_EQ(At("z").y, 41 - kLine + (kLine - 10));
}

TEST_F(MarkupTableTest, SpacingPaddingAndBorderPlaceTheCells) {
  const gdi::SIZE size =
      Draw("<table border=2 cellspacing=3 cellpadding=1><tr><td>a</td><td>b</td></tr></table>");
  // The cells inherit the table's border, one pixel wide in a cell.
  const int a = Width("a") + 4;
  const int b = Width("b") + 4;
  EXPECT_EQ(size, (gdi::SIZE{3 + 1 + (a + 3) + (b + 3) + 4, 3 + (kLine + 4 + 3) + 4}));
  EXPECT_EQ(CellRects(), (std::vector<RECT>{{5, 5, 5 + a, 22}, {5 + a + 4, 5, 5 + a + 4 + b, 22}}));
  EXPECT_EQ(At("a"), (gdi::POINT{7, 7}));
  // A 2-pixel frame, then the spacing, then the cell's own 1-pixel frame.
  EXPECT_EQ(Pixel(0, 10), RGB(0, 0, 0));
  EXPECT_EQ(Pixel(1, 10), RGB(0, 0, 0));
  EXPECT_EQ(Pixel(2, 10), RGB(255, 255, 255));
  EXPECT_EQ(Pixel(4, 10), RGB(255, 255, 255));
  EXPECT_EQ(Pixel(5, 10), RGB(0, 0, 0));
  EXPECT_EQ(Pixel(6, 10), RGB(255, 255, 255));
}

TEST_F(MarkupTableTest, DoubleBorderIsOnePixelWithThreeToTheCells) {
  const gdi::SIZE size = Draw("<table border=2 borderstyle=double><tr><td>a</td></tr></table>");
  // The cell inherits the double border: one pixel, two lines, padding inside it.
  const int a = Width("a") + 6;
  EXPECT_EQ(size, (gdi::SIZE{a + 6, kLine + 6 + 6}));
  EXPECT_EQ(CellRects(), (std::vector<RECT>{{3, 3, 3 + a, 3 + kLine + 6}}));
  EXPECT_EQ(At("a"), (gdi::POINT{6, 6}));
  EXPECT_EQ(Pixel(0, 10), RGB(0, 0, 0));
  EXPECT_EQ(Pixel(1, 10), RGB(255, 255, 255));
  EXPECT_EQ(Pixel(2, 10), RGB(0, 0, 0));
  EXPECT_EQ(Pixel(3, 10), RGB(0, 0, 0));
  EXPECT_EQ(Pixel(4, 10), RGB(255, 255, 255));
  // Right and bottom edges run on the rectangle's right and bottom coordinates.
  EXPECT_EQ(Pixel(size.cx, 10), RGB(0, 0, 0));
  EXPECT_EQ(Pixel(size.cx - 1, 10), RGB(255, 255, 255));
  EXPECT_EQ(Pixel(size.cx - 2, 10), RGB(0, 0, 0));
}

TEST_F(MarkupTableTest, TableAndCellBordersSwapTheirLightAndDarkEdges) {
  const gdi::SIZE size = Draw(
      "<table border=1 bordercolorlight=red bordercolordark=blue cellspacing=2>"
      "<tr><td border=1 bordercolorlight=red bordercolordark=blue>a</td></tr></table>");
  const RECT cell = CellRects().at(0);
  EXPECT_EQ(cell.left, 3);
  EXPECT_EQ(Pixel(0, 8), RGB(255, 0, 0));
  EXPECT_EQ(Pixel(size.cx, 8), RGB(0, 0, 255));
  EXPECT_EQ(Pixel(cell.left, 8), RGB(0, 0, 255));
  EXPECT_EQ(Pixel(cell.right, 8), RGB(255, 0, 0));
  // A cell's border takes one pixel of its content area as well as its padding.
  EXPECT_EQ(At("a"), (gdi::POINT{cell.left + 3, cell.top + 3}));
}

TEST_F(MarkupTableTest, DisabledOutputDrawsBordersInTheDisabledColourAndNoBackground) {
  drawer_.SetDisabledColor(RGB(0, 128, 0));
  drawer_.EnableOutput(false);
  const gdi::SIZE size =
      Draw("<table border=1 bordercolor=red bgcolor=blue><tr><td>a</td></tr></table>");
  EXPECT_EQ(Pixel(0, 8), RGB(0, 128, 0));
  EXPECT_EQ(Pixel(size.cx, 8), RGB(0, 128, 0));
  EXPECT_EQ(Pixel(4, 4), RGB(255, 255, 255));
}

TEST_F(MarkupTableTest, BackgroundsFillTableAndCells) {
  const gdi::SIZE size = Draw(
      "<table bgcolor=red cellspacing=4><tr><td bgcolor=lime width=20 height=20></td></tr>"
      "</table>");
  EXPECT_EQ(size, (gdi::SIZE{4 + 24 + 4, 4 + 24 + 4}));
  EXPECT_EQ(Pixel(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(Pixel(5, 5), RGB(0, 255, 0));
  EXPECT_EQ(Pixel(27, 27), RGB(0, 255, 0));
  EXPECT_EQ(Pixel(28, 28), RGB(255, 0, 0));
}

TEST_F(MarkupTableTest, GradientBackgroundRunsFromBeginToEndColour) {
  const gdi::SIZE size = Draw(
      "<table bgeffect=hgradient bgcolor=red bgendcolor=blue><tr><td width=200 height=10>"
      "</td></tr></table>");
  const gdi::COLORREF left = Pixel(0, 5);
  const gdi::COLORREF right = Pixel(size.cx - 1, 5);
  EXPECT_GT(gdi::GetRValue(left), 200);
  EXPECT_LT(gdi::GetBValue(left), 60);
  EXPECT_GT(gdi::GetBValue(right), 200);
  EXPECT_LT(gdi::GetRValue(right), 60);
}

TEST_F(MarkupTableTest, BackgroundImageIsTiledFromTheTopLeftCorner) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QImage tile(3, 2, QImage::Format_RGB32);
  tile.fill(qRgb(0, 0, 255));
  tile.setPixel(0, 0, qRgb(255, 0, 0));
  const QString path = dir.filePath("tile.png");
  ASSERT_TRUE(tile.save(path));
  Draw("<table background=\"file:" + path.toStdString() +
       "\"><tr><td width=10 height=10></td></tr></table>");
  EXPECT_EQ(Pixel(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(Pixel(1, 0), RGB(0, 0, 255));
  EXPECT_EQ(Pixel(3, 2), RGB(255, 0, 0));
  EXPECT_EQ(Pixel(12, 12), RGB(255, 0, 0));
  // Disabled output draws no background image.
  drawer_.EnableOutput(false);
  Draw("<table background=\"file:" + path.toStdString() +
       "\"><tr><td width=10 height=10></td></tr></table>");
  EXPECT_EQ(Pixel(0, 0), RGB(255, 255, 255));
}

TEST_F(MarkupTableTest, NestedTableIsLaidOutInItsCellAndCountsNext) {
  Draw(
      "<table><tr><td>a</td><td><table border=1><tr><td>b</td></tr></table></td></tr></table>"
      "<table><tr><td>c</td></tr></table>");
  ASSERT_EQ(drawer_.Tables().size(), 3u);
  const int a = Width("a") + 4;
  // The inner cell has its table's 1-pixel border; the inner table adds its frame.
  const int innerCell = Width("b") + 6;
  const int inner = innerCell + 2;
  const int innerHeight = kLine + 6 + 2;
  EXPECT_EQ(Table(0).columnWidths, (std::vector<int>{a, inner + 4}));
  EXPECT_EQ(Table(0).rowHeights, (std::vector<int>{innerHeight + 4}));
  const RECT outer = CellRects(0).at(1);
  EXPECT_EQ(outer, (RECT{a + 1, 0, a + 1 + inner + 4, innerHeight + 4}));
  // The inner table fills the outer cell's content area: its cell starts 2 + 1 inside.
  EXPECT_EQ(CellRects(1),
            (std::vector<RECT>{{outer.left + 3, 3, outer.left + 3 + innerCell, 3 + kLine + 6}}));
  EXPECT_EQ(At("b"), (gdi::POINT{outer.left + 6, 6}));
  // The table after it starts below the first.
  EXPECT_EQ(CellRects(2).at(0).top, innerHeight + 4);
  EXPECT_EQ(At("c").y, innerHeight + 6);
}

TEST_F(MarkupTableTest, TablesAreFoundByTheEscapeRuleAndCloseAtTheTextEnd) {
  // No "</table>": the table runs to the end of the text.
  Draw("<table><tr><td>a</td><td>b");
  ASSERT_EQ(drawer_.Tables().size(), 1u);
  EXPECT_EQ(Table().columns, 2);
  EXPECT_EQ(Text(), "ab");
  // An escaped "<" starts no table, and the new text leaves no table records behind.
  Draw("a<<table>b");
  EXPECT_EQ(Text(), "a<table>b");
  EXPECT_TRUE(drawer_.Tables().empty());
  // Text after a table's "</table>" follows below it.
  Draw("<table><tr><td>a</td></tr></table>z");
  EXPECT_EQ(At("z"), (gdi::POINT{0, kLine + 4}));
}

// Spans that reach past the grid are cut at its edge, and a cell never covers a place another
// cell already holds.
TEST_F(MarkupTableTest, SpansStopAtTheTableEdgeAndAtCoveredPlaces) {
  Draw(
      "<table><tr><td rowspan=9>a</td><td>b</td></tr>"
      "<tr><td colspan=2>c</td></tr></table>");
  EXPECT_EQ(Table().columns, 2);
  EXPECT_EQ(Table().Cell(0, 0).rowspan, 2);
  EXPECT_EQ(Table().Cell(1, 1).colspan, 1);
  const std::vector<RECT> rects = CellRects();
  ASSERT_EQ(rects.size(), 3u);
  EXPECT_EQ(rects[2].left, rects[1].left);
  EXPECT_EQ(rects[2].right, rects[1].right);
  // Both spans of one cell cover its whole block.
  Draw(
      "<table><tr><td colspan=2 rowspan=2>a</td><td>b</td></tr>"
      "<tr><td>c</td></tr></table>");
  EXPECT_EQ(Table().Cell(1, 1).colspan, -1);
  EXPECT_EQ(Table().Cell(1, 2).colspan, 1);
}

// A spanning cell whose columns hold its width but not its border and padding is drawn with
// the room its text was measured in, so wrapping does not break its lines anew.
TEST_F(MarkupTableTest, SpanningCellKeepsTheRoomItsTextWasMeasuredIn) {
  drawer_.SetMaxWidth(300);
  std::string text;
  for (const char* candidate : {"aaaaaa", "aaaaaaa", "abcdefg", "mmmmm", "wwwww", "xxxxxxx"}) {
    if (Width(candidate) > 43 && Width(candidate) <= 46) text = candidate;
  }
  ASSERT_FALSE(text.empty());
  Draw("<table><tr><td colspan=2 border=1 width=46>" + text +
       "</td></tr><tr><td width=20>a</td><td width=20>b</td></tr></table>");
  // Two columns of 24 hold the 46 pixels; the cell's content area is 48 + 1 - 6 wide.
  EXPECT_EQ(Table().columnWidths, (std::vector<int>{24, 24}));
  ASSERT_EQ(pieces_.size(), 3u);
  EXPECT_EQ(pieces_[0].text, text);
}

struct BoundCase {
  const char* markup;
  int rows;
  int columns;
};

class TableBoundTest : public MarkupTableTest, public testing::WithParamInterface<BoundCase> {};

TEST_P(TableBoundTest, HasASoundGrid) {
  Draw(GetParam().markup);
  ASSERT_FALSE(drawer_.Tables().empty());
  EXPECT_EQ(Table().rows, GetParam().rows);
  EXPECT_EQ(Table().columns, GetParam().columns);
  for (const CellInfo& cell : Table().grid) {
    EXPECT_GE(cell.fullWidth, 0);
    EXPECT_GE(cell.fullHeight, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TableBoundTest,
    testing::Values(BoundCase{"<table><tr><td colspan=0>a</td></tr></table>", 1, 1},
                    BoundCase{"<table><tr><td colspan=100000>a</td></tr></table>", 1, 256},
                    BoundCase{"<table><tr><td rowspan=100000>a</td></tr></table>", 1, 1},
                    BoundCase{"<table><tr></tr><tr></tr></table>", 2, 0},
                    BoundCase{"<table></table>", 0, 0},
                    BoundCase{"<table><tr><td width=99999999 height=-99999999>a</td></tr>"
                              "</table>",
                              1, 1}));

TEST_F(MarkupTableTest, RowsWithoutCellsMeasureNoNegativeSize) {
  EXPECT_EQ(Measure("<table><tr></tr></table>x"), (gdi::SIZE{Width("x"), kLine}));
}

TEST_F(MarkupTableTest, VeryDeepNestingStopsAtABoundAndKeepsTheText) {
  std::string markup;
  for (int i = 0; i < 200; ++i) markup += "<table><tr><td>";
  markup += "deep";
  for (int i = 0; i < 200; ++i) markup += "</td></tr></table>";
  Draw(markup);
  EXPECT_EQ(drawer_.Tables().size(), 16u);
  EXPECT_EQ(Text(), "deep");
}

}  // namespace
}  // namespace markup_test
