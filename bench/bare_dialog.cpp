// The yardstick of bench/idle-wakeups: a bare Qt dialog of a given size showing the rows of a
// server list in a table, with nothing of the program's own (no timers, no threads, no tip).
//
//   bench_bare_dialog WIDTH HEIGHT LIST_FILE
//
// Shows the first four fields of each record of LIST_FILE ("a|b|c|d|ip|port," records, line
// breaks ignored) in a table that fills the dialog, and runs until it is closed.
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QStringList>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench_bare_dialog WIDTH HEIGHT LIST_FILE\n");
    return 2;
  }
  QFile file(QString::fromLocal8Bit(argv[3]));
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "bench_bare_dialog: cannot read %s\n", argv[3]);
    return 1;
  }
  QByteArray text = file.readAll();
  text.replace('\r', QByteArray()).replace('\n', QByteArray());
  QList<QStringList> rows;
  for (const QByteArray& record : text.split(',')) {
    const QList<QByteArray> fields = record.split('|');
    if (fields.size() < 4) continue;
    QStringList cells;
    for (int i = 0; i < 4; ++i) cells << QString::fromUtf8(fields[i]);
    rows << cells;
  }

  QDialog dialog;
  dialog.setWindowTitle(QStringLiteral("Bare dialog"));
  auto* table = new QTableWidget(static_cast<int>(rows.size()), 4, &dialog);
  table->setHorizontalHeaderLabels({QStringLiteral("Server IP"), QStringLiteral("Country"),
                                    QStringLiteral("City"), QStringLiteral("Description")});
  table->verticalHeader()->setVisible(false);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (int r = 0; r < rows.size(); ++r) {
    for (int c = 0; c < 4; ++c) table->setItem(r, c, new QTableWidgetItem(rows[r][c]));
  }
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(table);
  dialog.setFixedSize(std::atoi(argv[1]), std::atoi(argv[2]));
  return dialog.exec();
}
