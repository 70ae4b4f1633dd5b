#include "widgets/tooltip/rich_tip.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTimerEvent>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <utility>

#include "platform/window_message.h"
#include "resources.h"

using namespace tip;

namespace {

QAccessibleInterface* TipAccessible(const QString& key, QObject* object) {
  if (key == QLatin1String("CRichTip")) {
    if (auto* widget = qobject_cast<QWidget*>(object)) {
      return new QAccessibleWidget(widget, QAccessible::ToolTip);
    }
  }
  return nullptr;
}

// 255 * (100 - darkness) / 100, rounded as MulDiv rounds.
int ShadowLevel(int darkness) { return (255 * (100 - darkness) + 50) / 100; }

}  // namespace

CRichTip::CRichTip()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      timing_(*this),
      measureImage_(1, 1, QImage::Format_RGB32) {
  static const bool factoryInstalled = [] {
    QAccessible::installFactory(TipAccessible);
    return true;
  }();
  (void)factoryInstalled;
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  setMouseTracking(true);
  drawer_.SetMaxWidth(0);
  ToolEntry& defaults = timing_.Defaults();
  defaults.colourBegin = defaults.colourMiddle = defaults.colourEnd =
      gdi::GetSysColor(gdi::COLOR_INFOBK);
  borderBrush_ = gdi::CBrush(gdi::GetSysColor(gdi::COLOR_INFOTEXT));
  // Another application coming to the front takes the tip away.
  connect(qApp, &QGuiApplication::applicationStateChanged, this,
          [this](Qt::ApplicationState state) {
            timing_.OnActivateApp(state == Qt::ApplicationActive);
          });
}

CRichTip::~CRichTip() {
  timing_.HideAtOnce();
  timing_.SetDelay(DELAY_ANIMATION, 0);
}

bool CRichTip::Create(QWidget* parent, bool balloon) {
  if (owner_) owner_->removeEventFilter(this);
  setParent(parent, windowFlags());
  // The window manager owns the owner's frame: a press on its title bar reaches no relay.
  // The owner's moving or losing the activation hides the tip instead.
  owner_ = parent ? parent->window() : nullptr;
  if (owner_) owner_->installEventFilter(this);
  SetSizes(balloon);
  drawer_.SetCallbackHyperlink(this, CMarkupDrawer::kHoverMessage, 0);
  // The period only: the timer runs while a shown tip has an animated strip.
  timing_.SetDelay(DELAY_ANIMATION, 100);
  return true;
}

void CRichTip::AddTool(QWidget* window, const std::string& text, std::optional<gdi::RECT> area,
                       int toolId) {
  timing_.AddTool(window, text, area, toolId);
}

void CRichTip::AddTool(QWidget* window, gdi::UINT stringId, std::optional<gdi::RECT> area,
                       int toolId) {
  timing_.AddTool(window, res::LoadString(static_cast<int>(stringId)), area, toolId);
}

void CRichTip::SetSize(int index, int value) {
  if (index >= 0 && index < SIZE_COUNT) sizes_[static_cast<std::size_t>(index)] = value;
}

void CRichTip::SetSizes(bool balloon) { sizes_ = balloon ? kBalloonSizes : kPlainSizes; }

void CRichTip::SetBackgroundColours(gdi::COLORREF begin, gdi::COLORREF middle, gdi::COLORREF end) {
  ToolEntry& defaults = timing_.Defaults();
  defaults.colourBegin = begin;
  defaults.colourMiddle = middle;
  defaults.colourEnd = end;
}

void CRichTip::SetBorder(std::optional<gdi::CBrush> brush, int width, int height) {
  if (!brush || brush->IsNull() || width == 0 || height == 0) {
    borderBrush_.reset();
    borderWidth_ = borderHeight_ = 0;
    return;
  }
  borderBrush_ = *brush;
  borderWidth_ = width;
  borderHeight_ = height;
}

void CRichTip::SetShadow(int offsetX, int offsetY, int darkness, bool blur, gdi::DWORD depthX,
                         gdi::DWORD depthY) {
  shadow_ = CEffectPainter::ShadowStyle::Make(offsetX, offsetY, darkness, blur, depthX, depthY);
}

int CRichTip::RelayMessage(const TipMessage& msg) {
  timing_.RelayMessage(msg);
  return 0;
}

std::vector<ScreenArea> CRichTip::Screens() {
  const auto rect = [](const QRect& r) {
    return gdi::RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
  };
  std::vector<ScreenArea> screens;
  // The primary screen first: it stands for a point on no screen.
  QList<QScreen*> all = QGuiApplication::screens();
  if (QScreen* primary = QGuiApplication::primaryScreen(); primary && all.removeOne(primary)) {
    all.prepend(primary);
  }
  for (QScreen* screen : all) {
    screens.push_back({rect(screen->geometry()), rect(screen->availableGeometry())});
  }
  return screens;
}

void CRichTip::ReleaseDrawing() {
  background_.reset();
  savedScreen_.reset();
  face_ = QImage();
}

void CRichTip::LayOutAndShow(gdi::POINT screen) {
  const ToolEntry& entry = timing_.NextTool();
  if (entry.text.empty()) return;

  gdi::CDC measure(&measureImage_);
  const gdi::SIZE text = drawer_.PrepareOutput(&measure, entry.text);
  const std::vector<ScreenArea> screens = Screens();
  const gdi::RECT desktop = VirtualScreen(screens);
  geometry_ =
      LayOutTip(text, sizes_, entry.placement, screen, PlacementScreen(screens, screen),
                {shadow_.shadow.dx, shadow_.shadow.dy}, {desktop.Width(), desktop.Height()});
  ReleaseDrawing();

  // The body's fill, and its edge row or column stretched over the anchor strip.
  const int W = geometry_.face.cx;
  const int H = geometry_.face.cy;
  const gdi::RECT& body = geometry_.body;
  background_ = gdi::CBitmap::CreateCompatibleBitmap(W, H);
  if (!background_) return;
  auto dc = gdi::CDC::CreateCompatibleDC(nullptr);
  dc->SelectObject(background_.get());
  painter_.PaintBackground(dc.get(), entry.fillEffect, &body,
                           {entry.colourBegin, entry.colourMiddle, entry.colourEnd},
                           entry.granularity, 5);
  switch (geometry_.code & 0xF0) {
    case BELOW_LEFT:
      painter_.TileCopy(dc.get(), {0, 0, W, body.top}, dc.get(), 0, body.top + 1, W, 1);
      break;
    case ABOVE_LEFT:
      painter_.TileCopy(dc.get(), {0, body.bottom, W, H - body.bottom}, dc.get(), 0,
                        body.bottom - 1, W, 1);
      break;
    case RIGHT_TOP:
      painter_.TileCopy(dc.get(), {0, 0, body.left, H}, dc.get(), body.left + 1, 0, 1, H);
      break;
    default:
      painter_.TileCopy(dc.get(), {body.right, 0, W - body.right, H}, dc.get(), body.right - 1, 0,
                        1, H);
      break;
  }
  dc->SelectObject(static_cast<gdi::CBitmap*>(nullptr));

  // What lies under the window, taken while the tip is still hidden: the fades blend over it.
  const QRect frame(geometry_.position.x, geometry_.position.y, geometry_.window.Width(),
                    geometry_.window.Height());
  QImage under(frame.size(), QImage::Format_RGB32);
  under.fill(palette().color(QPalette::Window));
  QImage grabbed;
  if (grabber_) {
    grabbed = grabber_(frame);
  } else if (QScreen* where = QGuiApplication::screenAt(frame.topLeft())) {
    const QRect g = where->geometry();
    grabbed =
        where->grabWindow(0, frame.x() - g.x(), frame.y() - g.y(), frame.width(), frame.height())
            .toImage();
  }
  if (!grabbed.isNull()) {
    QPainter p(&under);
    p.drawImage(0, 0, grabbed);
  }
  savedScreen_ = std::make_unique<gdi::CBitmap>(std::move(under));

  setAccessibleName(QString::fromStdString(drawer_.ShownText()));
  setGeometry(frame);
  setMask(geometry_.windowRegion);
  show();
}

QImage CRichTip::ComposeFace(int transparency) {
  if (!background_ || !savedScreen_) return {};
  const int W = geometry_.face.cx;
  const int H = geometry_.face.cy;
  const int t = std::clamp(transparency, 0, 100);

  QImage work = background_->Image()->copy();
  {
    gdi::CDC dc(&work);
    drawer_.DrawPreparedOutput(&dc, geometry_.content);
    if (borderBrush_ && borderWidth_ != 0 && borderHeight_ != 0) {
      OnDrawBorder(&dc, geometry_.balloon);
    }
  }

  QImage output = savedScreen_->Image()->copy();
  gdi::CDC out(&output);
  const CEffectPainter::Shadow& shadow = shadow_.shadow;
  if (shadow.dx != 0 || shadow.dy != 0) {
    const int c = ShadowLevel(shadow_.darkness);
    const int g = c + (255 - c) * t / 100;
    QImage maskImage(W, H, QImage::Format_RGB32);
    maskImage.fill(Qt::white);
    {
      gdi::CDC maskDc(&maskImage);
      for (const QRect& r : geometry_.balloon) {
        maskDc.FillSolidRect({r.left(), r.top(), r.right() + 1, r.bottom() + 1}, gdi::RGB(g, g, g));
      }
    }
    gdi::CBitmap mask(std::move(maskImage));
    painter_.DrawDropShadow(&out, {shadow.dx, shadow.dy, W, H}, &mask, shadow_.blur ? gdi::TRUE : 0,
                            shadow.depthX, shadow.depthY);
  }

  // The blend touches the balloon only: outside it the saved screen and the shadow stay.
  QImage blended = output.copy();
  {
    gdi::CDC blendDc(&blended);
    gdi::CDC workDc(&work);
    painter_.BlendCopy(&blendDc, {0, 0, W, H}, &workDc, 0, 0, 100 - t);
  }
  {
    QPainter p(&output);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.setClipRegion(geometry_.balloon);
    p.drawImage(0, 0, blended);
  }
  return output;
}

void CRichTip::PaintTip(gdi::CDC* dc, int transparency) {
  QImage output = ComposeFace(transparency);
  if (output.isNull()) return;
  if (dc) {
    gdi::CDC source(&output);
    dc->BitBlt(0, 0, output.width(), output.height(), &source, 0, 0, gdi::SRCCOPY);
    return;
  }
  face_ = std::move(output);
  directPaint_ = true;
  repaint();
  directPaint_ = false;
}

void CRichTip::OnDrawBorder(gdi::CDC* dc, const QRegion& region) {
  if (!dc || !borderBrush_) return;
  // The frame is what the region loses when it shrinks by the border width and height.
  const int w = std::abs(borderWidth_);
  const int h = std::abs(borderHeight_);
  const QRegion inner = region.intersected(region.translated(w, 0))
                            .intersected(region.translated(-w, 0))
                            .intersected(region.translated(0, h))
                            .intersected(region.translated(0, -h));
  for (const QRect& r : region.subtracted(inner)) {
    dc->FillRect({r.left(), r.top(), r.right() + 1, r.bottom() + 1}, *borderBrush_);
  }
}

bool CRichTip::eventFilter(QObject* watched, QEvent* e) {
  if (watched == owner_) {
    if (e->type() == QEvent::WindowDeactivate) {
      timing_.HideAtOnce();
    } else if (e->type() == QEvent::Move) {
      const auto* move = static_cast<const QMoveEvent*>(e);
      if (move->pos() != move->oldPos()) timing_.HideAtOnce();
    }
  }
  return QWidget::eventFilter(watched, e);
}

bool CRichTip::event(QEvent* e) {
  if (e->type() == WindowMessageEvent::EventType()) {
    const auto* message = static_cast<WindowMessageEvent*>(e);
    if (message->message == CMarkupDrawer::kHoverMessage) {
      if (repaintOnCallback_) PaintTip(nullptr, 0);
      e->accept();
      return true;
    }
  }
  return QWidget::event(e);
}

void CRichTip::paintEvent(QPaintEvent*) {
  if (!directPaint_) face_ = ComposeFace(timing_.OnPaint());
  QPainter p(this);
  if (!face_.isNull()) p.drawImage(0, 0, face_);
}

void CRichTip::mouseMoveEvent(QMouseEvent* e) {
  const QPoint at = e->position().toPoint();
  if (!drawer_.OnSetCursor({at.x(), at.y()}, this)) setCursor(Qt::ArrowCursor);
}

void CRichTip::timerEvent(QTimerEvent* e) {
  for (std::size_t i = 0; i < timers_.size(); ++i) {
    if (timers_[i].timerId() == e->timerId()) {
      timing_.OnTimer(TIMER_SHOW + static_cast<int>(i));
      return;
    }
  }
  QWidget::timerEvent(e);
}

void CRichTip::SetTimer(int id, int milliseconds) {
  const int index = id - TIMER_SHOW;
  if (index < 0 || index >= static_cast<int>(timers_.size())) return;
  timers_[static_cast<std::size_t>(index)].start(milliseconds, this);
}

void CRichTip::KillTimer(int id) {
  const int index = id - TIMER_SHOW;
  if (index < 0 || index >= static_cast<int>(timers_.size())) return;
  timers_[static_cast<std::size_t>(index)].stop();
}

bool CRichTip::HasAnimations() {
  const std::vector<CMarkupDrawer::AnimationInfo>& animations = drawer_.Animations();
  return std::any_of(animations.begin(), animations.end(),
                     [](const CMarkupDrawer::AnimationInfo& a) { return a.frameCount > 0; });
}

bool CRichTip::TimerActive(int id) const {
  const int index = id - TIMER_SHOW;
  if (index < 0 || index >= static_cast<int>(timers_.size())) return false;
  return timers_[static_cast<std::size_t>(index)].isActive();
}

gdi::POINT CRichTip::GetCursorPos() {
  const QPoint at = QCursor::pos();
  return {at.x(), at.y()};
}

bool CRichTip::IsTipAt(gdi::POINT screen) {
  if (!isVisible()) return false;
  return geometry_.windowRegion.contains(mapFromGlobal(QPoint(screen.x, screen.y)));
}

QWidget* CRichTip::ToolWindowAt(gdi::POINT screen, bool* enabled) {
  QWidget* hit = QApplication::widgetAt(QPoint(screen.x, screen.y));
  if (!hit || hit->isWindow()) return nullptr;
  QWidget* candidate = hit;
  // An editable combo box's line edit stands for the combo box.
  if (auto* combo = qobject_cast<QComboBox*>(hit->parentWidget()); combo && combo->isEditable()) {
    candidate = combo;
  }
  *enabled = candidate->isEnabled();
  return candidate;
}

gdi::POINT CRichTip::ToolClientPoint(QWidget* window, gdi::POINT screen) {
  QPoint at = window->mapFromGlobal(QPoint(screen.x, screen.y));
  if (auto* view = qobject_cast<QAbstractScrollArea*>(window)) {
    at += QPoint(view->horizontalScrollBar()->value(), view->verticalScrollBar()->value());
  }
  return {at.x(), at.y()};
}

void CRichTip::ClickTip(gdi::POINT screen) {
  const QPoint at = mapFromGlobal(QPoint(screen.x, screen.y));
  drawer_.OnLButtonDown({at.x(), at.y()});
}

// ---- The relay ----

CRichTipRelay::CRichTipRelay(CRichTip* tip, QWidget* owner, QObject* parent)
    : QObject(parent), tip_(tip), owner_(owner) {}

std::optional<TipMessage> CRichTipRelay::MessageFor(const QEvent* event) {
  const auto at = [](QPointF global) {
    const QPoint p = global.toPoint();
    return gdi::POINT{p.x(), p.y()};
  };
  const auto byButton = [](Qt::MouseButton button, gdi::UINT left, gdi::UINT right,
                           gdi::UINT middle) -> std::optional<gdi::UINT> {
    switch (button) {
      case Qt::LeftButton:
        return left;
      case Qt::RightButton:
        return right;
      case Qt::MiddleButton:
        return middle;
      default:
        return std::nullopt;
    }
  };
  std::optional<gdi::UINT> message;
  gdi::POINT pt;
  switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick: {
      const auto* mouse = static_cast<const QMouseEvent*>(event);
      pt = at(mouse->globalPosition());
      switch (event->type()) {
        case QEvent::MouseMove:
          message = WM_MOUSEMOVE;
          break;
        case QEvent::MouseButtonPress:
          message = byButton(mouse->button(), WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN);
          break;
        case QEvent::MouseButtonRelease:
          message = byButton(mouse->button(), WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP);
          break;
        case QEvent::MouseButtonDblClick:
          message = byButton(mouse->button(), WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK);
          break;
        case QEvent::NonClientAreaMouseMove:
          message = WM_NCMOUSEMOVE;
          break;
        case QEvent::NonClientAreaMouseButtonPress:
          message = byButton(mouse->button(), WM_NCLBUTTONDOWN, WM_NCRBUTTONDOWN, WM_NCMBUTTONDOWN);
          break;
        default:
          message =
              byButton(mouse->button(), WM_NCLBUTTONDBLCLK, WM_NCRBUTTONDBLCLK, WM_NCMBUTTONDBLCLK);
          break;
      }
      break;
    }
    case QEvent::Wheel: {
      const auto* wheel = static_cast<const QWheelEvent*>(event);
      pt = at(wheel->globalPosition());
      message = wheel->angleDelta().y() != 0 ? WM_MOUSEWHEEL : WM_MOUSEHWHEEL;
      break;
    }
    case QEvent::KeyPress: {
      const auto* key = static_cast<const QKeyEvent*>(event);
      pt = at(QCursor::pos());
      message = key->modifiers() & Qt::AltModifier ? WM_SYSKEYDOWN : WM_KEYDOWN;
      break;
    }
    default:
      break;
  }
  if (!message) return std::nullopt;
  return TipMessage{*message, pt};
}

bool CRichTipRelay::eventFilter(QObject* watched, QEvent* event) {
  if (!tip_) return false;
  // Each input event reaches its window first and then the widget under it: the windows'
  // copies are the ones relayed, once each.
  auto* window = qobject_cast<QWindow*>(watched);
  if (!window) return false;
  const bool ours =
      window == tip_->windowHandle() || (owner_ && owner_->window()->windowHandle() == window);
  if (!ours) return false;
  if (const std::optional<TipMessage> message = MessageFor(event)) tip_->RelayMessage(*message);
  return false;
}
