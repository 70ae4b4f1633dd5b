#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "app/dialog_template.h"
#include "app/openvpn_dlg.h"
#include "platform/message_box.h"
#include "service/server_list.h"
#include "support/refservice/refservice_fixture.h"

namespace {

namespace fs = std::filesystem;

std::string WithoutLineBreaks(std::string text) {
  std::erase(text, '\r');
  std::erase(text, '\n');
  return text;
}

// Each test runs in a fresh working directory (the program keeps its settings there) with the
// message boxes recorded instead of shown.
class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetMessageBoxHandler(
        [this](const platform::MessageBoxRequest& box) { boxes_.push_back(box); });
  }
  void TearDown() override {
    platform::SetMessageBoxHandler({});
    unsetenv("TESMIRA_SERVICE_URL");
  }
  void UseService(const std::string& url) { setenv("TESMIRA_SERVICE_URL", url.c_str(), 1); }

  testsupport::ScopedWorkDir workDir_{"tesmira-dialog"};
  std::vector<platform::MessageBoxRequest> boxes_;
};

TEST_F(DialogTest, InitialisationFillsTheListFromTheService) {
  testsupport::RefService service;
  ASSERT_TRUE(service.Start(testsupport::RefService::SampleList(), {})) << service.Error();
  UseService(service.BaseUrl());

  CopenvpnDlg dialog;
  dialog.RunInitialisation();
  EXPECT_TRUE(boxes_.empty());

  const auto expected = ParseServerEntries(
      WithoutLineBreaks(testsupport::ReadFileBytes(testsupport::RefService::SampleList())));
  ASSERT_GE(expected.size(), 6u);
  QTableView* list = dialog.serverList();
  const QAbstractItemModel* rows = list->model();
  ASSERT_EQ(rows->rowCount(), static_cast<int>(expected.size()));
  ASSERT_EQ(rows->columnCount(), 6);

  // A screen reader reads every cell, the hidden "IP" and "Port" columns included.
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(list);
  ASSERT_NE(table, nullptr);
  ASSERT_NE(table->tableInterface(), nullptr);
  for (int row = 0; row < rows->rowCount(); ++row) {
    const ServerEntry& e = expected[static_cast<size_t>(row)];
    const std::string cells[] = {e.serverIp, e.country, e.city, e.description, e.ip, e.port};
    for (int column = 0; column < 6; ++column) {
      EXPECT_EQ(rows->index(row, column).data().toString().toStdString(), cells[column]);
      QAccessibleInterface* cell = table->tableInterface()->cellAt(row, column);
      ASSERT_NE(cell, nullptr);
      EXPECT_EQ(cell->text(QAccessible::Name).toStdString(), cells[column]);
    }
  }

  const int width = (list->contentsRect().width() - 20) / 4;
  for (int column = 0; column < 4; ++column) EXPECT_EQ(list->columnWidth(column), width);
  for (int column = 4; column < 6; ++column) {
    EXPECT_EQ(list->columnWidth(column), 0);
    EXPECT_FALSE(list->isColumnHidden(column));
  }
  EXPECT_EQ(rows->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Server IP"));
  EXPECT_EQ(rows->headerData(5, Qt::Horizontal).toString(), QStringLiteral("Port"));

  EXPECT_TRUE(dialog.connectButton()->isEnabled());
  EXPECT_FALSE(dialog.disconnectButton()->isEnabled());
  EXPECT_EQ(dialog.statusText()->text(), QStringLiteral("Disconnected."));
  EXPECT_FALSE(dialog.statusPicture()->pixmap().isNull());

  const auto requests = service.Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.back().path, "/ServerList.txt");
  EXPECT_EQ(requests.back().Header("User-Agent"), "test_dialog");
}

TEST_F(DialogTest, ColumnWidthIsAQuarterOfTheClientWidthLessTwenty) {
  UseService("http://127.0.0.1:1");  // the list stays empty; only the columns matter here
  for (const auto& [client, expected] :
       std::vector<std::pair<int, int>>{{420, 100}, {21, 0}, {423, 100}}) {
    CopenvpnDlg dialog;
    QTableView* list = dialog.serverList();
    list->resize(client + list->width() - list->contentsRect().width(), list->height());
    dialog.RunInitialisation();
    EXPECT_EQ(list->columnWidth(0), expected) << client;
    EXPECT_EQ(list->columnWidth(3), expected) << client;
  }
}

bool ImageFormatPluginLoaded() {
  return testsupport::ReadFileBytes("/proc/self/maps").find("/imageformats/") != std::string::npos;
}

// The icons are PNGs, read by Qt Gui's own reader: asking every image-format plugin about them
// would load each one (gif, ico, jpeg) at start-up.
TEST_F(DialogTest, TheIconsLoadWithoutAnyImageFormatPlugin) {
  if (ImageFormatPluginLoaded()) GTEST_SKIP() << "an earlier test in this process loaded one";
  UseService("http://127.0.0.1:1");
  CopenvpnDlg dialog;
  dialog.RunInitialisation();
  EXPECT_FALSE(dialog.statusPicture()->pixmap().isNull());
  EXPECT_FALSE(dialog.windowIcon().isNull());
  EXPECT_FALSE(ImageFormatPluginLoaded());
}

TEST_F(DialogTest, ServiceDownShowsTheStopBoxAndLeavesTheDialogUsable) {
  testsupport::RefService service;
  ASSERT_TRUE(service.Start(testsupport::RefService::SampleList(), {})) << service.Error();
  const std::string url = service.BaseUrl();
  service.Stop();
  UseService(url);

  CopenvpnDlg dialog;
  dialog.RunInitialisation();
  ASSERT_FALSE(boxes_.empty());
  const platform::MessageBoxRequest& box = boxes_.back();
  EXPECT_EQ(box.icon, platform::MessageIcon::Stop);
  EXPECT_EQ(box.title, "test_dialog");
  EXPECT_FALSE(box.text.empty());
  EXPECT_EQ(dialog.serverList()->model()->rowCount(), 0);
  EXPECT_TRUE(dialog.connectButton()->isEnabled());
  EXPECT_EQ(dialog.statusText()->text(), QStringLiteral("Disconnected."));
}

// Every "," makes a row, so a body within the download limit could make millions of rows.
TEST_F(DialogTest, ListLongerThanTheLimitIsRefusedWithAMessageAndLeftEmpty) {
  for (const int rows : {kMaxServerListRows, kMaxServerListRows + 1}) {
    SCOPED_TRACE(rows);
    boxes_.clear();
    workDir_.Dir().Write("commas.txt", std::string(static_cast<size_t>(rows), ','));
    testsupport::RefService service;
    ASSERT_TRUE(service.Start(workDir_.Path() / "commas.txt", {})) << service.Error();
    UseService(service.BaseUrl());
    CopenvpnDlg dialog;
    dialog.RunInitialisation();
    if (rows <= kMaxServerListRows) {
      EXPECT_TRUE(boxes_.empty());
      EXPECT_EQ(dialog.serverList()->model()->rowCount(), rows);
      continue;
    }
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text,
              "The server list is too long: it has more than 200000 rows. No server is shown.");
    EXPECT_EQ(boxes_[0].icon, platform::MessageIcon::Stop);
    EXPECT_EQ(dialog.serverList()->model()->rowCount(), 0);
    EXPECT_TRUE(dialog.connectButton()->isEnabled());
  }
}

// Connect reads the hidden columns of the first selected row, byte for byte as the service sent
// them.
TEST_F(DialogTest, FirstSelectedRowGivesTheHiddenAddressAndPortBytes) {
  workDir_.Dir().Write("list.txt",
                       "a|DE|Berlin|x|10.0.0.1|1194,\r\n"
                       "b|JP|Tokyo|y|10.0.0.\xff|443,\r\n"
                       "c|US|Dallas|z|10.0.0.3|80,\r\n");
  testsupport::RefService service;
  ASSERT_TRUE(service.Start(workDir_.Path() / "list.txt", {})) << service.Error();
  UseService(service.BaseUrl());
  CopenvpnDlg dialog;
  dialog.RunInitialisation();
  ControllerView& view = dialog;
  EXPECT_FALSE(view.FirstSelectedRow().has_value());
  QItemSelectionModel* selection = dialog.serverList()->selectionModel();
  const auto selectRow = [&](int row) {
    selection->select(dialog.serverList()->model()->index(row, 0),
                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
  };
  selectRow(2);
  selectRow(1);
  const std::optional<ServerAddress> first = view.FirstSelectedRow();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->ip, "10.0.0.\xff");
  EXPECT_EQ(first->port, "443");
}

TEST_F(DialogTest, EveryTemplateControlStandsAtItsConvertedPosition) {
  UseService("http://127.0.0.1:1");
  CopenvpnDlg dialog;
  dialog.RunInitialisation();
  const DialogBaseUnits units = BaseUnitsOf(dialog.font());
  // Children appear in creation order, which is template order. The menu and the tooltip are
  // windows of their own, not controls.
  std::vector<QWidget*> controls;
  for (QObject* child : dialog.children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (widget && !widget->isWindow()) controls.push_back(widget);
  }
  ASSERT_EQ(controls.size(), res::kMainDialogControls.size());
  for (size_t i = 0; i < controls.size(); ++i) {
    const res::ControlTemplate& t = res::kMainDialogControls[i];
    const QRect expected = DialogUnitsToPixels(units, t.x, t.y, t.width, t.height);
    EXPECT_EQ(controls[i]->pos(), expected.topLeft()) << t.text;
    if (t.kind != res::ControlKind::StaticIcon) {
      EXPECT_EQ(controls[i]->size(), expected.size()) << t.text;
    }
    EXPECT_EQ(!controls[i]->isHidden(), t.visible) << t.text;
  }
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Tesmira"));
  // Buttons keep their captions as accessible names.
  EXPECT_EQ(QAccessible::queryAccessibleInterface(dialog.connectButton())->text(QAccessible::Name),
            QStringLiteral("Connect"));
}

TEST_F(DialogTest, SystemCommandsWithTheAboutIdOpenTheAboutBox) {
  UseService("http://127.0.0.1:1");
  CopenvpnDlg dialog;
  dialog.RunInitialisation();
  ASSERT_NE(dialog.systemMenu(), nullptr);
  EXPECT_EQ(dialog.systemMenu()->actions().back()->text(), QStringLiteral("About Tesmira(&A)..."));
  for (unsigned id : {0x0010u, 0x0013u}) {
    QString seen;
    QTimer::singleShot(0, [&] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        seen = modal->windowTitle();
        modal->close();
      }
    });
    dialog.OnSysCommand(id);
    EXPECT_EQ(seen, QStringLiteral("About Tesmira")) << id;
  }
  bool opened = false;
  QTimer::singleShot(0, [&] { opened = QApplication::activeModalWidget() != nullptr; });
  dialog.OnSysCommand(0xF060);  // another system command: no About box
  QApplication::processEvents();
  EXPECT_FALSE(opened);
}

TEST(MinimisedIcon, IsCentredByIntegerHalving) {
  EXPECT_EQ(CopenvpnDlg::MinimisedIconPosition(QSize(160, 32), QSize(32, 32)), QPoint(64, 0));
  EXPECT_EQ(CopenvpnDlg::MinimisedIconPosition(QSize(33, 35), QSize(32, 32)), QPoint(1, 2));
}

}  // namespace
