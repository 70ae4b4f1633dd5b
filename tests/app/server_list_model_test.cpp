#include "app/server_list_model.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

// Counts the insertions a model announces.
struct Insertions {
  explicit Insertions(ServerListModel& rows) {
    QObject::connect(&rows, &QAbstractItemModel::rowsInserted, [this] { ++count; });
  }
  int count = 0;
};

std::string Shown(const ServerListModel& rows, int row, int column) {
  return rows.index(row, column).data().toString().toStdString();
}

TEST(ServerListModel, KeepsTheServicesBytesAndShowsThemDecoded) {
  ServerListModel rows;
  Insertions inserted(rows);
  // A Latin-1 byte that is no UTF-8 text, and a short last record.
  ASSERT_TRUE(rows.AppendList("10.0.0.1|DE|K\xc3\xb6ln|d|10.0.0.\xff|1194,G|H|I,"s));
  EXPECT_EQ(inserted.count, 1);  // one insertion for the whole list
  ASSERT_EQ(rows.rowCount(), 2);
  EXPECT_EQ(rows.columnCount(), kServerListColumns);

  EXPECT_EQ(Shown(rows, 0, 2), "K\xc3\xb6ln");
  EXPECT_EQ(rows.Cell(0, kColumnIp), "10.0.0.\xff");
  EXPECT_EQ(rows.index(0, kColumnIp).data(ServerListModel::kBytesRole).toByteArray(),
            QByteArray("10.0.0.\xff"));
  EXPECT_EQ(rows.Cell(0, kColumnPort), "1194");
  const std::string second[] = {"G", "H", "", "", "", "I"};
  for (int column = 0; column < kServerListColumns; ++column) {
    EXPECT_EQ(Shown(rows, 1, column), second[column]) << column;
  }
  EXPECT_EQ(rows.Cell(2, 0), "");
  EXPECT_EQ(rows.Cell(0, kServerListColumns), "");
  EXPECT_FALSE(rows.index(2, 0).data().isValid());
}

TEST(ServerListModel, LaterListsFollowAndEarlierCellsStayValid) {
  ServerListModel rows;
  ASSERT_TRUE(rows.AppendList("a|b|c|d|e|f,"s));  // short enough to live inside the string
  for (int i = 0; i < 50; ++i) ASSERT_TRUE(rows.AppendList("g|h|i|j|k|l,"s));
  ASSERT_EQ(rows.rowCount(), 51);
  EXPECT_EQ(rows.Cell(0, 0), "a");
  EXPECT_EQ(rows.Cell(0, kColumnPort), "f");
  EXPECT_EQ(rows.Cell(50, kColumnPort), "l");
}

TEST(ServerListModel, RefusesMoreRowsThanTheLimitAndAddsNothing) {
  ServerListModel rows;
  ASSERT_TRUE(rows.AppendList("a|b|c|d|e|f,"s));
  Insertions inserted(rows);
  // The limit counts the rows the view already holds.
  EXPECT_FALSE(rows.AppendList(std::string(kMaxServerListRows, ',')));
  EXPECT_EQ(rows.rowCount(), 1);
  EXPECT_EQ(inserted.count, 0);
  EXPECT_TRUE(rows.AppendList(std::string(kMaxServerListRows - 1, ',')));
  EXPECT_EQ(rows.rowCount(), kMaxServerListRows);
}

TEST(ServerListModel, HeadingsAreSetLikeAnyModelsAndRowsHaveNone) {
  ServerListModel rows;
  EXPECT_TRUE(rows.setHeaderData(3, Qt::Horizontal, QStringLiteral("Description")));
  EXPECT_EQ(rows.headerData(3, Qt::Horizontal).toString(), QStringLiteral("Description"));
  EXPECT_FALSE(rows.setHeaderData(kServerListColumns, Qt::Horizontal, QStringLiteral("x")));
  EXPECT_FALSE(rows.setHeaderData(0, Qt::Vertical, QStringLiteral("x")));
}

}  // namespace
