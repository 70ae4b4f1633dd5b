#include "app/server_list_model.h"

#include <algorithm>
#include <cstdint>

ServerListModel::ServerListModel(QObject* parent) : QAbstractTableModel(parent) {}

bool ServerListModel::AppendList(std::string text) {
  if (text.size() > UINT32_MAX) return false;
  const int present = rowCount();
  const size_t base = cells_.size();
  // The parse writes straight into the view's store: no copy of the cells on the way.
  struct Store : ServerListSink {
    Store(std::vector<Span>& cells, size_t base, const char* text)
        : cells(cells), base(base), text(text) {}
    void Expect(size_t count) override { cells.reserve(base + count); }
    void Write(const ServerListCell& cell) override {
      // Each record's row is inserted at the index of the records finished before it, so the
      // new rows follow the present ones in file order.
      const size_t at = base + static_cast<size_t>(cell.row) * kServerListColumns +
                        static_cast<size_t>(cell.column);
      if (at >= cells.size()) cells.resize(at - at % kServerListColumns + kServerListColumns);
      if (!cell.text.empty()) {
        cells[at] = {static_cast<std::uint32_t>(cell.text.data() - text),
                     static_cast<std::uint32_t>(cell.text.size())};
      }
    }
    std::vector<Span>& cells;
    size_t base;
    const char* text;
  } store(cells_, base, text.data());
  if (!ParseServerList(text, kMaxServerListRows - present, store)) {
    cells_.resize(base);
    cells_.shrink_to_fit();
    return false;
  }
  const int added = static_cast<int>((cells_.size() - base) / kServerListColumns);
  if (added == 0) return true;
  lists_.push_back({std::move(text), present});
  // The view learns of the rows once they are all there: until then they are not counted.
  beginInsertRows(QModelIndex(), present, present + added - 1);
  rows_ += added;
  endInsertRows();
  return true;
}

const ServerListModel::List& ServerListModel::ListOf(int row) const {
  const auto after = std::upper_bound(lists_.begin(), lists_.end(), row,
                                      [](int r, const List& list) { return r < list.firstRow; });
  return *(after - 1);
}

std::string_view ServerListModel::Cell(int row, int column) const {
  if (row < 0 || row >= rowCount() || column < 0 || column >= kServerListColumns) return {};
  const Span span =
      cells_[static_cast<size_t>(row) * kServerListColumns + static_cast<size_t>(column)];
  return std::string_view(ListOf(row).text).substr(span.offset, span.length);
}

int ServerListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int ServerListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kServerListColumns;
}

QVariant ServerListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.model() != this) return {};
  const std::string_view bytes = Cell(index.row(), index.column());
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
    case kBytesRole:
      return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    default:
      return {};
  }
}

QVariant ServerListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
      section < kServerListColumns) {
    return headings_[section];
  }
  return QAbstractTableModel::headerData(section, orientation, role);
}

bool ServerListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                                    int role) {
  if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::EditRole) ||
      section < 0 || section >= kServerListColumns) {
    return false;
  }
  headings_[section] = value.toString();
  Q_EMIT headerDataChanged(orientation, section, section);
  return true;
}
