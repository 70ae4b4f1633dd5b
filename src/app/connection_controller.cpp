#include "app/connection_controller.h"

using tunnel::ConnectionState;

void ConnectionController::Connect() {
  if (driverInstalled_ == 0) {
    view_.ShowMessage(
        "Please install driver firstly by clicking the button \"Install the driver\"");
    return;
  }
  const std::optional<ServerAddress> server = view_.FirstSelectedRow();
  if (!server) {
    view_.ShowMessage("Please select a row");
    return;
  }
  // The last attempt's later deletions would remove the files written now.
  CancelLaterDeletions();
  // Without its files the engine could only fail later, with a reason that hides this one.
  if (const std::string error = engine_.WriteProfileFiles(*server); !error.empty()) {
    engine_.DeleteProfileFiles(1);
    view_.ShowMessage(error);
    return;
  }
  engine_.PrepareEngineCommand();
  view_.ShowStatusIcon(StatusIcon::ConnectingB);
  view_.SetStatusText("Connecting.");
  dotCounter_ = 1;
  view_.EnableConnect(false);
  view_.EnableDisconnect(true);
  if (!engine_.CreateTunnelStarter()) view_.ShowMessage("Create thread failed");
  view_.SetTimer(kTimeoutTimer, kTimeoutMilliseconds);
  view_.SetTimer(kAnimationTimer, kAnimationMilliseconds);
}

void ConnectionController::Disconnect() {
  engine_.DeleteProfileFiles(3);
  const bool engineStopping = engine_.StopEngine();
  state_ = ConnectionState::Idle;
  view_.ShowStatusIcon(StatusIcon::Disconnected);
  view_.SetStatusText("Disconnected.");
  view_.EnableConnect(true);
  view_.EnableDisconnect(false);
  // The engine may still hold a file open for a moment after it was told to stop; without one
  // there is nothing to wait for. The dialog goes on meanwhile: a timer does the waiting.
  if (!engineStopping) return;
  laterDeletions_ = kLaterDeletions;
  view_.SetTimer(kCleanupTimer, kCleanupMilliseconds);
}

void ConnectionController::CancelLaterDeletions() {
  if (laterDeletions_ == 0) return;
  laterDeletions_ = 0;
  view_.KillTimer(kCleanupTimer);
}

void ConnectionController::FinishLaterDeletions() {
  const int due = laterDeletions_;
  CancelLaterDeletions();
  for (int i = 0; i < due; ++i) engine_.DeleteProfileFiles(1);
}

void ConnectionController::OnTimer(int id) {
  if (id == kTimeoutTimer) {
    view_.KillTimer(kTimeoutTimer);
    if (state_ == ConnectionState::Connecting) {
      Disconnect();
      view_.ShowMessage("TimeOut!");
    }
  } else if (id == kCleanupTimer) {
    if (laterDeletions_ > 0) {
      engine_.DeleteProfileFiles(1);
      --laterDeletions_;
    }
    if (laterDeletions_ == 0) view_.KillTimer(kCleanupTimer);
  } else if (id == kAnimationTimer) {
    if (state_ == ConnectionState::Connecting) {
      if (++dotCounter_ == 7) dotCounter_ = 1;
      view_.ShowStatusIcon(dotCounter_ % 2 == 0 ? StatusIcon::ConnectingA
                                                : StatusIcon::ConnectingB);
      view_.SetStatusText("Connecting" + std::string(static_cast<size_t>(dotCounter_), '.'));
    } else {
      view_.KillTimer(kAnimationTimer);
    }
  }
}

// Events already queued when an attempt ended belong to it, not to the next: each acts only in
// the state it was meant for.
void ConnectionController::OnTunnelUp() {
  if (state_ != ConnectionState::Connecting) return;
  state_ = ConnectionState::Connected;
  view_.ShowStatusIcon(StatusIcon::Connected);
  view_.SetStatusText("Connected.");
}

void ConnectionController::OnTunnelDown() {
  if (state_ != ConnectionState::Connected) return;
  Disconnect();
  view_.ShowMessage("Disconnected");
}

void ConnectionController::OnEngineEnded(const std::string& reason) {
  if (state_ == ConnectionState::Connected) {
    OnTunnelDown();
  } else if (state_ == ConnectionState::Connecting) {
    // Waiting out the time-out would only hide why the engine gave up.
    Disconnect();
    view_.ShowMessage(EngineEndedText(reason));
  }
}

std::string EngineEndedText(const std::string& reason) {
  if (reason.empty()) return "The connection failed: the engine ended without saying why.";
  return "The connection failed: " + reason;
}

void ConnectionController::OnClose() { Disconnect(); }
