#pragma once
// The rows of the server list view. The view is the only store of the rows: the model keeps the
// fetched text once and where each cell lies in it, so that a long list costs no object per
// cell and Connect reads back exactly the bytes the service sent.

#include <QAbstractTableModel>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "service/server_list.h"

class ServerListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // A cell's raw bytes; the display role shows them decoded in the locale's encoding.
  static constexpr int kBytesRole = Qt::UserRole;

  explicit ServerListModel(QObject* parent = nullptr);

  // Parses a fetched list and adds its rows after the present ones, in one insertion. False,
  // with nothing added, when the view would then hold more than kMaxServerListRows rows (or
  // the text is 4 GiB or more, far beyond what a download may bring).
  bool AppendList(std::string text);

  // The bytes of a cell; empty for a cell that the list left unwritten.
  std::string_view Cell(int row, int column) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                     int role = Qt::EditRole) override;

 private:
  struct List {
    std::string text;
    int firstRow;
  };
  // Where a cell's bytes lie in its list's text. Half the size of a view: a long list touches
  // every page of this store once when it loads, and each new page costs a fault.
  struct Span {
    std::uint32_t offset;
    std::uint32_t length;
  };

  const List& ListOf(int row) const;

  std::vector<List> lists_;  // in row order
  std::vector<Span> cells_;  // kServerListColumns per row
  int rows_ = 0;
  QString headings_[kServerListColumns];
};
