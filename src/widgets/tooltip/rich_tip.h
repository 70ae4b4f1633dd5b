#pragma once
// CRichTip: a balloon that shows a markup tip when the pointer rests over a registered tool.
// A frameless top-level window that never takes the focus, shaped by its balloon, painted over
// a copy of the screen beneath it so that it can fade without a compositor. It learns about
// the pointer only through RelayMessage, which its owner feeds from an event filter on the
// application (CRichTipRelay).

#include <QBasicTimer>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/dc.h"
#include "platform/gdi/gdi.h"
#include "widgets/tooltip/effect_painter.h"
#include "widgets/tooltip/markup_drawer.h"
#include "widgets/tooltip/rich_tip_timing.h"
#include "widgets/tooltip/tip_layout.h"

class QEvent;

class CRichTip : public QWidget, private RichTipHost {
  Q_OBJECT

 public:
  CRichTip();
  ~CRichTip() override;

  // Owned by parent (may be null); balloon selects the balloon sizes, else the plain ones.
  bool Create(QWidget* parent, bool balloon);

  void AddTool(QWidget* window, const std::string& text,
               std::optional<gdi::RECT> area = std::nullopt, int toolId = 0);
  // The text of a string resource.
  void AddTool(QWidget* window, gdi::UINT stringId, std::optional<gdi::RECT> area = std::nullopt,
               int toolId = 0);
  void RemoveAllTools() { timing_.RemoveAllTools(); }

  void SetDelay(int kind, int milliseconds) { timing_.SetDelay(kind, milliseconds); }
  int GetDelay(int kind) const { return timing_.GetDelay(kind); }
  void SetSize(int index, int value);
  void SetSizes(bool balloon);
  const tip::SizeTable& Sizes() const { return sizes_; }
  void SetBackgroundColours(gdi::COLORREF begin, gdi::COLORREF middle, gdi::COLORREF end);
  void SetBackgroundColours(gdi::COLORREF colour) { SetBackgroundColours(colour, colour, colour); }
  // No brush or a zero size switches the border off.
  void SetBorder(std::optional<gdi::CBrush> brush, int width, int height);
  void SetBorder(gdi::COLORREF colour, int width, int height) {
    SetBorder(gdi::CBrush(colour), width, height);
  }
  void SetShadow(int offsetX, int offsetY, int darkness, bool blur, gdi::DWORD depthX,
                 gdi::DWORD depthY);
  // The defaults of the tool fields a tool does not set itself.
  ToolEntry& Defaults() { return timing_.Defaults(); }

  int RelayMessage(const tip::TipMessage& msg);

  // Lays out the next tool at the screen point and shows it, without activating.
  void LayOutAndShow(gdi::POINT screen) override;
  // Composes the tip at transparency t (0 opaque, 100 gone) into dc, or, without one, into
  // the window's face.
  void PaintTip(gdi::CDC* dc, int transparency);

  RichTipTiming& Timing() { return timing_; }
  const RichTipTiming& Timing() const { return timing_; }
  CMarkupDrawer& Drawer() { return drawer_; }
  const tip::TipGeometry& Geometry() const { return geometry_; }
  // The last composed face of the window.
  const QImage& Face() const { return face_; }
  // The saved screen can come from elsewhere (tests; platforms that cannot grab the screen).
  void SetScreenGrabber(std::function<QImage(const QRect&)> grabber) {
    grabber_ = std::move(grabber);
  }
  // Whether window timer `id` (256 to 260) is running.
  bool TimerActive(int id) const;

 protected:
  // Frames the region with the border brush, border width by border height.
  virtual void OnDrawBorder(gdi::CDC* dc, const QRegion& region);

  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void timerEvent(QTimerEvent* e) override;

 private:
  // RichTipHost.
  void SetTimer(int id, int milliseconds) override;
  void KillTimer(int id) override;
  gdi::POINT GetCursorPos() override;
  bool IsTipVisible() override { return isVisible(); }
  bool IsTipAt(gdi::POINT screen) override;
  QWidget* ToolWindowAt(gdi::POINT screen, bool* enabled) override;
  gdi::POINT ToolClientPoint(QWidget* window, gdi::POINT screen) override;
  void PaintTip(int transparency) override { PaintTip(nullptr, transparency); }
  void HideTip() override { hide(); }
  void MoveTipTo(gdi::POINT screen) override { move(screen.x, screen.y); }
  void ClickTip(gdi::POINT screen) override;
  bool StepAnimations() override { return drawer_.OnTimer(); }
  bool HasAnimations() override;

  // The monitors as they are now.
  static std::vector<tip::ScreenArea> Screens();
  void ReleaseDrawing();
  // The window's pixels at transparency t; null before the first layout.
  QImage ComposeFace(int transparency);

  RichTipTiming timing_;
  CMarkupDrawer drawer_;
  CEffectPainter painter_;
  QImage measureImage_;
  tip::SizeTable sizes_ = tip::kBalloonSizes;
  std::optional<gdi::CBrush> borderBrush_;
  int borderWidth_ = 1;
  int borderHeight_ = 1;
  CEffectPainter::ShadowStyle shadow_{{6, 6, 7, 7}};
  bool repaintOnCallback_ = true;

  tip::TipGeometry geometry_;
  std::unique_ptr<gdi::CBitmap> background_;
  std::unique_ptr<gdi::CBitmap> savedScreen_;
  QImage face_;
  bool directPaint_ = false;
  std::function<QImage(const QRect&)> grabber_;
  std::array<QBasicTimer, 5> timers_;
  QPointer<QWidget> owner_;  // the top-level window of the parent
};

// The owner's relay: turns the pointer, key, wheel and non-client events of the owner's window
// and of the tip into the tip's relayed messages. Install it on the application.
class CRichTipRelay : public QObject {
  Q_OBJECT

 public:
  CRichTipRelay(CRichTip* tip, QWidget* owner, QObject* parent = nullptr);
  bool eventFilter(QObject* watched, QEvent* event) override;

  // The message a Qt event stands for, if the relay passes it on.
  static std::optional<tip::TipMessage> MessageFor(const QEvent* event);

 private:
  QPointer<CRichTip> tip_;
  QPointer<QWidget> owner_;
};
