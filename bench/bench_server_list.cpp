// Parsing time of server lists of growing size; the figures must grow linearly.
#include <benchmark/benchmark.h>

#include <string>

#include "service/server_list.h"

static std::string MakeList(int records) {
  std::string text;
  for (int i = 0; i < records; ++i) {
    const std::string ip =
        "198.51." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256);
    text += ip + "|Germany|Frankfurt|Fast server " + std::to_string(i) + "|" + ip + "|1194,";
  }
  return text;
}

static void BM_ParseServerList(benchmark::State& state) {
  const std::string text = MakeList(static_cast<int>(state.range(0)));
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
