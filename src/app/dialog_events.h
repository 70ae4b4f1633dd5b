#pragma once
// Events that reach the dialog from other threads or from its own initialisation; they mirror
// the window messages of the original design (WM_USER + 100 and + 101, WM_CLOSE). Posting them
// is the only way another thread touches the dialog.

#include <QEvent>

#include <string>

namespace dialog_event {
inline constexpr int kTunnelUp = 1000 + 100;  // QEvent::User + 100
inline constexpr int kTunnelDown = 1000 + 101;
inline constexpr int kClose = 1000 + 200;
inline constexpr int kMessageBox = 1000 + 201;
inline constexpr int kWaitCursor = 1000 + 202;
inline constexpr int kEngineEnded = 1000 + 203;

inline QEvent::Type Type(int id) { return static_cast<QEvent::Type>(id); }
}  // namespace dialog_event

// A message box request carried to the UI thread.
class MessageBoxEvent : public QEvent {
 public:
  MessageBoxEvent(std::string text, std::string title)
      : QEvent(dialog_event::Type(dialog_event::kMessageBox)),
        text(std::move(text)),
        title(std::move(title)) {}
  std::string text;
  std::string title;
};

class WaitCursorEvent : public QEvent {
 public:
  explicit WaitCursorEvent(bool begin)
      : QEvent(dialog_event::Type(dialog_event::kWaitCursor)), begin(begin) {}
  bool begin;
};

// The engine ended unasked, with its last error line.
class EngineEndedEvent : public QEvent {
 public:
  explicit EngineEndedEvent(std::string reason)
      : QEvent(dialog_event::Type(dialog_event::kEngineEnded)), reason(std::move(reason)) {}
  std::string reason;
};
