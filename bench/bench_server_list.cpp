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

BENCHMARK_MAIN();
