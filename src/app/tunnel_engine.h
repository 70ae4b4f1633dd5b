#pragma once
// The dialog's side of the tunnel engine: the controller's engine, the driver commands, and
// the target of the log reader's events.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "app/connection_controller.h"

class QObject;
class QWidget;

class TunnelEngine : public ControllerEngine {
 public:
  virtual void InstallDriver(QWidget* owner) = 0;
  virtual void UninstallDriver(QWidget* owner) = 0;
};

// The engine for a dialog; the log reader's events are posted to `dialog`.
std::unique_ptr<TunnelEngine> MakeTunnelEngine(QObject* dialog);

// The process-wide connection state: 0 idle, 1 connecting, 2 connected.
std::atomic<int32_t>& ConnectionState();

// Makes `engine`'s dialog the target of the log reader's events (the main window handle).
void SetMainWindow(TunnelEngine* engine);

// Chooses once, at start-up, how engines are started: the engine helper, directly when the
// program runs as root, else through the elevation command.
void ChooseEngineLauncher();

// Ends the started engine and waits for every reader thread; run when the program ends.
void ShutdownTunnel();
