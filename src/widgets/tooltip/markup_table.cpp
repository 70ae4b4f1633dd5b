// Tables of the markup: where they are found in the text, how the measuring pass sizes their
// grid and how the drawing pass stretches and paints them. Cell contents go through the
// paragraph routine; a table inside a cell comes back here.

#include <QFile>
#include <QImage>

#include <algorithm>
#include <climits>
#include <memory>

#include "resources.h"
#include "widgets/tooltip/markup_drawer.h"
#include "widgets/tooltip/markup_text.h"

using gdi::RECT;
using gdi::SIZE;
using markup::Sat;
using markup::TrimLeft;

namespace {

constexpr std::string_view kTable = "<table";
constexpr std::string_view kTableClose = "</table";
constexpr std::string_view kRow = "<tr";
constexpr std::string_view kRowClose = "</tr";
constexpr std::string_view kCell = "<td";
constexpr std::string_view kCellClose = "</td";

// Bounds that keep a hostile text from asking for a huge grid or a deep recursion; tips
// need far less. Deeper tables read as text, rows past the grid's room are left out.
constexpr int kMaxSpan = 256;
constexpr int kMaxColumns = 256;
constexpr long long kMaxCells = 65536;
constexpr int kMaxTableDepth = 16;
// Cell sizes stay far from overflow however many of them add up.
constexpr int kMaxCellSide = 1 << 20;

// The attribute text of the tag at the start of `text` and where its content starts; a tag
// without ">" has no content.
std::string_view TagAttributes(std::string_view text, std::size_t* contentStart) {
  const std::size_t close = text.find('>');
  const std::string_view tag =
      text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
  *contentStart = close == std::string_view::npos ? text.size() : close + 1;
  const std::size_t split = std::min(tag.find_first_of(" ="), tag.size());
  return TrimLeft(tag.substr(split));
}

// Sum of `count` entries from `first`, each plus `extra`.
long long Sum(const std::vector<int>& values, int first, int count, long long extra) {
  long long sum = 0;
  for (int k = first; k < first + count; ++k) sum += values[static_cast<std::size_t>(k)] + extra;
  return sum;
}

// "<<" is a literal "<", so the "<" after it starts nothing.
std::size_t FindTagIn(std::string_view text, std::size_t from, std::string_view tag) {
  for (std::size_t at = text.find(tag, from); at != std::string_view::npos;
       at = text.find(tag, at + 1)) {
    if (at == 0 || text[at - 1] != '<') return at;
  }
  return std::string_view::npos;
}

// A table that is never closed runs to the end of the text.
std::size_t TableEnd(std::string_view text, std::size_t start) {
  int depth = 1;
  std::size_t pos = start + kTable.size();
  while (true) {
    const std::size_t open = FindTagIn(text, pos, kTable);
    const std::size_t close = FindTagIn(text, pos, kTableClose);
    if (close == std::string_view::npos) return text.size();
    if (open < close) {
      ++depth;
      pos = open + kTable.size();
      continue;
    }
    if (--depth == 0) return close;
    pos = close + kTableClose.size();
  }
}

// The next tag that is not inside a nested table.
std::size_t FindAtLevel(std::string_view text, std::size_t from, std::string_view tag) {
  std::size_t pos = from;
  while (true) {
    const std::size_t found = FindTagIn(text, pos, tag);
    // Only the stretch before the tag can hold a nested table to skip.
    const std::size_t limit = found == std::string_view::npos ? text.size() : found;
    const std::size_t nested = FindTagIn(text.substr(0, limit), pos, kTable);
    if (nested == std::string_view::npos) return found;
    const std::size_t end = TableEnd(text, nested);
    if (end >= text.size()) return std::string_view::npos;
    pos = end + kTableClose.size();
  }
}

// A row without its "</tr" ends with the table text.
std::size_t RowEnd(std::string_view text, std::size_t start) {
  int depth = 1;
  std::size_t pos = start + kRow.size();
  while (true) {
    const std::size_t close = FindAtLevel(text, pos, kRowClose);
    if (close == std::string_view::npos) return text.size();
    const std::size_t open = FindAtLevel(text.substr(0, close), pos, kRow);
    if (open != std::string_view::npos) {
      ++depth;
      pos = open + kRow.size();
      continue;
    }
    if (--depth == 0) return close;
    pos = close + kRowClose.size();
  }
}

// Calls fn(row text) for the rows of a table text, at most `limit` of them; rows are the
// "<tr" of the table's own level, one after the other.
template <typename Fn>
void ForEachRow(std::string_view table, int limit, Fn fn) {
  std::size_t pos = kTable.size();
  for (int r = 0; r < limit; ++r) {
    const std::size_t row = FindAtLevel(table, pos, kRow);
    if (row == std::string_view::npos) return;
    fn(table.substr(row, RowEnd(table, row) - row));
    pos = row + kRow.size();
  }
}

// Calls fn(cell text) for the cells of a row text; a cell without "</td" runs to the row's
// end.
template <typename Fn>
void ForEachCell(std::string_view row, Fn fn) {
  std::size_t pos = kRow.size();
  while (true) {
    const std::size_t cell = FindAtLevel(row, pos, kCell);
    if (cell == std::string_view::npos) return;
    std::size_t end = FindAtLevel(row, cell + kCell.size(), kCellClose);
    if (end == std::string_view::npos) end = row.size();
    fn(row.substr(cell, end - cell));
    pos = end;
  }
}

// The picture a table's background names; null when it cannot be loaded.
std::unique_ptr<gdi::CBitmap> LoadBackground(const std::string& kind, const std::string& value,
                                             int number, const std::optional<std::string>& dll) {
  QImage image;
  if (kind == "idres") {
    image = res::LoadIconImage(number);
  } else if (kind == "file") {
    image = QImage(QString::fromUtf8(value));
  } else if (kind == "iddll" && dll) {
    for (const char* suffix : {"bmp", "png"}) {
      const QString path = QString::fromUtf8(*dll) + QStringLiteral("/%1.").arg(number) +
                           QString::fromLatin1(suffix);
      if (QFile::exists(path)) {
        image = QImage(path);
        break;
      }
    }
  }
  if (image.isNull()) return nullptr;
  return std::make_unique<gdi::CBitmap>(image.convertToFormat(QImage::Format_RGB32));
}

}  // namespace

std::size_t CMarkupDrawer::FindTag(std::string_view text, std::size_t from, std::string_view tag) {
  return FindTagIn(text, from, tag);
}

std::size_t CMarkupDrawer::FindTableEnd(std::string_view text, std::size_t start) {
  return TableEnd(text, start);
}

SIZE CMarkupDrawer::Table(std::string_view table) {
  // Past this depth a table is read as text: no recursion a text could run away with.
  if (cursor_.tableDepth >= kMaxTableDepth) return Paragraph(table);
  const int index = ++cursor_.tableCounter;
  if (pass_ == Pass::Measuring) {
    int rows = 0;
    int columns = 0;
    ForEachRow(table, INT_MAX, [&](std::string_view row) {
      ++rows;
      int sum = 0;
      ForEachCell(row, [&](std::string_view cell) {
        TextStyle scratch;
        std::size_t contentStart = 0;
        int colspan = 1;
        ApplyTableAttributes(scratch, TagAttributes(cell, &contentStart), false, &colspan);
        sum = std::min(sum + std::clamp(colspan, 1, kMaxSpan), kMaxColumns);
      });
      columns = std::max(columns, sum);
    });
    rows = static_cast<int>(std::min<long long>(rows, kMaxCells / std::max(columns, 1)));
    tables_.emplace_back(rows, columns);
  }
  // A text changed between the passes: no record, nothing drawn.
  if (index < 0 || static_cast<std::size_t>(index) >= tables_.size()) return {0, 0};
  TableInfo info = tables_[static_cast<std::size_t>(index)];
  const RECT outer = rect_;

  OpenStyle("table");
  ApplyCssStyle(style_, "table");
  std::size_t contentStart = 0;
  ApplyTableAttributes(style_, TagAttributes(table, &contentStart), true);
  SetFont();

  const int spacing = std::clamp(style_.padding, 0, kMaxCellSide);
  // A double border is one pixel wide with three pixels to the cells.
  const int frame = style_.borderStyle == CEffectPainter::LINE_DOUBLE ? 3 : style_.borderWidth;
  const auto extent = [&](const std::vector<int>& sizes, int count) {
    return spacing + std::max(count - 1, 0) + Sum(sizes, 0, count, spacing) + 2LL * frame;
  };
  RECT tableRect{};
  RECT inner{};
  if (pass_ == Pass::Drawing) {
    long long width = extent(info.columnWidths, info.columns);
    const long long height = extent(info.rowHeights, info.rows);
    const long long available = static_cast<long long>(outer.right) - outer.left;
    if (width < available) {
      long long rest = available - width;
      int free =
          static_cast<int>(std::count(info.fixedColumns.begin(), info.fixedColumns.end(), 0));
      for (int c = 0; c < info.columns && free > 0; ++c) {
        if (info.fixedColumns[static_cast<std::size_t>(c)] != 0) continue;
        const long long share = rest / free--;
        int& column = info.columnWidths[static_cast<std::size_t>(c)];
        column = Sat(column + share);
        rest -= share;
        width += share;
      }
    }
    long long left = outer.left;
    if (width < available && style_.align == ALIGN_CENTER) left += (available - width) / 2;
    if (width < available && style_.align == ALIGN_RIGHT) left = outer.right - width;
    tableRect = {Sat(left), outer.top, Sat(left + width), Sat(outer.top + height)};

    if (style_.backEffect >= 0) {
      painter_.PaintBackground(dc_, static_cast<gdi::DWORD>(style_.backEffect), &tableRect,
                               {style_.backColor, style_.backMidColor, style_.backEndColor}, 5, 0);
    } else if (!style_.backImage.empty()) {
      TableBackground(tableRect);
    }
    if (style_.borderWidth > 0) {
      const gdi::COLORREF light = enabled_ ? style_.borderLight : disabledColor_;
      const gdi::COLORREF dark = enabled_ ? style_.borderDark : disabledColor_;
      painter_.DrawStyledFrame(dc_, &tableRect, light, dark, style_.borderStyle,
                               style_.borderWidth);
    }
    inner = {tableRect.left + frame, tableRect.top + frame, tableRect.right - frame,
             tableRect.bottom - frame};
  }

  if (info.rows > 0 && info.columns > 0) {
    ++cursor_.tableDepth;
    int r = 0;
    ForEachRow(table, info.rows, [&](std::string_view row) { Row(row, inner, info, r++); });
    --cursor_.tableDepth;
  }

  SIZE size{};
  if (pass_ == Pass::Measuring) {
    SizeColumnsAndRows(info);
    size = {Sat(extent(info.columnWidths, info.columns)), Sat(extent(info.rowHeights, info.rows))};
  } else {
    size = {tableRect.right - tableRect.left, tableRect.bottom - tableRect.top};
  }
  tables_[static_cast<std::size_t>(index)] = std::move(info);

  style_.name = "table";
  CloseStyle("table");
  SetFont();
  rect_ = outer;
  return size;
}

void CMarkupDrawer::SizeColumnsAndRows(TableInfo& info) {
  // Narrow spans first, so a wide cell only adds what its columns still lack.
  std::vector<std::pair<int, std::size_t>> byColspan;
  std::vector<std::pair<int, std::size_t>> byRowspan;
  for (std::size_t i = 0; i < info.grid.size(); ++i) {
    if (info.grid[i].colspan > 0) byColspan.emplace_back(info.grid[i].colspan, i);
    if (info.grid[i].rowspan > 0) byRowspan.emplace_back(info.grid[i].rowspan, i);
  }
  const auto bySpan = [](const auto& a, const auto& b) { return a.first < b.first; };
  std::stable_sort(byColspan.begin(), byColspan.end(), bySpan);
  std::stable_sort(byRowspan.begin(), byRowspan.end(), bySpan);

  for (const auto& [span, i] : byColspan) {
    const CellInfo& cell = info.grid[i];
    const int c = static_cast<int>(i % static_cast<std::size_t>(info.columns));
    if (cell.fixed) {
      std::fill_n(info.fixedColumns.begin() + c, span, 1);
    }
    if (span == 1) {
      int& width = info.columnWidths[static_cast<std::size_t>(c)];
      width = std::max(width, cell.fullWidth);
      continue;
    }
    const long long sum = Sum(info.columnWidths, c, span, 0);
    if (sum >= cell.width) continue;
    const long long shortfall = cell.fullWidth - sum;
    for (int k = c; k < c + span; ++k) {
      int& width = info.columnWidths[static_cast<std::size_t>(k)];
      width = Sat(width + shortfall / span + (k == c + span - 1 ? shortfall % span : 0));
    }
  }
  for (const auto& [span, i] : byRowspan) {
    const CellInfo& cell = info.grid[i];
    const int r = static_cast<int>(i / static_cast<std::size_t>(info.columns));
    if (span == 1) {
      int& height = info.rowHeights[static_cast<std::size_t>(r)];
      height = std::max(height, cell.fullHeight);
      continue;
    }
    const long long sum = Sum(info.rowHeights, r, span, 0);
    if (sum >= cell.fullHeight) continue;
    const long long shortfall = cell.fullHeight - sum;
    for (int k = r; k < r + span; ++k) {
      int& height = info.rowHeights[static_cast<std::size_t>(k)];
      height = Sat(height + shortfall / span + (k == r ? shortfall % span : 0));
    }
  }
}

void CMarkupDrawer::Row(std::string_view row, const RECT& inner, TableInfo& info, int r) {
  OpenStyle("tr");
  ApplyCssStyle(style_, "tr");
  std::size_t contentStart = 0;
  ApplyTableAttributes(style_, TagAttributes(row, &contentStart), false);
  SetFont();
  const int spacing = std::clamp(style_.padding, 0, kMaxCellSide);

  int c = 0;
  ForEachCell(row, [&](std::string_view cell) {
    while (c < info.columns - 1 && info.Cell(r, c).colspan == -1) ++c;
    // No free place left in the row: the cell is not laid out.
    if (c >= info.columns || info.Cell(r, c).colspan == -1) return;
    RECT rect{};
    if (pass_ == Pass::Drawing) {
      const CellInfo& placed = info.Cell(r, c);
      const int colspan = std::max(placed.colspan, 1);
      const int rowspan = std::max(placed.rowspan, 1);
      const long long left = inner.left + spacing + Sum(info.columnWidths, 0, c, spacing + 1);
      const long long top = inner.top + spacing + Sum(info.rowHeights, 0, r, spacing + 1);
      rect = {Sat(left), Sat(top),
              Sat(left + Sum(info.columnWidths, c, colspan, 0) + (colspan - 1LL) * (spacing + 1)),
              Sat(top + Sum(info.rowHeights, r, rowspan, 0) + (rowspan - 1LL) * (spacing + 1))};
    }
    Cell(cell, rect, info, r, c);
    const CellInfo& placed = info.Cell(r, c);
    if (pass_ == Pass::Measuring) {
      // The whole block a cell spans is covered, so no later cell is drawn over it.
      for (int rr = r; rr < r + placed.rowspan; ++rr) {
        for (int cc = c; cc < c + placed.colspan; ++cc) {
          if (rr == r && cc == c) continue;
          info.Cell(rr, cc).colspan = info.Cell(rr, cc).rowspan = -1;
        }
      }
    }
    c += std::max(placed.colspan, 1);
  });

  style_.name = "tr";
  CloseStyle("tr");
  SetFont();
}

void CMarkupDrawer::Cell(std::string_view cellText, const RECT& rect, TableInfo& info, int r,
                         int c) {
  OpenStyle("td");
  ApplyCssStyle(style_, "td");
  style_.width = style_.height = style_.reserved1 = style_.reserved2 = 0;
  std::size_t contentStart = 0;
  int colspan = 1;
  int rowspan = 1;
  ApplyTableAttributes(style_, TagAttributes(cellText, &contentStart), false, &colspan, &rowspan);
  SetFont();
  style_.width = std::clamp(style_.width, 0, kMaxCellSide);
  style_.height = std::clamp(style_.height, 0, kMaxCellSide);
  const int inset = std::clamp(style_.margin, 0, kMaxCellSide) + style_.borderWidth;

  CellInfo& cell = info.Cell(r, c);
  RECT content{};
  if (pass_ == Pass::Measuring) {
    // A span stops at the table's edge and at places other cells already cover.
    int free = 0;
    while (free < std::clamp(colspan, 1, kMaxSpan) && c + free < info.columns &&
           info.Cell(r, c + free).colspan != -1) {
      ++free;
    }
    cell.colspan = std::max(free, 1);
    cell.rowspan = std::min(std::clamp(rowspan, 1, kMaxSpan), info.rows - r);
    cell.width = style_.width;
    cell.contentHeight = 0;
    cell.fixed = style_.width > 0 ? 1 : 0;
    content = {rect.left, rect.top, rect.left + style_.width, rect.top};
  } else {
    cell.rect = rect;
    if (style_.backEffect >= 0) {
      painter_.PaintBackground(dc_, static_cast<gdi::DWORD>(style_.backEffect), &rect,
                               {style_.backColor, style_.backMidColor, style_.backEndColor}, 5, 0);
    }
    const gdi::COLORREF light = enabled_ ? style_.borderLight : disabledColor_;
    const gdi::COLORREF dark = enabled_ ? style_.borderDark : disabledColor_;
    if (style_.borderStyle != 0) {
      painter_.DrawStyledFrame(dc_, &rect, dark, light, style_.borderStyle, 1);
    }
    content = {rect.left + inset, rect.top + inset, rect.right - inset, rect.bottom - inset};
    // A span whose columns only just hold the cell's width leaves less room than its content
    // was measured in; the text keeps its measured lines instead of wrapping anew.
    content.right = std::max(content.right, Sat(static_cast<long long>(content.left) + cell.width));
    const long long room = static_cast<long long>(content.bottom) - content.top;
    if (style_.valign == VALIGN_MIDDLE)
      content.top = Sat(content.top + (room - cell.contentHeight) / 2);
    if (style_.valign == VALIGN_BOTTOM)
      content.top = Sat(content.bottom - static_cast<long long>(cell.contentHeight));
  }

  const std::string_view text = cellText.substr(std::min(contentStart, cellText.size()));
  std::size_t pos = 0;
  const auto add = [&](SIZE part) {
    if (pass_ == Pass::Measuring) {
      cell.width = std::clamp(std::max(cell.width, part.cx), 0, kMaxCellSide);
      cell.contentHeight = Sat(static_cast<long long>(cell.contentHeight) + part.cy);
    }
    content.top = Sat(static_cast<long long>(content.top) + part.cy);
  };
  while (pos < text.size()) {
    const std::size_t nested = FindTagIn(text, pos, kTable);
    const std::size_t end = nested == std::string_view::npos ? text.size() : nested;
    if (end > pos) {
      rect_ = content;
      add(Paragraph(text.substr(pos, end - pos)));
    }
    if (nested == std::string_view::npos) break;
    const std::size_t tableEnd = TableEnd(text, nested);
    rect_ = content;
    add(Table(text.substr(nested, tableEnd - nested)));
    pos = tableEnd;
  }

  if (pass_ == Pass::Measuring) {
    cell.fullWidth = Sat(std::max(cell.width, style_.width) + 2LL * inset);
    cell.fullHeight = Sat(std::max(cell.contentHeight, style_.height) + 2LL * inset);
  }
  style_.name = "td";
  CloseStyle("td");
  SetFont();
}

void CMarkupDrawer::TableBackground(const RECT& rect) {
  std::string kind;
  std::string value;
  if (!enabled_ || !ParseImageSource(style_.backImage, &kind, &value)) return;
  const std::unique_ptr<gdi::CBitmap> bitmap =
      LoadBackground(kind, value, GetLength(value, 0, false), resourceDll_);
  SIZE size{};
  painter_.GetBitmapSize(bitmap.get(), size);
  if (size.cx <= 0 || size.cy <= 0) return;
  const std::unique_ptr<gdi::CDC> memory = gdi::CDC::CreateCompatibleDC(dc_);
  gdi::CBitmap* old = memory->SelectObject(bitmap.get());
  painter_.TileCopy(dc_, {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top},
                    memory.get(), 0, 0, size.cx, size.cy);
  memory->SelectObject(old);
}
