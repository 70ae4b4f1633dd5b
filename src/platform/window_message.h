#pragma once
// A window message (id and two parameters) carried to a Qt object as an event. SendMessage
// delivers it synchronously, as its Windows namesake does, so a pointer passed in a parameter
// stays valid while the receiver handles it.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <cstdint>

struct WindowMessageEvent : public QEvent {
  WindowMessageEvent(unsigned message, std::intptr_t wParam, std::intptr_t lParam)
      : QEvent(EventType()), message(message), wParam(wParam), lParam(lParam) {}

  static QEvent::Type EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }

  unsigned message;
  std::intptr_t wParam;
  std::intptr_t lParam;
};

// Returns whether the receiver accepted the event; false without a receiver.
inline bool SendMessage(QObject* window, unsigned message, std::intptr_t wParam,
                        std::intptr_t lParam) {
  if (!window) return false;
  WindowMessageEvent event(message, wParam, lParam);
  event.setAccepted(false);
  QCoreApplication::sendEvent(window, &event);
  return event.isAccepted();
}
