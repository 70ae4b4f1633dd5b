#pragma once
// Runs the engine for one connection attempt and watches its output: the tunnel starter, the
// log reader and the error reporter, and ending the engine this program started.
//
// Use from the dialog (all on the user-interface thread):
//   initialisation:  tunnel::mainWindow = &events;   (an object implementing TunnelEvents)
//   Connect:         write the profile files, tunnel::PrepareEngine(...), engineRequest, then
//                    if (!tunnel::CreateTunnelStarter()) -> "Create thread failed"
//   Disconnect:      tunnel::StopEngine() where the process killer ran
//   program end:     tunnel::ShutdownTunnel() before `events` goes away

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace tunnel {

// The dialog's side of the log reader's events. Every call comes from a reader thread, so an
// implementation hands each one to the user-interface thread (QCoreApplication::postEvent)
// and returns at once.
class TunnelEvents {
 public:
  virtual ~TunnelEvents() = default;
  // "Initialization Sequence Completed" while connecting (user message +100).
  virtual void PostTunnelUp() = 0;
  // A failure marker while connected (user message +101).
  virtual void PostTunnelDown() = 0;
  // The engine ended without being asked to; `reason` is its own last word on why (may be
  // empty).
  virtual void PostEngineEnded(std::string reason) = 0;
  // A box with an OK button; `title` is the one to show.
  virtual void PostMessageBox(std::string text, std::string title) = 0;
  // Raised when a reader starts and lowered when it ends, on every path.
  virtual void PostWaitCursor(bool begin) = 0;
};

// Stands for the main window handle: where the readers post. Set once by the dialog.
extern std::atomic<TunnelEvents*> mainWindow;

inline constexpr int32_t kStateIdle = 0;
inline constexpr int32_t kStateConnecting = 1;
inline constexpr int32_t kStateConnected = 2;

// 0 idle, 1 connecting (set by the tunnel starter), 2 connected (set by the dialog).
extern std::atomic<int32_t> connectionState;

// Where the system cannot say when a process ends, the reader looks this often.
inline constexpr int kLogPollMilliseconds = 500;

class EngineLauncher;

// How engines are started and stopped from now on: chosen once at start-up (a direct launcher
// until then). Engines already running keep the launcher that started them.
void SetEngineLauncher(std::shared_ptr<EngineLauncher> launcher);

// Creates the tunnel starter thread from engineRequest, enginePath, engineArguments and
// engineArgumentVector (PrepareEngine). The starter joins the command line, sets the state to 1 and
// starts the log reader. False when the thread could not be created.
bool CreateTunnelStarter();

// Asks every engine this program started and that still runs to end (SIGTERM); one still
// running after the grace period is killed by its reader. An attempt whose engine is not
// started yet has it stopped the moment it starts. Processes this program did not start are
// never touched. Returns at once. Output an ending engine still prints is drained but no
// longer classified, so a stopped engine posts nothing more. True when an engine was running
// or about to run, that is when one may still be on its way out.
bool StopEngine();

// Waits until every starter and reader thread has ended by itself (readers end once their
// engine has ended).
void JoinTunnelThreads();

// For the end of the program: stops the engines, wakes the readers and joins every thread, so
// none outlives the program. Posts nothing but the end of the wait cursor meanwhile.
void ShutdownTunnel();

// "<operation> failed with error <number>: <system text>", the error reporter's box text.
std::string ErrorReportText(const std::string& operation, int error);

inline constexpr char kPipeErrorText[] = "Error   on   create   pipe. ";

// Test hooks.
void SetLogPollIntervalForTesting(int milliseconds);
void SetThreadCreationFailsForTesting(bool fails);
// Reader cycles completed so far, by all readers, and the engine output they read.
uint64_t ReaderCyclesForTesting();
uint64_t BytesReadForTesting();

}  // namespace tunnel
