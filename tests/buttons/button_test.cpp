// CFlatButton and CShadeButton as widgets on Qt's offscreen platform: layout, states, mouse and
// keyboard behaviour, icons and what ends up on the screen.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "buttons/test_colors.h"
#include "resources.h"
#include "widgets/buttons/flat_button.h"
#include "widgets/buttons/shade_button.h"

using namespace gdi;

namespace {

constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kBlue = 0xFF0000FF;

// A solid square icon without alpha, opaque everywhere.
HICON SolidIcon(QRgb rgb, int size = 8) {
  QImage color(size, size, QImage::Format_RGB32);
  color.fill(rgb);
  QImage mask(size, size, QImage::Format_RGB32);
  mask.fill(Qt::black);
  ICONINFO info;
  info.xHotspot = info.yHotspot = static_cast<DWORD>(size / 2);
  info.hbmColor = std::make_unique<CBitmap>(color);
  info.hbmMask = std::make_unique<CBitmap>(mask);
  return CreateIconIndirect(info);
}

QImage Render(QWidget& widget) {
  return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Bounds of the pixels of one colour, or of everything but `background` when `invert`.
QRect Bounds(const QImage& image, QRgb rgb, bool invert = false, QRect area = QRect()) {
  if (area.isNull()) area = image.rect();
  QRect bounds;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if ((image.pixel(x, y) == rgb) != invert) bounds |= QRect(x, y, 1, 1);
    }
  }
  return bounds;
}

void SendMove(QWidget& widget, QPoint at, Qt::MouseButtons buttons = Qt::NoButton) {
  QMouseEvent move(QEvent::MouseMove, at, widget.mapToGlobal(at), Qt::NoButton, buttons,
                   Qt::NoModifier);
  QApplication::sendEvent(&widget, &move);
}

void SendMouse(QWidget& widget, QEvent::Type type, QPoint at) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, at, widget.mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
  QApplication::sendEvent(&widget, &event);
}

// ---- layout -------------------------------------------------------------------------------

struct PlaceCase {
  CFlatButton::ImageAlignment align;
  bool caption, pressed;
  int imageLeft, imageTop;
  RECT captionRect;
};

TEST(FlatButtonPlaceImage, TableOverAlignmentsCaptionsAndPressedOffset) {
  CFlatButton button(QStringLiteral("Connect"));
  button.resize(75, 65);
  const RECT item{0, 0, 75, 65};
  const RECT whole = item;
  // 32 x 32 image, origin (3, 3), pressed offset (1, 1); halves round toward zero.
  const PlaceCase cases[] = {
      {CFlatButton::kImageLeft, false, false, 21, 16, whole},
      {CFlatButton::kImageLeft, true, false, 3, 16, {35, 0, 75, 65}},
      {CFlatButton::kImageAbove, false, false, 21, 16, whole},
      {CFlatButton::kImageAbove, true, false, 21, 3, {0, 32, 75, 65}},
      {CFlatButton::kImageRight, false, false, 21, 0, whole},  // centred across, kept at the top
      {CFlatButton::kImageRight, true, false, 40, 16, {3, 0, 40, 65}},
      {CFlatButton::kImageOverlap, false, false, 0, 0, whole},
      {CFlatButton::kImageOverlap, true, false, 0, 0, whole},
      {CFlatButton::kImageLeft, true, true, 4, 17, {35, 0, 75, 65}},
      {CFlatButton::kImageAbove, true, true, 22, 4, {0, 32, 75, 65}},
      {CFlatButton::kImageRight, false, true, 22, 1, whole},
      {CFlatButton::kImageOverlap, true, true, 1, 1, whole},
  };
  for (const PlaceCase& c : cases) {
    ASSERT_EQ(button.SetImageAlignment(c.align, FALSE), CFlatButton::kOk);
    RECT caption = item;
    RECT image;
    button.PlaceImage(c.caption, &item, &caption, c.pressed, 32, 32, &image);
    EXPECT_EQ(image.left, c.imageLeft) << int{c.align} << c.caption << c.pressed;
    EXPECT_EQ(image.top, c.imageTop) << int{c.align} << c.caption << c.pressed;
    EXPECT_EQ(caption, c.captionRect) << int{c.align} << c.caption << c.pressed;
  }

  RECT caption = item, image;
  button.SetImageAlignment(CFlatButton::kImageAbove, FALSE);
  button.PlaceImage(FALSE, &item, &caption, FALSE, 91, 80, &image);  // larger than the face
  EXPECT_EQ(image.left, -8);
  EXPECT_EQ(image.top, -7);

  ASSERT_EQ(button.SetPressedStyle(CFlatButton::kPressedDown, FALSE), CFlatButton::kOk);
  button.PlaceImage(FALSE, &item, &caption, TRUE, 32, 32, &image);
  EXPECT_EQ(image.left, 21);
  EXPECT_EQ(image.top, 18);

  CFlatButton check(QString(), nullptr, BS_AUTOCHECKBOX);
  check.resize(75, 65);
  check.SetImageAlignment(CFlatButton::kImageAbove, FALSE);
  check.PlaceImage(FALSE, &item, &caption, TRUE, 32, 32, &image);  // no offset for check boxes
  EXPECT_EQ(image.left, 21);
  EXPECT_EQ(image.top, 16);
}

TEST(FlatButtonSetters, RejectOutOfRangeValuesAndKeepTheOldOnes) {
  CFlatButton button;
  EXPECT_EQ(button.GetPressedOffset(), (POINT{1, 1}));
  EXPECT_EQ(button.SetImageAlignment(CFlatButton::kImageRight, TRUE), CFlatButton::kOk);
  EXPECT_EQ(button.SetImageAlignment(4, TRUE), CFlatButton::kAlignmentOutOfRange);
  EXPECT_EQ(button.GetImageAlignment(), CFlatButton::kImageRight);
  EXPECT_EQ(button.SetPressedStyle(CFlatButton::kPressedDown, TRUE), CFlatButton::kOk);
  EXPECT_EQ(button.GetPressedOffset(), (POINT{0, 2}));
  EXPECT_EQ(button.SetPressedStyle(2, TRUE), CFlatButton::kPressedStyleOutOfRange);
  EXPECT_EQ(button.GetPressedOffset(), (POINT{0, 2}));
  for (int slot = 0; slot < CFlatButton::kColorCount; ++slot) {
    const auto s = static_cast<CFlatButton::ColorSlot>(slot);
    EXPECT_EQ(button.GetColor(s), slot % 2 ? RGB(0, 0, 0) : RGB(0xF0, 0xF0, 0xF0));
  }
}

// ---- styles, default button, check box ------------------------------------------------------

TEST(FlatButtonStyle, TypeBitsDecideCheckBoxAndDefaultButton) {
  struct Case {
    DWORD style;
    DWORD buttonType;
    bool checkBox, defaultButton;
    UINT dlgCode;
  };
  const Case cases[] = {
      {BS_PUSHBUTTON, 0, false, false, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON},
      {BS_DEFPUSHBUTTON, 0, false, true, DLGC_BUTTON | DLGC_DEFPUSHBUTTON},
      {BS_CHECKBOX, 2, true, false, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON},
      {BS_AUTOCHECKBOX | 0x00010000, 3, true, false, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON},
  };
  for (const Case& c : cases) {
    CFlatButton button(QStringLiteral("x"), nullptr, c.style);
    EXPECT_EQ(button.GetButtonType(), c.buttonType) << c.style;
    EXPECT_EQ(button.IsCheckBox(), c.checkBox) << c.style;
    EXPECT_EQ(button.IsDefaultButton(), c.defaultButton) << c.style;
    EXPECT_EQ(button.isDefault(), c.defaultButton) << c.style;
    EXPECT_EQ(button.isCheckable(), c.checkBox) << c.style;
    EXPECT_EQ(button.GetDlgCode(), c.dlgCode) << c.style;
    EXPECT_EQ(button.GetWindowStyle(), (c.style & ~BS_TYPEMASK) | BS_OWNERDRAW) << c.style;
  }
}

TEST(FlatButtonStyle, SetButtonStyleTracksTheDefaultButtonAndStaysOwnerDrawn) {
  CFlatButton button;
  EXPECT_EQ(button.SetButtonStyle(BS_DEFPUSHBUTTON), 0);
  EXPECT_TRUE(button.IsDefaultButton());
  EXPECT_EQ(button.GetDlgCode(), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
  button.SetButtonStyle(BS_CHECKBOX);  // neither: left as it was
  EXPECT_TRUE(button.IsDefaultButton());
  EXPECT_EQ(button.GetWindowStyle() & BS_TYPEMASK, BS_OWNERDRAW);
  button.SetButtonStyle(BS_PUSHBUTTON);
  EXPECT_FALSE(button.IsDefaultButton());
  EXPECT_FALSE(button.isDefault());
  EXPECT_EQ(button.GetDlgCode(), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
  EXPECT_TRUE(button.CtlColor().IsNull());
}

TEST(FlatButtonCheckBox, ClicksToggleAndSetCheckTreatsIndeterminateAsChecked) {
  CFlatButton box(QStringLiteral("Remember"), nullptr, BS_AUTOCHECKBOX);
  QSignalSpy clicks(&box, &QAbstractButton::clicked);
  box.click();
  EXPECT_EQ(box.IsChecked(), 1);
  EXPECT_TRUE(box.isChecked());  // what assistive technology reads
  box.click();
  EXPECT_EQ(box.OnGetCheck(), 0);
  EXPECT_EQ(clicks.count(), 2);

  const std::pair<UINT, int> setChecks[] = {
      {BST_CHECKED, 1}, {BST_UNCHECKED, 0}, {BST_INDETERMINATE, 1}, {3, 0}};
  for (auto [wParam, expected] : setChecks) {
    EXPECT_EQ(box.OnSetCheck(wParam), 0);
    EXPECT_EQ(box.IsChecked(), expected) << wParam;
    EXPECT_EQ(box.isChecked(), expected == 1) << wParam;
  }
  box.toggle();  // e.g. an accessibility toggle action
  EXPECT_EQ(box.IsChecked(), 1);

  CFlatButton push;
  push.OnSetCheck(BST_CHECKED);
  EXPECT_EQ(push.SetChecked(BST_CHECKED, TRUE), CFlatButton::kOk);
  EXPECT_EQ(push.IsChecked(), 0);
  push.click();
  EXPECT_EQ(push.IsChecked(), 0);
}

TEST(FlatButtonAccessibility, StaysAPushButtonNamedByItsCaption) {
  CShadeButton button(QStringLiteral("Connect"));
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&button);
  ASSERT_NE(face, nullptr);
  EXPECT_EQ(face->role(), QAccessible::Button);
  EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("Connect"));

  CFlatButton box(QStringLiteral("Remember"), nullptr, BS_AUTOCHECKBOX);
  QAccessibleInterface* boxFace = QAccessible::queryAccessibleInterface(&box);
  ASSERT_NE(boxFace, nullptr);
  EXPECT_TRUE(boxFace->state().checkable);
  box.OnSetCheck(BST_CHECKED);
  EXPECT_TRUE(boxFace->state().checked);
}

// ---- icons ----------------------------------------------------------------------------------

TEST(FlatButtonIcons, GreyAndDarkIconsKeepBlackAndTheMask) {
  // 2 x 2: a colour, black, and two more; the mask makes the black pixel transparent.
  QImage color(2, 2, QImage::Format_RGB32);
  color.fill(qRgb(9, 9, 9));
  color.setPixel(0, 0, qRgb(100, 150, 200));
  color.setPixel(1, 0, qRgb(0, 0, 0));
  QImage mask(2, 2, QImage::Format_RGB32);
  mask.fill(qRgb(0, 0, 0));
  mask.setPixel(1, 0, qRgb(255, 255, 255));
  ICONINFO info;
  info.xHotspot = info.yHotspot = 1;
  info.hbmColor = std::make_unique<CBitmap>(color);
  info.hbmMask = std::make_unique<CBitmap>(mask);
  const HICON source = CreateIconIndirect(info);

  struct Case {
    HICON (*make)(HICON);
    COLORREF expected;
  };
  // Grey: truncate(0.299 * 100 + 0.587 * 150 + 0.114 * 200) = truncate(140.75).
  // Dark: each channel minus a quarter, truncated: 75, 112, 150.
  const Case cases[] = {{CFlatButton::MakeGrayIcon, RGB(140, 140, 140)},
                        {CFlatButton::MakeDarkIcon, RGB(75, 112, 150)}};
  for (const Case& c : cases) {
    const HICON made = c.make(source);
    ICONINFO out;
    ASSERT_TRUE(GetIconInfo(made, &out));
    EXPECT_EQ(out.xHotspot, 1u);
    EXPECT_EQ(out.hbmColor->GetPixel(0, 0), c.expected);
    EXPECT_EQ(out.hbmColor->GetPixel(1, 0), RGB(0, 0, 0));
    EXPECT_EQ(out.hbmMask->GetPixel(1, 0), RGB(255, 255, 255));
    EXPECT_EQ(out.hbmMask->GetPixel(0, 0), RGB(0, 0, 0));
    DestroyIcon(made);
  }
  EXPECT_EQ(CFlatButton::MakeGrayIcon(HICON{0x424242}), NULL_ICON);
  DestroyIcon(source);
}

TEST(FlatButtonIcons, DimColorOnlyForFactorsAboveZeroUpToOne) {
  const COLORREF c = RGB(100, 150, 201);
  const std::pair<double, COLORREF> cases[] = {{0.0, c},
                                               {-0.5, c},
                                               {1.5, c},
                                               {1.0, RGB(0, 0, 0)},
                                               {0.25, RGB(75, 112, 150)},
                                               {0.5, RGB(50, 75, 100)}};
  for (auto [factor, expected] : cases) {
    EXPECT_EQ(CFlatButton::DimColor(c, factor), expected) << factor;
  }
}

TEST(FlatButtonIcons, SetIconsOwnsTheIconsAndRefusesInvalidOnes) {
  const int before = LiveIconCount();
  {
    CFlatButton button;
    EXPECT_EQ(button.SetIconsFromResources(res::kIconConnect, 32, 32,
                                           static_cast<UINT>(CFlatButton::kGrayIdleIcon), 0, 0),
              CFlatButton::kOk);
    EXPECT_EQ(button.GetIconSize(CFlatButton::kActiveIcon), (SIZE{32, 32}));
    EXPECT_EQ(button.GetIconSize(CFlatButton::kIdleIcon), (SIZE{32, 32}));
    EXPECT_NE(button.GetIcon(CFlatButton::kIdleIcon), NULL_ICON);
    EXPECT_EQ(LiveIconCount(), before + 2);

    EXPECT_EQ(button.SetIcons(SolidIcon(kRed), HICON{0x0BAD}), CFlatButton::kInvalidIcon);
    EXPECT_EQ(button.GetIcon(CFlatButton::kActiveIcon), NULL_ICON);
    EXPECT_EQ(LiveIconCount(), before);  // the failed call released what it was given

    EXPECT_EQ(button.SetIcons(HICON{0x0BAD}, NULL_ICON), CFlatButton::kInvalidIcon);
    EXPECT_EQ(button.SetIconsFromResources(res::kIconConnect, 32, 32,
                                           static_cast<UINT>(CFlatButton::kDarkIdleIcon), 0, 0),
              CFlatButton::kOk);
    // Handing the button its own icon again: released first, so refused, never used freed.
    EXPECT_EQ(button.SetIcons(button.GetIcon(CFlatButton::kActiveIcon), NULL_ICON),
              CFlatButton::kInvalidIcon);
    EXPECT_EQ(button.SetIconsFromResources(res::kIconConnect, 32, 32, 0, 0, 0), CFlatButton::kOk);
    EXPECT_EQ(button.GetIcon(CFlatButton::kIdleIcon), NULL_ICON);
    EXPECT_EQ(button.SetIcons(NULL_ICON, NULL_ICON), CFlatButton::kOk);
    EXPECT_EQ(LiveIconCount(), before);
    EXPECT_EQ(button.SetIconsFromResources(res::kIconDisconnect, 24, 24, res::kIconConnect, 16, 16),
              CFlatButton::kOk);
    EXPECT_EQ(button.GetIconSize(CFlatButton::kIdleIcon), (SIZE{16, 16}));
  }
  EXPECT_EQ(LiveIconCount(), before);
}

// ---- drawing ---------------------------------------------------------------------------------

class FlatButtonDrawing : public testing::Test {
 protected:
  void SetUp() override {
    button_.resize(75, 65);
    button_.SetImageAlignment(CFlatButton::kImageLeft, FALSE);
  }
  CFlatButton button_;
};

TEST_F(FlatButtonDrawing, IdleIconUntilHoveredOrPressedThenShiftedWhilePressed) {
  ASSERT_EQ(button_.SetIcons(SolidIcon(kRed), SolidIcon(kBlue)), CFlatButton::kOk);
  // No caption: centred, (75 - 8) / 2 = 33, (65 - 8) / 2 = 28.
  EXPECT_EQ(Bounds(Render(button_), kBlue), QRect(33, 28, 8, 8));
  EXPECT_FALSE(Bounds(Render(button_), kRed).isValid());

  SendMove(button_, {10, 10});
  ASSERT_TRUE(button_.IsHovered());
  QImage hovered = Render(button_);
  EXPECT_EQ(Bounds(hovered, kRed), QRect(33, 28, 8, 8));
  EXPECT_EQ(hovered.pixel(0, 0), test_colors::kHighlight);  // raised edge
  EXPECT_EQ(hovered.pixel(74, 64), test_colors::kShadow);

  button_.setDown(true);
  QImage pressed = Render(button_);
  EXPECT_EQ(Bounds(pressed, kRed), QRect(34, 29, 8, 8));
  EXPECT_EQ(pressed.pixel(0, 0), test_colors::kShadow);  // sunken edge
  EXPECT_EQ(pressed.pixel(74, 64), test_colors::kHighlight);
}

TEST_F(FlatButtonDrawing, WithoutIdleIconTheSameIconInEveryStateOnlyOffsetWhenPressed) {
  ASSERT_EQ(button_.SetIcons(SolidIcon(kRed), NULL_ICON), CFlatButton::kOk);
  EXPECT_EQ(Bounds(Render(button_), kRed), QRect(33, 28, 8, 8));
  SendMove(button_, {10, 10});
  EXPECT_EQ(Bounds(Render(button_), kRed), QRect(33, 28, 8, 8));
  button_.setDown(true);
  EXPECT_EQ(Bounds(Render(button_), kRed), QRect(34, 29, 8, 8));
}

TEST_F(FlatButtonDrawing, CaptionMovesByThePressedOffset) {
  button_.setText(QStringLiteral("Connect"));
  const QRect inside(2, 2, 71, 61);  // clear of the border
  const QRect idle = Bounds(Render(button_), test_colors::kFace, true, inside);
  ASSERT_TRUE(idle.isValid());
  EXPECT_NEAR(idle.center().x(), 37, 2);
  EXPECT_NEAR(idle.center().y(), 32, 3);
  button_.setDown(true);
  EXPECT_EQ(Bounds(Render(button_), test_colors::kFace, true, inside), idle.translated(1, 1));
}

TEST_F(FlatButtonDrawing, DisabledEngravesIconAndCaption) {
  ASSERT_EQ(button_.SetIcons(SolidIcon(kRed), NULL_ICON), CFlatButton::kOk);
  button_.setEnabled(false);
  QImage image = Render(button_);
  EXPECT_FALSE(Bounds(image, kRed).isValid());
  EXPECT_EQ(Bounds(image, test_colors::kShadow), QRect(33, 28, 8, 8));
  EXPECT_EQ(image.pixel(41, 36), test_colors::kHighlight);
  EXPECT_EQ(image.pixel(41, 28), test_colors::kFace);

  button_.SetIcons(NULL_ICON, NULL_ICON);
  button_.setText(QStringLiteral("Connect"));
  image = Render(button_);
  // Text is antialiased, so compare what is lighter and what is darker than the face: the
  // highlight copy lies one pixel right and down of the shadow copy, and nothing is drawn
  // in the text colour.
  const auto bounds = [&image](auto keep) {
    QRect r;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (keep(qGray(image.pixel(x, y)))) r |= QRect(x, y, 1, 1);
      }
    }
    return r;
  };
  const int face = qGray(test_colors::kFace);
  const QRect dark = bounds([face](int g) { return g < face; });
  const QRect light = bounds([face](int g) { return g > face; });
  ASSERT_TRUE(dark.isValid());
  EXPECT_EQ(light.bottomRight(), dark.bottomRight() + QPoint(1, 1));
  EXPECT_FALSE(bounds([](int g) { return g < qGray(test_colors::kShadow); }).isValid());
}

TEST_F(FlatButtonDrawing, CheckedCheckBoxDrawsSunkenWithTheActiveIconAndNoOffset) {
  CFlatButton box(QString(), nullptr, BS_AUTOCHECKBOX);
  box.resize(75, 65);
  ASSERT_EQ(box.SetIcons(SolidIcon(kRed), SolidIcon(kBlue)), CFlatButton::kOk);
  EXPECT_EQ(Bounds(Render(box), kBlue), QRect(33, 28, 8, 8));
  box.OnSetCheck(BST_CHECKED);
  const QImage checked = Render(box);
  EXPECT_EQ(Bounds(checked, kRed), QRect(33, 28, 8, 8));
  EXPECT_EQ(checked.pixel(0, 0), test_colors::kShadow);
}

// ---- mouse, keyboard and focus ------------------------------------------------------------------

TEST(FlatButtonHover, SetByMovesEndedByLeaveFocusLossAndMovesOutside) {
  CFlatButton button(QStringLiteral("Connect"));
  button.resize(75, 65);
  SendMove(button, {5, 5});
  EXPECT_TRUE(button.IsHovered());
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&button, &leave);
  EXPECT_FALSE(button.IsHovered());

  // Arriving with the left button held does not light it up...
  SendMove(button, {5, 5}, Qt::LeftButton);
  EXPECT_FALSE(button.IsHovered());
  // ...but a hovered button keeps tracking while held, and ends outside its rectangle.
  SendMove(button, {5, 5});
  SendMove(button, {6, 6}, Qt::LeftButton);
  EXPECT_TRUE(button.IsHovered());
  SendMove(button, {80, 6}, Qt::LeftButton);
  EXPECT_FALSE(button.IsHovered());

  SendMove(button, {5, 5});
  QFocusEvent focusOut(QEvent::FocusOut, Qt::OtherFocusReason);
  QApplication::sendEvent(&button, &focusOut);
  EXPECT_FALSE(button.IsHovered());

  SendMove(button, {5, 5});
  button.OnActivate(WA_INACTIVE);
  EXPECT_FALSE(button.IsHovered());
  SendMove(button, {5, 5});
  button.OnCancelMode();
  EXPECT_FALSE(button.IsHovered());
}

TEST(FlatButtonClicks, ADoubleClickGivesTwoClicks) {
  CFlatButton button(QStringLiteral("Connect"));
  button.resize(75, 65);
  QSignalSpy clicks(&button, &QAbstractButton::clicked);
  // The order Windows reports: down, up, double click, up.
  SendMouse(button, QEvent::MouseButtonPress, {10, 10});
  SendMouse(button, QEvent::MouseButtonRelease, {10, 10});
  SendMouse(button, QEvent::MouseButtonDblClick, {10, 10});
  SendMouse(button, QEvent::MouseButtonRelease, {10, 10});
  EXPECT_EQ(clicks.count(), 2);

  // Through the window system, as a real double click arrives.
  button.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
  clicks.clear();
  QTest::mouseDClick(button.windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  EXPECT_EQ(clicks.count(), 2);
}

class FocusOnDisable : public testing::Test {
 protected:
  void SetUp() override {
    window_.setLayout(new QVBoxLayout);
    window_.show();
    QApplication::setActiveWindow(&window_);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  }
  template <typename T>
  T* Add(T* widget) {
    window_.layout()->addWidget(widget);
    widget->show();
    return widget;
  }
  QWidget window_;
};

TEST_F(FocusOnDisable, MovesToTheNextTabStopWhoeverHadIt) {
  auto* first = Add(new QPushButton(QStringLiteral("first")));
  auto* flat = Add(new CFlatButton(QStringLiteral("Connect")));
  auto* hidden = Add(new QPushButton(QStringLiteral("hidden")));
  auto* label = Add(new QLabel(QStringLiteral("no tab stop")));
  auto* last = Add(new QPushButton(QStringLiteral("last")));
  hidden->hide();
  (void)label;
  first->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), first);
  flat->setEnabled(false);
  EXPECT_EQ(QApplication::focusWidget(), last);
}

TEST_F(FocusOnDisable, WrapsAroundAndFallsBackToTheDialog) {
  auto* first = Add(new QPushButton(QStringLiteral("first")));
  auto* flat = Add(new CFlatButton(QStringLiteral("Connect")));
  flat->setFocus();
  flat->setEnabled(false);
  EXPECT_EQ(QApplication::focusWidget(), first);

  first->setEnabled(false);
  flat->setEnabled(true);
  flat->setFocus();
  flat->setEnabled(false);
  EXPECT_EQ(QApplication::focusWidget(), &window_);
}

TEST_F(FocusOnDisable, AGreyedParentIsNotTheButtonsOwnDisable) {
  auto* first = Add(new QPushButton(QStringLiteral("first")));
  auto* group = Add(new QWidget);
  group->setLayout(new QVBoxLayout);
  group->layout()->addWidget(new CFlatButton(QStringLiteral("Connect")));
  Add(new QPushButton(QStringLiteral("last")));
  first->setFocus();
  group->setEnabled(false);
  EXPECT_EQ(QApplication::focusWidget(), first);
}

TEST(FlatButtonColors, SystemColourChangeResetsTheColours) {
  CFlatButton button;
  const QPalette saved = QApplication::palette();
  QPalette changed = saved;
  changed.setColor(QPalette::Button, QColor(10, 20, 30));
  QApplication::setPalette(changed);
  QCoreApplication::sendPostedEvents();  // widgets hear of it through posted events
  EXPECT_EQ(button.GetColor(CFlatButton::kIdleBackground), RGB(10, 20, 30));
  QApplication::setPalette(saved);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(button.GetColor(CFlatButton::kFocusBackground), RGB(0xF0, 0xF0, 0xF0));
}

// ---- the shaded button as the main dialog sets it up -------------------------------------------

class ShadeButtonDialogSetup : public testing::Test {
 protected:
  void SetUp() override {
    button_.resize(75, 65);
    button_.SetShadeEffect(SHADE_HARDBUMP, 8, 20, 5, RGB(55, 55, 255));
    ASSERT_EQ(button_.SetImageAlignment(CFlatButton::kImageAbove, TRUE), CFlatButton::kOk);
    ASSERT_EQ(button_.SetIconsFromResources(res::kIconConnect, 32, 32, 0, 0, 0), CFlatButton::kOk);
  }
  // The colour the face shows at (x, y) of an image (y from the top).
  static QRgb FaceColor(const CPaletteDib& image, int x, int y) {
    const BYTE index = image.PixelData()[(image.GetHeight() - 1 - y) * image.GetLineWidth() + x];
    const RGBQUAD& q = image.Palette()[index];
    return qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
  }
  CShadeButton button_{QStringLiteral("Connect")};
};

TEST_F(ShadeButtonDialogSetup, BuildsTintedImagesOfTheFaceSize) {
  const CPaletteDib& normal = button_.NormalImage();
  const CPaletteDib& hover = button_.HoverImage();
  EXPECT_EQ(normal.GetWidth(), 75u);
  EXPECT_EQ(normal.GetHeight(), 65u);
  EXPECT_EQ(hover.GetSize(), normal.GetSize());
  // Entry 0: shadow (160, 160, 160) 5 % toward (55, 55, 255), then 20 % toward white.
  const RGBQUAD n = normal.Palette()[0];
  EXPECT_EQ((std::vector<int>{n.rgbRed, n.rgbGreen, n.rgbBlue}), (std::vector<int>{154, 154, 164}));
  const RGBQUAD h = hover.Palette()[0];
  EXPECT_EQ((std::vector<int>{h.rgbRed, h.rgbGreen, h.rgbBlue}), (std::vector<int>{174, 174, 182}));
  EXPECT_EQ(0, std::memcmp(normal.PixelData(), hover.PixelData(), normal.Header().biSizeImage));
}

TEST_F(ShadeButtonDialogSetup, DrawsTheTextureTheHoverCopyAndTheShiftWhenPressed) {
  const QImage idle = Render(button_);
  EXPECT_EQ(idle.pixel(5, 5), FaceColor(button_.NormalImage(), 5, 5));
  EXPECT_EQ(idle.pixel(0, 64), FaceColor(button_.NormalImage(), 0, 64));
  // The icon sits centred above the caption: plug body (16, 17) of the icon at (21, 3).
  EXPECT_EQ(idle.pixel(21 + 16, 3 + 17), 0xFF2E9B3A);

  SendMove(button_, {5, 5});
  const QImage hovered = Render(button_);
  EXPECT_EQ(hovered.pixel(5, 5), FaceColor(button_.HoverImage(), 5, 5));
  EXPECT_EQ(hovered.pixel(0, 0), test_colors::kHighlight);

  button_.setDown(true);
  const QImage pressed = Render(button_);
  EXPECT_EQ(pressed.pixel(5, 5), FaceColor(button_.HoverImage(), 4, 4));
  EXPECT_EQ(pressed.pixel(0, 0), test_colors::kShadow);
  EXPECT_EQ(pressed.pixel(21 + 16 + 1, 3 + 17 + 1), 0xFF2E9B3A);
}

}  // namespace
