#pragma once
// The records of the markup's tables: what the measuring pass finds out about each table and
// its cells, kept for the drawing passes that follow it.

#include <vector>

#include "platform/gdi/gdi.h"

struct CellInfo {
  int colspan = 0;  // -1: the place is covered by another cell's span
  int rowspan = 0;
  int width = 0;          // the larger of the cell's width and its content's, without padding
  int contentHeight = 0;  // sum of the heights of the contents
  int fullWidth = 0;      // with padding and border on both sides
  int fullHeight = 0;
  int fixed = 0;     // 1 when the cell has a width of its own
  gdi::RECT rect{};  // where the last drawing pass put the cell
};

struct TableInfo {
  int rows = 0;
  int columns = 0;
  std::vector<CellInfo> grid;  // row by row
  std::vector<int> columnWidths;
  std::vector<int> rowHeights;
  std::vector<int> fixedColumns;

  TableInfo() = default;
  TableInfo(int rowCount, int columnCount)
      : rows(rowCount),
        columns(columnCount),
        grid(static_cast<std::size_t>(rowCount) * static_cast<std::size_t>(columnCount)),
        columnWidths(static_cast<std::size_t>(columnCount)),
        rowHeights(static_cast<std::size_t>(rowCount)),
        fixedColumns(static_cast<std::size_t>(columnCount)) {}

  CellInfo& Cell(int r, int c) { return grid[static_cast<std::size_t>(r) * columns + c]; }
  const CellInfo& Cell(int r, int c) const {
    return grid[static_cast<std::size_t>(r) * columns + c];
  }
};
