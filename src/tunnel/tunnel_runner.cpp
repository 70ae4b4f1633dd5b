#include "tunnel/tunnel_runner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/process.h"
#include "platform/system.h"
#include "tunnel/engine_command.h"
#include "tunnel/engine_error_line.h"
#include "tunnel/engine_launcher.h"
#include "tunnel/log_watcher.h"

namespace tunnel {

std::atomic<ConnectionState> connectionState{ConnectionState::Idle};

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int> pollMilliseconds{kLogPollMilliseconds};
std::atomic<bool> threadCreationFails{false};
std::atomic<uint64_t> readerCycles{0};
std::atomic<uint64_t> bytesRead{0};

// One engine this program started, shared by its reader (which owns the process and reaps it)
// and StopEngine.
struct Engine {
  explicit Engine(std::unique_ptr<LaunchedEngine> launched) : launched(std::move(launched)) {}
  platform::ChildProcess& Process() { return launched->Process(); }

  std::unique_ptr<LaunchedEngine> launched;
  // Wakes the reader when the engine is asked to end, so that it starts counting the grace.
  platform::WakeEvent wake;
  int graceMilliseconds = kEngineGraceMilliseconds;
  std::atomic<bool> stopRequested{false};
  Clock::time_point forceAt{};  // guarded by the registry's mutex
  bool forced = false;          // the reader's own from here on
  bool abandoned = false;
};

// Threads, engines and the shutdown flag share one lock; a shutdown wakes the readers through
// their engines' stop requests.
struct Registry {
  std::mutex mutex;
  bool shuttingDown = false;

  struct Worker {
    std::thread thread;
    std::atomic<bool> done{false};
  };
  std::vector<std::unique_ptr<Worker>> workers;
  std::vector<std::shared_ptr<Engine>> engines;
  // Connection attempts so far; every attempt up to stoppedThrough has been told to stop,
  // including one whose engine has not started yet.
  uint64_t attempts = 0;
  uint64_t stoppedThrough = 0;
  // The helper, through elevation where needed, unless a test chose otherwise.
  std::shared_ptr<EngineLauncher> launcher;
  // Attempts whose reader has not finished: an engine is running or about to.
  int live = 0;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

// While the program ends, the readers say nothing to the dialog but the wait cursor's end.
bool ShuttingDown() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.shuttingDown;
}

// Joins workers that have finished, so repeated connections do not pile up threads.
void ReapFinishedWorkers() {
  Registry& r = TheRegistry();
  std::vector<std::unique_ptr<Registry::Worker>> finished;
  {
    std::lock_guard lock(r.mutex);
    for (auto it = r.workers.begin(); it != r.workers.end();) {
      if ((*it)->done.load()) {
        finished.push_back(std::move(*it));
        it = r.workers.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& worker : finished) worker->thread.join();
}

// Starts a joinable thread that the registry keeps until it is joined.
bool AddThread(std::function<void()> body) {
  ReapFinishedWorkers();
  auto worker = std::make_unique<Registry::Worker>();
  Registry::Worker* raw = worker.get();
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  try {
    worker->thread = std::thread([raw, body = std::move(body)] {
      body();
      raw->done.store(true);
    });
  } catch (const std::system_error&) {
    return false;
  }
  r.workers.push_back(std::move(worker));
  return true;
}

std::shared_ptr<EngineLauncher> CurrentLauncher() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  if (!r.launcher) r.launcher = MakeLauncherForThisProcess();
  return r.launcher;
}

// Under the registry's lock.
void RequestStopLocked(Engine& engine) {
  engine.forceAt = Clock::now() + std::chrono::milliseconds(engine.graceMilliseconds);
  engine.stopRequested.store(true);
  engine.launched->RequestStop();
  engine.wake.Signal();
}

void RegisterEngine(const std::shared_ptr<Engine>& engine, uint64_t attempt) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.engines.push_back(engine);
  // An engine that comes up while the program is ending, or after its attempt was ended, is
  // told to end at once.
  if (r.shuttingDown || attempt <= r.stoppedThrough) RequestStopLocked(*engine);
}

// The reader's last act: no engine of this attempt runs any more.
void EndAttempt(const std::shared_ptr<Engine>& engine) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  if (engine) std::erase(r.engines, engine);
  --r.live;
}

// Forces an engine that was asked to end and is still running after its grace period. One that
// cannot be forced (it runs as root) is given one more grace period and then left, with a
// message, rather than keep the program from ending.
void EnforceStop(Engine& engine) {
  if (!engine.stopRequested.load() || engine.abandoned) return;
  Clock::time_point forceAt;
  {
    std::lock_guard lock(TheRegistry().mutex);
    forceAt = engine.forceAt;
  }
  if (Clock::now() < forceAt) return;
  if (!engine.forced) {
    engine.forced = true;
    if (engine.launched->ForceStop()) return;
    std::lock_guard lock(TheRegistry().mutex);
    engine.forceAt = Clock::now() + std::chrono::milliseconds(engine.graceMilliseconds);
    return;
  }
  if (!engine.launched->ForceStop()) engine.abandoned = true;
}

// Until the engine writes, ends or is asked to end: an idle connection costs no wake-ups. Only
// a stop under way has a time limit, its grace period; only a system without process
// descriptors has to look now and then.
int WaitMilliseconds(const Engine& engine, bool haveEndDescriptor) {
  int limit = haveEndDescriptor ? -1 : pollMilliseconds.load();
  if (engine.stopRequested.load() && !engine.abandoned) {
    Clock::time_point forceAt;
    {
      std::lock_guard lock(TheRegistry().mutex);
      forceAt = engine.forceAt;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(forceAt - Clock::now()).count() + 1;
    const int grace = static_cast<int>(std::max<long long>(0, left));
    limit = limit < 0 ? grace : std::min(limit, grace);
  }
  return limit;
}

// Reads everything waiting in the pipe; false when the pipe fails.
bool Drain(int fd, long waiting, std::string& chunk) {
  chunk.clear();
  chunk.resize(static_cast<size_t>(waiting));
  size_t got = 0;
  while (got < chunk.size()) {
    const long n = platform::ReadFile(fd, chunk.data() + got, chunk.size() - got);
    if (n <= 0) {
      chunk.resize(got);
      return false;
    }
    got += static_cast<size_t>(n);
  }
  bytesRead.fetch_add(got);
  return true;
}

void Classify(const std::string& chunk, LogWatcher& watcher, EngineErrorLine& errorLine,
              bool& dnsReported, TunnelSignals& events) {
  errorLine.Feed(chunk);
  switch (watcher.Feed(chunk, connectionState.load())) {
    case TunnelEvent::Up:
      if (!ShuttingDown()) Q_EMIT events.tunnelUp();
      // The helper says so before the engine reports the tunnel up.
      if (!errorLine.DnsFailure().empty() && !dnsReported) {
        dnsReported = true;
        const std::string text =
            "Connected, but the VPN's DNS servers could not be set: " + errorLine.DnsFailure();
        if (!ShuttingDown()) Q_EMIT events.messageBox(text, platform::ProgramTitle());
      }
      break;
    case TunnelEvent::Down:
      if (!ShuttingDown()) Q_EMIT events.tunnelDown();
      break;
    case TunnelEvent::None:
      break;
  }
}

void LogReader(const EngineJob& job, TunnelSignals& events) {
  Q_EMIT events.waitCursor(true);

  platform::PipeEnds pipe;
  if (platform::CreatePipe(pipe) != 0) {
    if (!ShuttingDown()) Q_EMIT events.messageBox(kPipeErrorText, platform::ProgramTitle());
    EndAttempt(nullptr);
    Q_EMIT events.waitCursor(false);
    return;
  }

  const std::shared_ptr<EngineLauncher> launcher = CurrentLauncher();
  std::string startError;
  std::unique_ptr<LaunchedEngine> launched = launcher->Start(job, pipe.write, &startError);
  // Only the engine writes to the pipe; without our copy of that end its end is also seen.
  platform::CloseDescriptor(pipe.write);
  if (!launched) {
    platform::CloseDescriptor(pipe.read);
    // Waiting out the time-out would only hide why nothing started.
    {
      std::lock_guard lock(TheRegistry().mutex);
      if (!TheRegistry().shuttingDown && job.attempt > TheRegistry().stoppedThrough) {
        Q_EMIT events.engineEnded(startError);
      }
    }
    EndAttempt(nullptr);
    Q_EMIT events.waitCursor(false);
    return;
  }
  auto engine = std::make_shared<Engine>(std::move(launched));
  engine->graceMilliseconds = launcher->GraceMilliseconds();
  RegisterEngine(engine, job.attempt);

  LogWatcher watcher;
  watcher.Reset();
  EngineErrorLine errorLine;
  bool reading = true;
  bool pipeAtEnd = false;
  bool dnsReported = false;
  std::string chunk;
  const int endFd = engine->Process().EndDescriptor();
  for (;;) {
    long waiting = 0;
    if (reading) {
      waiting = platform::BytesWaiting(pipe.read);
      if (waiting > 0) {
        reading = Drain(pipe.read, waiting, chunk);
        // An engine asked to end has nothing more to say to the dialog.
        if (!chunk.empty() && !engine->stopRequested.load())
          Classify(chunk, watcher, errorLine, dnsReported, events);
        continue;
      }
      // Readable yet empty: the engine has closed its output.
      if (waiting < 0 || pipeAtEnd) reading = false;
    }
    // After a pipe failure nothing more can be read, but the engine is still ours to reap and,
    // when asked, to end.
    if (engine->Process().HasEnded()) {
      // Its last words may have come after the look at the pipe.
      if (reading && platform::BytesWaiting(pipe.read) > 0) continue;
      break;
    }
    EnforceStop(*engine);
    if (engine->abandoned) break;
    readerCycles.fetch_add(1);
    const int ready =
        platform::WaitForAny({reading ? pipe.read : -1, endFd, engine->wake.Descriptor()},
                             WaitMilliseconds(*engine, endFd >= 0));
    pipeAtEnd = ready == 0 && platform::BytesWaiting(pipe.read) == 0;
    engine->wake.Clear();
  }
  readerCycles.fetch_add(1);
  platform::CloseDescriptor(pipe.read);
  if (engine->abandoned) {
    const std::string text = "The engine (process " + std::to_string(engine->Process().Pid()) +
                             ") did not stop. It runs as root: end it as an administrator.";
    std::fprintf(stderr, "tesmira: %s\n", text.c_str());
    if (!ShuttingDown()) Q_EMIT events.messageBox(text, "Error");
  }

  // An engine that ended unasked leaves the dialog believing in a tunnel or an attempt that is
  // gone; it hears of it with the engine's own reason. StopEngine sets stopRequested under the
  // same lock, so an engine that was asked to end is never reported.
  {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    if (!engine->stopRequested.load() && !r.shuttingDown) {
      errorLine.Finish();
      Q_EMIT events.engineEnded(errorLine.Reason());
    }
  }
  EndAttempt(engine);
  Q_EMIT events.waitCursor(false);
}

void TunnelStarter(EngineJob job, const std::string& arguments, TunnelSignals& events) {
  // The command line as the first version joined it; the helper builds the one it runs.
  [[maybe_unused]] const std::string commandLine = EngineCommandLine(job.path, arguments);
  connectionState.store(ConnectionState::Connecting);
  // A reader that cannot be created leaves the state at Connecting for the dialog's time-out to
  // end.
  if (!AddThread([job = std::move(job), &events] { LogReader(job, events); })) EndAttempt(nullptr);
}

}  // namespace

bool CreateTunnelStarter(TunnelSignals& events) {
  if (threadCreationFails.load()) return false;
  Registry& r = TheRegistry();
  uint64_t attempt = 0;
  {
    std::lock_guard lock(r.mutex);
    attempt = ++r.attempts;
    ++r.live;
  }
  // The starter gets its own copies, so a later Connect cannot change them under it.
  EngineJob job{attempt, engineRequest, enginePath, engineArgumentVector};
  const bool created =
      AddThread([job = std::move(job), arguments = engineArguments, &events]() mutable {
        TunnelStarter(std::move(job), arguments, events);
      });
  if (!created) EndAttempt(nullptr);
  return created;
}

bool StopEngine() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.stoppedThrough = r.attempts;
  for (const auto& engine : r.engines) {
    if (!engine->stopRequested.load()) RequestStopLocked(*engine);
  }
  return r.live > 0;
}

void JoinTunnelThreads() {
  Registry& r = TheRegistry();
  for (;;) {
    std::vector<std::unique_ptr<Registry::Worker>> workers;
    {
      std::lock_guard lock(r.mutex);
      workers.swap(r.workers);
    }
    // A starter may add its reader while it is being joined: go round until none is left.
    if (workers.empty()) return;
    for (auto& worker : workers) worker->thread.join();
  }
}

void ShutdownTunnel() {
  Registry& r = TheRegistry();
  {
    std::lock_guard lock(r.mutex);
    r.shuttingDown = true;
  }
  StopEngine();
  JoinTunnelThreads();
  std::lock_guard lock(r.mutex);
  r.shuttingDown = false;
}

std::string ErrorReportText(const std::string& operation, int error) {
  return operation + " failed with error " + std::to_string(error) + ": " +
         platform::SystemErrorText(error);
}

void SetLogPollIntervalForTesting(int milliseconds) { pollMilliseconds.store(milliseconds); }
void SetEngineLauncher(std::shared_ptr<EngineLauncher> launcher) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.launcher = std::move(launcher);
}
void SetThreadCreationFailsForTesting(bool fails) { threadCreationFails.store(fails); }
uint64_t ReaderCyclesForTesting() { return readerCycles.load(); }
uint64_t BytesReadForTesting() { return bytesRead.load(); }

}  // namespace tunnel
