// DNS (the helper's library): reading the pushed options, ordinary and a hostile flood; one
// apply and revert of the resolv.conf backend in a temporary folder; one run of a tool through
// the real runner (what each resolvectl or resolvconf call costs besides the tool itself).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "dns/dns_system.h"

namespace {

using Env = std::map<std::string, std::string>;

dns::PushedDns Read(const Env& env) {
  return dns::ReadPushedDns(
      [&env](const char* name) -> const char* {
        const auto found = env.find(name);
        return found == env.end() ? nullptr : found->second.c_str();
      },
      nullptr);
}

void BM_ReadPushedDns_Ordinary(benchmark::State& state) {
  const Env env{{"dev", "tun0"},
                {"foreign_option_1", "dhcp-option DNS 10.8.0.1"},
                {"foreign_option_2", "dhcp-option DNS6 fd00::1"},
                {"foreign_option_3", "dhcp-option DOMAIN vpn.example.test"},
                {"foreign_option_4", "dhcp-option DOMAIN-SEARCH a.example.test"},
                {"redirect_gateway", "1"}};
  for (auto _ : state) benchmark::DoNotOptimize(Read(env));
}
BENCHMARK(BM_ReadPushedDns_Ordinary);

void BM_ReadPushedDns_Flood(benchmark::State& state) {
  Env env{{"dev", "tun0"}};
  for (int i = 1; i <= 1000; ++i)
    env["foreign_option_" + std::to_string(i)] =
        "dhcp-option DOMAIN " + std::string(60, 'a') + std::to_string(i) + ".test";
  for (auto _ : state) benchmark::DoNotOptimize(Read(env));
}
BENCHMARK(BM_ReadPushedDns_Flood);

void BM_FileApplyRevert(benchmark::State& state) {
  char pattern[] = "/tmp/tesmira-dns-bench-XXXXXX";
  const std::filesystem::path root = mkdtemp(pattern);
  std::ofstream(root / "resolv.conf") << "nameserver 192.0.2.53\nsearch lan.test\n";
  std::ofstream(root / "mountinfo");
  dns::RecordingRunner runner;
  dns::DnsSystem system;
  system.resolvConf = (root / "resolv.conf").string();
  system.privateDir = (root / "private").string();
  system.mountinfo = (root / "mountinfo").string();
  system.runner = &runner;
  dns::PushedDns pushed;
  pushed.device = "tun0";
  pushed.servers = {"10.8.0.1", "fd00::1"};
  pushed.domains = {"vpn.test"};
  for (auto _ : state) {
    std::string error;
    auto applied = dns::ApplyDns(pushed, system, &error);
    if (!applied || !applied->Revert(&error)) state.SkipWithError(error.c_str());
  }
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_FileApplyRevert)->Unit(benchmark::kMicrosecond);

void BM_RunnerTrue(benchmark::State& state) {
  dns::PosixCommandRunner runner;
  for (auto _ : state) {
    std::string output;
    if (runner.Run({"/bin/true"}, "", &output) != 0) state.SkipWithError("true failed");
  }
}
BENCHMARK(BM_RunnerTrue)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
