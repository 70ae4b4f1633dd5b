// The log watcher's classification over engine output fed in chunks: the time per byte must
// stay the same as the output grows (1, 5 and 10 MB).

#include <benchmark/benchmark.h>

#include <string>

#include "tunnel/log_watcher.h"

namespace {

// Engine-like output: ordinary log lines, near misses of the markers, no marker at all, so
// every chunk is searched for all ten.
std::string EngineOutput(size_t bytes) {
  const std::string lines[] = {
      "Mon Jan  1 12:00:00 2026 UDP link remote: [AF_INET]10.0.0.1:1194\n",
      "Mon Jan  1 12:00:00 2026 TLS: Initial packet from [AF_INET]10.0.0.1:1194, sid=1a2b3c4d\n",
      "Mon Jan  1 12:00:01 2026 VERIFY OK: depth=0, CN=server\n",
      "Mon Jan  1 12:00:01 2026 Initialization Sequence Complete?\n",
      "Mon Jan  1 12:00:02 2026 process restartin\n",
  };
  std::string output;
  output.reserve(bytes + 128);
  for (size_t i = 0; output.size() < bytes; ++i) output += lines[i % 5];
  output.resize(bytes);
  return output;
}

void BM_ClassifyOutput(benchmark::State& state) {
  const size_t megabytes = static_cast<size_t>(state.range(0));
  const size_t chunk = static_cast<size_t>(state.range(1));
  const std::string output = EngineOutput(megabytes * 1000 * 1000);
  for (auto _ : state) {
    tunnel::LogWatcher watcher;
    int events = 0;
    for (size_t at = 0; at < output.size(); at += chunk) {
      const std::string_view piece = std::string_view(output).substr(at, chunk);
      events +=
          watcher.Feed(piece, tunnel::ConnectionState::Connected) != tunnel::TunnelEvent::None;
    }
    benchmark::DoNotOptimize(events);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * output.size()));
  state.counters["MB"] = static_cast<double>(megabytes);
  state.counters["chunk"] = static_cast<double>(chunk);
}

// 4096-byte chunks as the engine's pipe delivers them, and small pieces as a slow engine does.
BENCHMARK(BM_ClassifyOutput)->ArgsProduct({{1, 5, 10}, {4096, 256}})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
