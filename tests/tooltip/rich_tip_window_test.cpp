// The tip window itself: how it is shown (never active, shaped, accessible), what it paints
// at each transparency, and the relay from real input events. Runs on the offscreen platform
// and, registered a second time, on a real X server.

#include <gtest/gtest.h>

#include <QtCore/qtestsupport_core.h>
#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QWindow>

#include <memory>

#include "platform/gdi/dc.h"
#include "widgets/tooltip/rich_tip.h"

using namespace tip;

namespace {

constexpr QRgb kUnder = 0xFFC8C8C8;  // what the saved screen shows under the tip

bool Offscreen() { return QGuiApplication::platformName() == QLatin1String("offscreen"); }

// Puts the pointer on a widget. The offscreen platform has no pointer of its own: there the
// move the window system would send is sent to the widget's window.
void PointAt(QWidget* widget, QPoint local) {
  const QPoint global = widget->mapToGlobal(local);
  QCursor::setPos(global);
  if (Offscreen()) {
    QWindow* window = widget->window()->windowHandle();
    QMouseEvent move(QEvent::MouseMove, QPointF(window->mapFromGlobal(global)), QPointF(global),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &move);
  }
  QCoreApplication::processEvents();
}

class RichTipWindowTest : public testing::Test {
 protected:
  RichTipWindowTest() {
    owner_.setWindowTitle(QStringLiteral("tip owner"));
    owner_.resize(300, 200);
    connect_ = new QPushButton(QStringLiteral("Connect"), &owner_);
    connect_->setGeometry(20, 100, 80, 60);
    disconnect_ = new QPushButton(QStringLiteral("Disconnect"), &owner_);
    disconnect_->setGeometry(120, 100, 80, 60);
    disconnect_->setEnabled(false);
    tip_.Create(&owner_, true);
    tip_.AddTool(connect_, 102u);
    tip_.AddTool(disconnect_, 103u);
    tip_.SetScreenGrabber([](const QRect& r) {
      QImage under(r.size(), QImage::Format_RGB32);
      under.fill(kUnder);
      return under;
    });
  }

  // Lays the Connect tip out at a screen point, as the show timer does.
  void ShowConnectAt(gdi::POINT at) {
    ToolEntry entry;
    ASSERT_EQ(tip_.Timing().FindToolInWindow(connect_, at, &entry), true);
    tip_.Timing().SetNextTool(connect_, entry);
    tip_.LayOutAndShow(at);
  }

  QImage Paint(int transparency) {
    QImage image(tip_.width(), tip_.height(), QImage::Format_RGB32);
    image.fill(Qt::black);
    gdi::CDC dc(&image);
    tip_.PaintTip(&dc, transparency);
    return image;
  }

  QWidget owner_;
  QPushButton* connect_;
  QPushButton* disconnect_;
  CRichTip tip_;
};

TEST_F(RichTipWindowTest, ShownBesideThePointerShapedAccessibleAndNeverActive) {
  owner_.show();
  owner_.activateWindow();
  connect_->setFocus();
  ShowConnectAt({400, 300});
  QCoreApplication::processEvents();
  ASSERT_TRUE(tip_.isVisible());
  EXPECT_TRUE(tip_.windowFlags() & Qt::ToolTip);
  EXPECT_TRUE(tip_.windowFlags() & Qt::WindowDoesNotAcceptFocus);
  EXPECT_TRUE(tip_.testAttribute(Qt::WA_ShowWithoutActivating));
  EXPECT_NE(QApplication::activeWindow(), &tip_);
  EXPECT_EQ(QApplication::focusWidget(), connect_);

  const TipGeometry& g = tip_.Geometry();
  EXPECT_EQ(tip_.pos(), QPoint(400 - g.tip.x, 300 - g.tip.y));
  EXPECT_EQ(tip_.size(), QSize(g.window.Width(), g.window.Height()));
  EXPECT_EQ(tip_.mask(), g.windowRegion);
  EXPECT_EQ(g.code, ABOVE_LEFT);  // the default placement, with room above

  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&tip_);
  ASSERT_NE(accessible, nullptr);
  EXPECT_EQ(accessible->role(), QAccessible::ToolTip);
  EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Connect"));
  // Another application comes to the front.
  Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
  EXPECT_FALSE(tip_.isVisible());
}

TEST_F(RichTipWindowTest, PaintsTheBalloonItsShadowAndItsTransparency) {
  tip_.SetShadow(6, 6, 50, false, 7, 7);
  ShowConnectAt({400, 300});
  const TipGeometry& g = tip_.Geometry();
  const QPoint inBody(g.body.left + 4, g.body.top + g.body.Height() / 2);
  const QPoint inShadow(g.face.cx + 2, g.face.cy / 2 - 4);  // right of the body
  const QPoint outside(0, 0);                               // a rounded corner
  const gdi::COLORREF infoBk = gdi::GetSysColor(gdi::COLOR_INFOBK);
  const QRgb body = qRgb(gdi::GetRValue(infoBk), gdi::GetGValue(infoBk), gdi::GetBValue(infoBk));

  const QImage opaque = Paint(0);
  EXPECT_EQ(opaque.pixel(inBody), body);
  EXPECT_EQ(opaque.pixel(outside), kUnder);
  // Darkness 50 without blur: the screen at half its brightness, rounded as the mask is.
  EXPECT_NEAR(qRed(opaque.pixel(inShadow)), 0xC8 * 128 / 255, 1);
  // The border frames the balloon in the info text colour.
  const gdi::COLORREF infoText = gdi::GetSysColor(gdi::COLOR_INFOTEXT);
  EXPECT_EQ(opaque.pixel(g.body.left + g.body.Width() / 2, g.body.top),
            qRgb(gdi::GetRValue(infoText), gdi::GetGValue(infoText), gdi::GetBValue(infoText)));

  const QImage half = Paint(50);
  EXPECT_NEAR(qRed(half.pixel(inBody)), (qRed(body) + 0xC8) / 2, 1);
  EXPECT_GT(qRed(half.pixel(inShadow)), qRed(opaque.pixel(inShadow)));

  // Fully transparent: the tip and its shadow are gone together.
  const QImage gone = Paint(100);
  for (int y = 0; y < gone.height(); ++y) {
    for (int x = 0; x < gone.width(); ++x) ASSERT_EQ(gone.pixel(x, y), kUnder) << x << "," << y;
  }
}

TEST_F(RichTipWindowTest, WithoutBorderOrShadowTheBodyReachesTheRegionEdge) {
  tip_.SetBorder(std::nullopt, 1, 1);
  tip_.SetShadow(0, 0, 50, true, 7, 7);
  tip_.SetBackgroundColours(gdi::RGB(10, 200, 30));
  ShowConnectAt({400, 300});
  const TipGeometry& g = tip_.Geometry();
  EXPECT_EQ(g.window.Width(), g.face.cx);
  const QImage image = Paint(0);
  EXPECT_EQ(image.pixel(g.body.left + g.body.Width() / 2, g.body.top), qRgb(10, 200, 30));
  // The anchor strip repeats the body's colour down to the tip.
  EXPECT_EQ(image.pixel(g.tip.x + 2, g.tip.y - 8), qRgb(10, 200, 30));
}

TEST_F(RichTipWindowTest, SizeTableByIndexAndByKind) {
  EXPECT_EQ(tip_.Sizes(), kBalloonSizes);
  tip_.SetSize(9, 5);
  tip_.SetSize(-1, 5);
  EXPECT_EQ(tip_.Sizes(), kBalloonSizes);
  tip_.SetSize(SIZE_MARGIN_X, 20);
  EXPECT_EQ(tip_.Sizes()[SIZE_MARGIN_X], 20);
  tip_.SetSizes(false);
  EXPECT_EQ(tip_.Sizes(), kPlainSizes);
  // The plain table: no anchor, the window's corner at the pointer.
  ShowConnectAt({400, 300});
  EXPECT_EQ(tip_.Geometry().tip, (gdi::POINT{0, tip_.Geometry().face.cy}));
  EXPECT_EQ(tip_.pos(), QPoint(400, 300 - tip_.Geometry().face.cy));
}

// What a screen reader says is the text the tip shows, literal "<" included.
TEST_F(RichTipWindowTest, TheAccessibleNameIsTheTextTheTipShows) {
  struct Case {
    const char* markup;
    const char* name;
  };
  const Case cases[] = {
      {"a &lt; b is true", "a < b is true"},
      {"x<<y and more", "x<y and more"},
      {"<b>Con</b>nect<br>now", "Connect now"},
      {"a<>b", "a>b"},
      {"tail<", "tail<"},
      {"<i>one</i><t>two<hr>three", "one two three"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.markup);
    tip_.AddTool(connect_, std::string(c.markup));
    ShowConnectAt({400, 300});
    EXPECT_EQ(tip_.accessibleName(), QString::fromUtf8(c.name));
  }
}

// No markup makes the window larger than the virtual screen: what does not fit is cut off,
// as it would be past the screen's edge.
TEST_F(RichTipWindowTest, TheWindowIsNeverLargerThanTheVirtualScreen) {
  QRect desktop;
  for (QScreen* screen : QGuiApplication::screens()) desktop |= screen->geometry();
  for (const char* markup : {"x<br=32767>y", "<hr width=100000>", "<t=100000>x"}) {
    SCOPED_TRACE(markup);
    tip_.AddTool(connect_, std::string(markup));
    ShowConnectAt({400, 300});
    EXPECT_LE(tip_.width(), desktop.width());
    EXPECT_LE(tip_.height(), desktop.height());
    const TipGeometry& g = tip_.Geometry();
    EXPECT_LE(g.window.Width(), desktop.width());
    EXPECT_LE(g.window.Height(), desktop.height());
    const QImage image = Paint(0);
    EXPECT_EQ(image.size(), tip_.size());
    EXPECT_LE(tip_.Face().width(), desktop.width());
  }
  // A tip that fits keeps its size.
  tip_.AddTool(connect_, std::string("x<br=3>y"));
  ShowConnectAt({400, 300});
  EXPECT_EQ(tip_.Geometry().content.Height(), 4 * 13 + 1);
}

// The window manager owns the dialog's frame: a press on its title bar never reaches the
// relay. Moving the dialog or its losing the activation hides the tip instead.
TEST_F(RichTipWindowTest, MovingOrDeactivatingTheOwnerHidesTheTip) {
  owner_.move(50, 50);
  owner_.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return owner_.windowHandle()->isExposed(); }, 5000));
  owner_.activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return owner_.isActiveWindow(); }, 5000));
  QCoreApplication::processEvents();

  ShowConnectAt({400, 300});
  ASSERT_TRUE(tip_.isVisible());
  owner_.move(90, 70);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !tip_.isVisible(); }, 5000));

  QWidget other;
  other.setWindowTitle(QStringLiteral("another window"));
  other.setGeometry(500, 400, 100, 80);
  ShowConnectAt({400, 300});
  QCoreApplication::processEvents();
  ASSERT_TRUE(tip_.isVisible());
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return other.isActiveWindow(); }, 5000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !tip_.isVisible(); }, 5000));
  EXPECT_EQ(tip_.Timing().State(), STATE_HIDDEN);
}

// The animation timer wakes the program only while a shown tip has a strip to animate.
TEST_F(RichTipWindowTest, TheAnimationTimerRunsOnlyWhileAnAnimatedTipShows) {
  QTemporaryDir dir;
  QImage strip(16, 8, QImage::Format_RGB32);
  strip.fill(Qt::red);
  const QString file = dir.filePath(QStringLiteral("strip.png"));
  ASSERT_TRUE(strip.save(file));
  const std::string animated = "<ilst file=\"" + file.toStdString() + "\" speed=1> busy";
  EXPECT_EQ(tip_.GetDelay(DELAY_ANIMATION), 100);
  EXPECT_FALSE(tip_.TimerActive(TIMER_ANIMATION));

  owner_.show();
  tip_.SetDelay(DELAY_INITIAL, 0);
  const QPoint over = connect_->mapToGlobal(QPoint(40, 30));
  const auto showAtPointer = [&] {
    tip_.Timing().HideAtOnce();
    QCursor::setPos(over);
    const QPoint away = owner_.mapToGlobal(QPoint(5, 5));  // off every tool first
    tip_.RelayMessage({WM_MOUSEMOVE, {away.x(), away.y()}});
    tip_.RelayMessage({WM_MOUSEMOVE, {over.x(), over.y()}});
    QCoreApplication::processEvents();
  };
  // A still tip: no timer.
  tip_.AddTool(connect_, std::string("Connect"));
  showAtPointer();
  if (QCursor::pos() != over) GTEST_SKIP() << "the platform does not place the pointer";
  ASSERT_EQ(tip_.Timing().State(), STATE_SHOWN);
  EXPECT_FALSE(tip_.TimerActive(TIMER_ANIMATION));

  // An animated one: the timer runs while it shows, and stops when it hides.
  tip_.AddTool(connect_, animated);
  showAtPointer();
  ASSERT_EQ(tip_.Timing().State(), STATE_SHOWN);
  EXPECT_TRUE(tip_.TimerActive(TIMER_ANIMATION));
  tip_.RelayMessage({WM_KEYDOWN, {over.x(), over.y()}});
  EXPECT_FALSE(tip_.isVisible());
  EXPECT_FALSE(tip_.TimerActive(TIMER_ANIMATION));
}

// Two monitors side by side, 800 x 600 each (tests/tooltip/two_screens.json, which the
// tooltip_rich_tip_two_screens test gives the offscreen platform): the tip keeps to the
// virtual screen, so near the edge the two share it crosses over instead of flipping.
TEST_F(RichTipWindowTest, OnTwoScreensTheTipCrossesTheEdgeTheyShare) {
  if (QGuiApplication::screens().size() != 2) {
    GTEST_SKIP() << "needs the two screens of the tooltip_rich_tip_two_screens test";
  }
  struct Case {
    gdi::POINT at;
    int code;
  };
  const Case cases[] = {
      {{790, 300}, ABOVE_LEFT},    // the right-hand screen is beside it: no flip
      {{1590, 300}, ABOVE_RIGHT},  // nothing beyond the right-hand screen's edge
      {{810, 5}, BELOW_LEFT},      // nothing above either
      {{5, 300}, ABOVE_LEFT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.at.x << "," << c.at.y);
    ShowConnectAt(c.at);
    EXPECT_EQ(tip_.Geometry().code, c.code);
    EXPECT_EQ(tip_.pos() + QPoint(tip_.Geometry().tip.x, tip_.Geometry().tip.y),
              QPoint(c.at.x, c.at.y));
  }
  ShowConnectAt({790, 300});
  EXPECT_GT(tip_.geometry().right(), 800);
}

TEST(RichTipRelay, QtEventsBecomeTheRelayedMessages) {
  const QPointF local(5, 5);
  const QPointF global(105, 205);
  struct Case {
    std::unique_ptr<QEvent> event;
    std::optional<gdi::UINT> message;
  };
  const auto mouse = [&](QEvent::Type type, Qt::MouseButton button) {
    return std::make_unique<QMouseEvent>(type, local, global, button, button, Qt::NoModifier);
  };
  Case cases[] = {
      {mouse(QEvent::MouseMove, Qt::NoButton), WM_MOUSEMOVE},
      {mouse(QEvent::MouseButtonPress, Qt::LeftButton), WM_LBUTTONDOWN},
      {mouse(QEvent::MouseButtonPress, Qt::RightButton), WM_RBUTTONDOWN},
      {mouse(QEvent::MouseButtonPress, Qt::MiddleButton), WM_MBUTTONDOWN},
      {mouse(QEvent::MouseButtonRelease, Qt::LeftButton), WM_LBUTTONUP},
      {mouse(QEvent::MouseButtonDblClick, Qt::RightButton), WM_RBUTTONDBLCLK},
      {mouse(QEvent::NonClientAreaMouseButtonPress, Qt::LeftButton), WM_NCLBUTTONDOWN},
      {mouse(QEvent::NonClientAreaMouseButtonDblClick, Qt::MiddleButton), WM_NCMBUTTONDBLCLK},
      {mouse(QEvent::MouseButtonPress, Qt::BackButton), std::nullopt},
      {std::make_unique<QWheelEvent>(local, global, QPoint(), QPoint(0, 120), Qt::NoButton,
                                     Qt::NoModifier, Qt::NoScrollPhase, false),
       WM_MOUSEWHEEL},
      {std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier), WM_KEYDOWN},
      {std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_F, Qt::AltModifier), WM_SYSKEYDOWN},
      {std::make_unique<QKeyEvent>(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier), std::nullopt},
      {std::make_unique<QEvent>(QEvent::Paint), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "event type " << c.event->type());
    const std::optional<TipMessage> message = CRichTipRelay::MessageFor(c.event.get());
    ASSERT_EQ(message.has_value(), c.message.has_value());
    if (!message) continue;
    EXPECT_EQ(message->message, *c.message);
    if (c.event->type() != QEvent::KeyPress) {
      EXPECT_EQ(message->pt, (gdi::POINT{105, 205}));
    }
  }
}

// The pointer resting on a button shows its tip; a key hides it; the disabled button shows
// none. Real events through the relay on the application.
TEST_F(RichTipWindowTest, ThePointerRestingOnAToolShowsItsTip) {
  CRichTipRelay relay(&tip_, &owner_);
  qApp->installEventFilter(&relay);
  tip_.SetDelay(DELAY_INITIAL, 100);
  owner_.move(50, 50);
  owner_.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return owner_.windowHandle()->isExposed(); }, 5000));
  owner_.activateWindow();
  (void)QTest::qWaitFor([&] { return owner_.isActiveWindow() || Offscreen(); }, 2000);

  PointAt(disconnect_, {40, 30});
  QTest::qWait(400);
  EXPECT_FALSE(tip_.isVisible());

  PointAt(connect_, {40, 30});
  ASSERT_TRUE(QTest::qWaitFor([&] { return tip_.isVisible(); }, 5000));
  EXPECT_EQ(tip_.accessibleName(), QStringLiteral("Connect"));
  const QPoint anchor = tip_.pos() + QPoint(tip_.Geometry().tip.x, tip_.Geometry().tip.y);
  EXPECT_EQ(anchor, connect_->mapToGlobal(QPoint(40, 30)));
  EXPECT_NE(QApplication::activeWindow(), &tip_);

  QKeyEvent key(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier);
  QCoreApplication::sendEvent(owner_.windowHandle(), &key);
  EXPECT_FALSE(tip_.isVisible());
  qApp->removeEventFilter(&relay);
}

}  // namespace
