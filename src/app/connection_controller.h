#pragma once
// The behaviour of the main dialog around one connection: Connect, Disconnect, the status look,
// the two timers and the engine's events. Written against small interfaces so that it runs
// without a display, an engine or real waiting.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "tunnel/connection_state.h"

enum class StatusIcon { Connected, Disconnected, ConnectingA, ConnectingB };

struct ServerAddress {
  std::string ip;
  std::string port;
};

// What the controller sees of the dialog.
class ControllerView {
 public:
  virtual ~ControllerView() = default;
  virtual void ShowStatusIcon(StatusIcon icon) = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  virtual void EnableConnect(bool enable) = 0;
  virtual void EnableDisconnect(bool enable) = 0;
  // A box with an OK button, the dialog as owner and the program's name as title.
  virtual void ShowMessage(const std::string& text) = 0;
  // The hidden "IP" and "Port" texts of the first selected row in list order, if any.
  virtual std::optional<ServerAddress> FirstSelectedRow() = 0;
  // Starting a running id restarts it with the new period.
  virtual void SetTimer(int id, int milliseconds) = 0;
  virtual void KillTimer(int id) = 0;
};

// What the controller drives of the tunnel engine.
class ControllerEngine {
 public:
  virtual ~ControllerEngine() = default;
  // Writes the profile, the certificate file and the credentials file, in this order, stopping
  // at the first that cannot be written. Empty, or a sentence naming that file and why.
  virtual std::string WriteProfileFiles(const ServerAddress& server) = 0;
  // Fills the engine arguments and engine path.
  virtual void PrepareEngineCommand() = 0;
  // Creates the tunnel starter thread; false when it cannot be created.
  virtual bool CreateTunnelStarter() = 0;
  // Ends the engine this program started, if any; true when one was running or about to run.
  virtual bool StopEngine() = 0;
  // Deletes the three profile files once (each name tried as the caller says).
  virtual void DeleteProfileFiles(int attemptsEach) = 0;
};

inline constexpr int kTimeoutTimer = 1;
inline constexpr int kTimeoutMilliseconds = 60000;
inline constexpr int kAnimationTimer = 2;
inline constexpr int kAnimationMilliseconds = 500;
// After Disconnect, while a stopping engine may still hold a file: the later deletions.
inline constexpr int kCleanupTimer = 3;
inline constexpr int kCleanupMilliseconds = 100;
inline constexpr int kLaterDeletions = 3;

// The box that ends an attempt whose engine gave up on its own.
std::string EngineEndedText(const std::string& reason);

class ConnectionController {
 public:
  ConnectionController(ControllerView& view, ControllerEngine& engine,
                       std::atomic<tunnel::ConnectionState>& connectionState,
                       const int32_t& driverInstalled)
      : view_(view), engine_(engine), state_(connectionState), driverInstalled_(driverInstalled) {}

  void Connect();
  void Disconnect();
  void OnTimer(int id);
  void OnTunnelUp();
  void OnTunnelDown();
  // The engine ended without being asked to; `reason` is its last error line.
  void OnEngineEnded(const std::string& reason);
  // The dialog's close: Disconnect whatever the state.
  void OnClose();
  // For the program's end, once the engine has ended: the later deletions still pending, now.
  void FinishLaterDeletions();

 private:
  void CancelLaterDeletions();

  ControllerView& view_;
  ControllerEngine& engine_;
  std::atomic<tunnel::ConnectionState>& state_;
  const int32_t& driverInstalled_;
  int dotCounter_ = 1;
  int laterDeletions_ = 0;  // still due from the cleanup timer
};
