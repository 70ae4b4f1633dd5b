#pragma once
// The way back from the reader threads to the dialog. The readers emit from their own threads;
// the dialog connects each signal queued, so every one is handled on the user-interface thread,
// in the order it was emitted.

#include <QObject>

#include <string>

namespace tunnel {

class TunnelSignals : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

 Q_SIGNALS:
  // "Initialization Sequence Completed" while connecting.
  void tunnelUp();
  // A failure marker while connected.
  void tunnelDown();
  // The engine ended without being asked to; `reason` is its own last word on why (may be
  // empty).
  void engineEnded(const std::string& reason);
  // A box with an OK button; `title` is the one to show.
  void messageBox(const std::string& text, const std::string& title);
  // Raised when a reader starts and lowered when it ends, on every path.
  void waitCursor(bool begin);
};

}  // namespace tunnel
