// Parsing time of server lists of growing size; the figures must grow linearly.
#include <benchmark/benchmark.h>

#include <string>

#include "sample_server_list.h"
#include "service/server_list.h"

static void BM_ParseServerList(benchmark::State& state) {
  const std::string text = MakeServerList(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(ParseServerList(text));
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseServerList)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The largest body a download may bring, all commas: 16 million rows that the parse refuses
// after the first rows beyond the limit.
static void BM_RefuseSixteenMebibytesOfCommas(benchmark::State& state) {
  const std::string text(16u << 20, ',');
  for (auto _ : state) benchmark::DoNotOptimize(ParseServerList(text));
}
BENCHMARK(BM_RefuseSixteenMebibytesOfCommas)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
