#pragma once
// The dialog's side of the tunnel engine: the controller's engine, the driver commands, and
// the signals the log readers emit.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "app/connection_controller.h"
#include "tunnel/tunnel_signals.h"

class QWidget;

class TunnelEngine : public ControllerEngine {
 public:
  virtual void InstallDriver(QWidget* owner) = 0;
  virtual void UninstallDriver(QWidget* owner) = 0;
  // Where this engine's readers emit the attempt's events; it outlives them.
  virtual tunnel::TunnelSignals& Signals() = 0;
};

// The engine for a dialog.
std::unique_ptr<TunnelEngine> MakeTunnelEngine();

// The process-wide connection state, which the readers classify the engine's output by.
std::atomic<tunnel::ConnectionState>& ProcessConnectionState();

// Chooses once, at start-up, how engines are started: the engine helper, directly when the
// program runs as root, else through the elevation command.
void ChooseEngineLauncher();

// Ends the started engine and waits for every reader thread; run when the program ends.
void ShutdownTunnel();
