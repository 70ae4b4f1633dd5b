// Reading a version resource: the program's own (an ELF section) and a Windows image.

#include <benchmark/benchmark.h>

#include <string>

#include "platform/locale.h"
#include "service/file_version_info.h"

namespace {

void BM_CreateForOwnProgram(benchmark::State& state) {
  for (auto _ : state) {
    CFileVersionInfo info;
    benchmark::DoNotOptimize(info.Create());
  }
}
BENCHMARK(BM_CreateForOwnProgram);

void BM_CreateForWindowsImage(benchmark::State& state) {
  const std::string image = std::string(TESMIRA_VERSION_FIXTURES) + "/two_languages.exe";
  for (auto _ : state) {
    CFileVersionInfo info;
    benchmark::DoNotOptimize(info.Create(image));
  }
}
BENCHMARK(BM_CreateForWindowsImage);

void BM_LangIdFromLocale(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(platform::LangIdFromLocale("zh_TW.UTF-8"));
  }
}
BENCHMARK(BM_LangIdFromLocale);

}  // namespace

BENCHMARK_MAIN();
