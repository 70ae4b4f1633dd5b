// What depends on the window system: modal loops with real boxes, the close request posted
// during the initialisation, the focus and the Enter key, what a screen reader is told, the
// pointer. CTest runs this program on the offscreen platform and again on a real X server.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/openvpn_dlg.h"
#include "platform/message_box.h"
#include "support/refservice/refservice_fixture.h"
#include "widgets/tooltip/rich_tip.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Presses OK on every real box as it appears, as a user would, and remembers its text.
class BoxAnswerer {
 public:
  BoxAnswerer() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible() || box == last_) return;
      last_ = box;
      texts.push_back(box->text().toStdString());
      box->button(QMessageBox::Ok)->click();
    });
    timer_.start(50);
  }
  std::vector<std::string> texts;

 private:
  QTimer timer_;
  QMessageBox* last_ = nullptr;
};

class WindowSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(workDir_.Path() / "tesm.tfg", std::ios::binary) << "1\talice\r\n";
  }
  void TearDown() override {
    platform::SetMessageBoxHandler({});
    unsetenv("TESMIRA_SERVICE_URL");
  }

  void UseService() {
    ASSERT_TRUE(service_.Start(testsupport::RefService::SampleList(), {})) << service_.Error();
    setenv("TESMIRA_SERVICE_URL", service_.BaseUrl().c_str(), 1);
  }

  testsupport::ScopedWorkDir workDir_{"tesmira-wsys"};
  testsupport::RefService service_;
};

// With the service down, both boxes appear; once the user has pressed OK on each the program
// ends, on every platform plugin.
TEST_F(WindowSystem, ServiceDownEndsTheProgramAfterBothBoxes) {
  setenv("TESMIRA_SERVICE_URL", "http://127.0.0.1:9", 1);  // the discard port: nobody listens
  BoxAnswerer answerer;
  CopenvpnDlg dialog;
  // Should the close request be lost, the dialog ends here instead and the test says so.
  bool lost = false;
  QTimer::singleShot(10s, &dialog, [&] {
    lost = true;
    dialog.reject();
  });
  dialog.DoModal();
  EXPECT_FALSE(lost) << "the dialog stayed open";
  ASSERT_EQ(answerer.texts.size(), 2u);
  EXPECT_EQ(answerer.texts[0], "Could not access server,please try again later.");
}

// The focused push button is the default one: Enter presses it. Only where no push button has
// the focus (the server list) is Enter the dialog's OK.
TEST_F(WindowSystem, EnterPressesTheFocusedButtonAndEndsOnlyFromTheList) {
  UseService();
  std::vector<std::string> boxes;
  platform::SetMessageBoxHandler(
      [&](const platform::MessageBoxRequest& box) { boxes.push_back(box.text); });
  CopenvpnDlg dialog;
  bool ended = false;
  QObject::connect(&dialog, &QDialog::finished, [&] { ended = true; });
  dialog.RunInitialisation();
  dialog.show();
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));

  dialog.connectButton()->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.connectButton()->hasFocus(); }));
  QTest::keyClick(dialog.connectButton(), Qt::Key_Return);
  EXPECT_FALSE(ended);
  EXPECT_EQ(boxes, (std::vector<std::string>{"Please select a row"}));

  dialog.serverList()->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.serverList()->hasFocus(); }));
  EXPECT_FALSE(dialog.connectButton()->isDefault());
  QTest::keyClick(dialog.serverList(), Qt::Key_Return);
  EXPECT_TRUE(ended);
}

// A screen reader reads the status label's text, whatever it changes to.
TEST_F(WindowSystem, StatusTextIsWhatAScreenReaderReads) {
  UseService();
  platform::SetMessageBoxHandler([](const platform::MessageBoxRequest&) {});
  CopenvpnDlg dialog;
  dialog.RunInitialisation();
  QAccessibleInterface* label = QAccessible::queryAccessibleInterface(dialog.statusText());
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(QAccessible::Name), QStringLiteral("Disconnected."));
  static_cast<ControllerView&>(dialog).SetStatusText("Connecting...");
  EXPECT_EQ(label->text(QAccessible::Name), QStringLiteral("Connecting..."));
}

// The pointer says "busy" while an attempt is under way, not for the hours a tunnel is up.
TEST_F(WindowSystem, BusyPointerOnlyWhileConnecting) {
  UseService();
  CopenvpnDlg dialog;
  dialog.RunInitialisation();
  ControllerView& view = dialog;
  view.ShowStatusIcon(StatusIcon::ConnectingB);
  dialog.OnWaitCursor(true);  // a reader started
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
  view.ShowStatusIcon(StatusIcon::Connected);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  dialog.OnWaitCursor(false);  // and ended
  view.ShowStatusIcon(StatusIcon::ConnectingA);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The pointer resting on Connect shows its balloon beside the pointer, without taking the
// focus; the disabled Disconnect shows none; a key hides the tip at once.
TEST_F(WindowSystem, ThePointerRestingOnConnectShowsItsTip) {
  UseService();
  platform::SetMessageBoxHandler([](const platform::MessageBoxRequest&) {});
  CopenvpnDlg dialog;
  dialog.RunInitialisation();
  dialog.show();
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  CRichTip* tip = dialog.tooltip();
  ASSERT_NE(tip, nullptr);
  const auto pointAt = [&](QWidget* widget) {
    const QPoint global = widget->mapToGlobal(widget->rect().center());
    QCursor::setPos(global);
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
      // No pointer of its own: send the move the window system would send.
      QWindow* window = dialog.windowHandle();
      QMouseEvent move(QEvent::MouseMove, QPointF(window->mapFromGlobal(global)), QPointF(global),
                       Qt::NoButton, Qt::NoButton, Qt::NoModifier);
      QCoreApplication::sendEvent(window, &move);
    }
    return global;
  };

  pointAt(dialog.disconnectButton());
  QTest::qWait(1000);
  EXPECT_FALSE(tip->isVisible());

  QWidget* focused = QApplication::focusWidget();
  pointAt(dialog.connectButton());
  ASSERT_TRUE(QTest::qWaitFor([&] { return tip->isVisible(); }, 5000));
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(tip);
  ASSERT_NE(accessible, nullptr);
  EXPECT_EQ(accessible->role(), QAccessible::ToolTip);
  EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Connect"));
  // The anchor's tip is where the pointer rests, on the button.
  const QPoint anchor = tip->pos() + QPoint(tip->Geometry().tip.x, tip->Geometry().tip.y);
  EXPECT_EQ(anchor, QCursor::pos());
  EXPECT_TRUE(
      dialog.connectButton()->rect().contains(dialog.connectButton()->mapFromGlobal(anchor)));
  EXPECT_EQ(QApplication::focusWidget(), focused);
  EXPECT_NE(QApplication::activeWindow(), tip);

  QTest::keyClick(dialog.windowHandle(), Qt::Key_Shift);
  EXPECT_FALSE(tip->isVisible());
}

}  // namespace
