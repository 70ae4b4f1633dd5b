#pragma once
// Runs the engine for one connection attempt and watches its output: the tunnel starter, the
// log reader and the error reporter, and ending the engine this program started.
//
// Use from the dialog (all on the user-interface thread):
//   Connect:         write the profile files, tunnel::PrepareEngine(...), engineRequest, then
//                    if (!tunnel::CreateTunnelStarter(events)) -> "Create thread failed"
//   Disconnect:      tunnel::StopEngine() where the process killer ran
//   program end:     tunnel::ShutdownTunnel() before `events` goes away

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "tunnel/connection_state.h"
#include "tunnel/tunnel_signals.h"

namespace tunnel {

// Where the system cannot say when a process ends, the reader looks this often.
inline constexpr int kLogPollMilliseconds = 500;

class EngineLauncher;

// How engines are started and stopped from now on: chosen once at start-up (a direct launcher
// until then). Engines already running keep the launcher that started them.
void SetEngineLauncher(std::shared_ptr<EngineLauncher> launcher);

// Creates the tunnel starter thread from engineRequest, enginePath, engineArguments and
// engineArgumentVector (PrepareEngine). The starter joins the command line, sets the state to
// Connecting and starts the log reader, which emits the attempt's events on `events`. False
// when the thread could not be created.
bool CreateTunnelStarter(TunnelSignals& events);

// Asks every engine this program started and that still runs to end (SIGTERM); one still
// running after the grace period is killed by its reader. An attempt whose engine is not
// started yet has it stopped the moment it starts. Processes this program did not start are
// never touched. Returns at once. Output an ending engine still prints is drained but no
// longer classified, so a stopped engine emits nothing more. True when an engine was running
// or about to run, that is when one may still be on its way out.
bool StopEngine();

// Waits until every starter and reader thread has ended by itself (readers end once their
// engine has ended).
void JoinTunnelThreads();

// For the end of the program: stops the engines, wakes the readers and joins every thread, so
// none outlives the program. Emits nothing but the end of the wait cursor meanwhile.
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
