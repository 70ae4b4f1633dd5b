#pragma once
// When the rich tip shows and hides: the tool table, the relayed messages, the show, hide,
// fade and animation timers and the show state. Written against a small host interface (the
// window, its timers and the pointer) so that tests drive it on a fake clock.

#include <QPointer>
#include <QWidget>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"

namespace tip {

// The window messages the relay understands.
inline constexpr gdi::UINT WM_ACTIVATEAPP = 0x001C;
inline constexpr gdi::UINT WM_NCMOUSEMOVE = 0x00A0;
inline constexpr gdi::UINT WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr gdi::UINT WM_NCLBUTTONDBLCLK = 0x00A3;
inline constexpr gdi::UINT WM_NCRBUTTONDOWN = 0x00A4;
inline constexpr gdi::UINT WM_NCRBUTTONDBLCLK = 0x00A6;
inline constexpr gdi::UINT WM_NCMBUTTONDOWN = 0x00A7;
inline constexpr gdi::UINT WM_NCMBUTTONDBLCLK = 0x00A9;
inline constexpr gdi::UINT WM_KEYDOWN = 0x0100;
inline constexpr gdi::UINT WM_KEYUP = 0x0101;
inline constexpr gdi::UINT WM_SYSKEYDOWN = 0x0104;
inline constexpr gdi::UINT WM_MOUSEMOVE = 0x0200;
inline constexpr gdi::UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr gdi::UINT WM_LBUTTONUP = 0x0202;
inline constexpr gdi::UINT WM_LBUTTONDBLCLK = 0x0203;
inline constexpr gdi::UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr gdi::UINT WM_RBUTTONUP = 0x0205;
inline constexpr gdi::UINT WM_RBUTTONDBLCLK = 0x0206;
inline constexpr gdi::UINT WM_MBUTTONDOWN = 0x0207;
inline constexpr gdi::UINT WM_MBUTTONUP = 0x0208;
inline constexpr gdi::UINT WM_MBUTTONDBLCLK = 0x0209;
inline constexpr gdi::UINT WM_MOUSEWHEEL = 0x020A;
inline constexpr gdi::UINT WM_MOUSEHWHEEL = 0x020E;

// A relayed message: its id and the pointer's screen position when it was sent.
struct TipMessage {
  gdi::UINT message = 0;
  gdi::POINT pt;
};

// Timers of the tip window.
inline constexpr int TIMER_SHOW = 256;
inline constexpr int TIMER_HIDE = 257;
inline constexpr int TIMER_FADE_IN = 258;
inline constexpr int TIMER_FADE_OUT = 259;
inline constexpr int TIMER_ANIMATION = 260;

// Show states.
inline constexpr int STATE_HIDDEN = 0;
inline constexpr int STATE_FADING_IN = 1;
inline constexpr int STATE_SHOWN = 2;
inline constexpr int STATE_FADING_OUT = 3;

// SetDelay kinds.
inline constexpr int DELAY_HIDE = 2;
inline constexpr int DELAY_INITIAL = 3;
inline constexpr int DELAY_FADE_IN = 4;
inline constexpr int DELAY_FADE_OUT = 5;
inline constexpr int DELAY_ANIMATION = 6;

// Behaviour flags of a tool.
inline constexpr gdi::DWORD BEHAVIOUR_FORGET_ON_HIDE = 0x01;
inline constexpr gdi::DWORD BEHAVIOUR_FOLLOW_CURSOR = 0x02;
inline constexpr gdi::DWORD BEHAVIOUR_MOVE_KEEPS = 0x04;
inline constexpr gdi::DWORD BEHAVIOUR_OVER_TIP_KEEPS = 0x08;
inline constexpr gdi::DWORD BEHAVIOUR_NO_TIMEOUT = 0x10;

// Which fields a tool sets itself; the others take the window's defaults.
inline constexpr gdi::DWORD OVERRIDE_STYLE = 0x01;
inline constexpr gdi::DWORD OVERRIDE_EFFECT = 0x02;
inline constexpr gdi::DWORD OVERRIDE_COLOURS = 0x04;
inline constexpr gdi::DWORD OVERRIDE_PLACEMENT = 0x08;
inline constexpr gdi::DWORD OVERRIDE_BEHAVIOUR = 0x10;
inline constexpr gdi::DWORD OVERRIDE_TRANSPARENCY = 0x20;

}  // namespace tip

struct ToolEntry {
  int toolId = 0;
  gdi::RECT area;  // client coordinates of the tool's window; empty: the whole window
  std::string text;
  gdi::DWORD overrideMask = 0;
  int styleFlags = 0;
  int placement = 0;
  gdi::DWORD fillEffect = 0;
  gdi::DWORD behaviourFlags = 0;
  gdi::BYTE granularity = 0;
  gdi::BYTE transparency = 0;
  gdi::COLORREF colourBegin = 0;
  gdi::COLORREF colourMiddle = 0;
  gdi::COLORREF colourEnd = 0;
};

// What the timing needs of the tip window and the desktop.
class RichTipHost {
 public:
  virtual ~RichTipHost() = default;
  // Starting a running id restarts it with the new period.
  virtual void SetTimer(int id, int milliseconds) = 0;
  virtual void KillTimer(int id) = 0;
  virtual gdi::POINT GetCursorPos() = 0;
  virtual bool IsTipVisible() = 0;
  // The visible tip window is the window under the screen point.
  virtual bool IsTipAt(gdi::POINT screen) = 0;
  // The window whose tools apply at the screen point, if any, and whether it is enabled.
  virtual QWidget* ToolWindowAt(gdi::POINT screen, bool* enabled) = 0;
  // Screen to the window's client coordinates, plus its scroll position when it scrolls.
  virtual gdi::POINT ToolClientPoint(QWidget* window, gdi::POINT screen) = 0;
  // Lays out the next tool (defaults already applied) at the screen point and shows it.
  virtual void LayOutAndShow(gdi::POINT screen) = 0;
  virtual void PaintTip(int transparency) = 0;
  virtual void HideTip() = 0;
  virtual void MoveTipTo(gdi::POINT screen) = 0;
  // A click on the tip: runs the link under the screen point.
  virtual void ClickTip(gdi::POINT screen) = 0;
  // Steps the text's animations; true when a frame changed.
  virtual bool StepAnimations() = 0;
  // Whether the laid-out text has anything for StepAnimations to step.
  virtual bool HasAnimations() = 0;
};

class RichTipTiming {
 public:
  explicit RichTipTiming(RichTipHost& host);

  // ---- Tools ----
  void AddTool(QWidget* window, std::string text, std::optional<gdi::RECT> area = std::nullopt,
               int toolId = 0);
  void RemoveAllTools();
  // The tool at the screen point: the window and its entry; null when there is none.
  QWidget* FindToolAt(gdi::POINT screen, ToolEntry* entry, bool enabledOnly);
  bool FindToolInWindow(QWidget* window, gdi::POINT screen, ToolEntry* entry);
  const std::vector<ToolEntry>* ToolsOf(QWidget* window) const;

  // ---- Settings ----
  void SetDelay(int kind, int milliseconds);
  int GetDelay(int kind) const;
  void EnableFade(bool fadeIn, bool fadeOut) {
    fadeInEnabled_ = fadeIn;
    fadeOutEnabled_ = fadeOut;
  }
  // The window's defaults for the fields a tool does not set itself.
  ToolEntry& Defaults() { return defaults_; }

  // ---- Messages and timers ----
  void RelayMessage(const tip::TipMessage& msg);
  void OnTimer(int id);
  // The tip is painted: the next tool becomes the current one. Returns the transparency to
  // paint at.
  int OnPaint();
  void OnActivateApp(bool active);

  void ShowTool(QWidget* window, const ToolEntry& entry, bool useDelay);
  void BeginHiding();
  void HideAtOnce();

  // ---- State ----
  int State() const { return state_; }
  int Transparency() const { return transparency_; }
  const ToolEntry& NextTool() const { return next_; }
  QWidget* NextWindow() const { return nextWindow_; }
  const ToolEntry& CurrentTool() const { return current_; }
  QWidget* CurrentWindow() const { return currentWindow_; }
  // Sets the tool the next layout shows, with the window's defaults filled in.
  void SetNextTool(QWidget* window, const ToolEntry& entry);

 private:
  void ShowStep();
  void HideStep();
  void FadeInStep();
  void FadeOutStep();
  void AnimationStep();
  // The animation timer runs while a shown tip has something to animate, and only then.
  void StartAnimationTimer();
  void StopAnimationTimer();
  void RestartHideTimer(const ToolEntry& tool);
  void ForgetCurrentTool();
  void ApplyDefaults(ToolEntry& entry) const;

  RichTipHost& host_;
  std::map<QWidget*, std::vector<ToolEntry>> tools_;
  ToolEntry current_;
  QPointer<QWidget> currentWindow_;
  bool hasCurrent_ = false;
  ToolEntry next_;
  QPointer<QWidget> nextWindow_;
  gdi::POINT cursor_{-1, -1};
  int state_ = tip::STATE_HIDDEN;
  int transparency_ = 0;
  bool pending_ = false;
  bool pendingWithDelay_ = false;
  int hideAfter_ = 5000;
  int initialDelay_ = 500;
  int fadeInStep_ = 0;
  int fadeOutStep_ = 0;
  int animationPeriod_ = 0;
  bool fadeInEnabled_ = true;
  bool fadeOutEnabled_ = true;
  ToolEntry defaults_;
};
