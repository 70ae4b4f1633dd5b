#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tunnel/engine_error_line.h"
#include "tunnel/log_watcher.h"

namespace {

using tunnel::ConnectionState;
using tunnel::kEngineMarkers;
using tunnel::LogWatcher;
using tunnel::TunnelEvent;

constexpr TunnelEvent kNone = TunnelEvent::None;
constexpr TunnelEvent kUp = TunnelEvent::Up;
constexpr TunnelEvent kDown = TunnelEvent::Down;
constexpr ConnectionState kIdle = ConnectionState::Idle;
constexpr ConnectionState kConnecting = ConnectionState::Connecting;
constexpr ConnectionState kConnected = ConnectionState::Connected;

// The rule as first written: the whole accumulated output searched for every marker.
TunnelEvent Reference(const std::string& accumulated, ConnectionState state) {
  if (accumulated.find(kEngineMarkers[0]) != std::string::npos && state == kConnecting) return kUp;
  if (state == kConnected) {
    for (size_t i = 1; i < kEngineMarkers.size(); ++i) {
      if (accumulated.find(kEngineMarkers[i]) != std::string::npos) return kDown;
    }
  }
  return kNone;
}

struct Step {
  std::string chunk;
  ConnectionState state;
  TunnelEvent expected;
};

struct SequenceCase {
  const char* name;
  std::vector<Step> steps;
};

void PrintTo(const SequenceCase& c, std::ostream* os) { *os << c.name; }

class LogWatcherSequenceTest : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(LogWatcherSequenceTest, EventsPerChunk) {
  LogWatcher watcher;
  int index = 0;
  for (const Step& step : GetParam().steps) {
    EXPECT_EQ(watcher.Feed(step.chunk, step.state), step.expected) << "chunk " << index;
    ++index;
  }
}

const std::string kUpMarker = "Initialization Sequence Completed";

INSTANTIATE_TEST_SUITE_P(
    Sequences, LogWatcherSequenceTest,
    ::testing::Values(
        SequenceCase{
            "UpWhileConnecting",
            {{"Mon ... " + kUpMarker + "\n", kConnecting, kUp}, {"more\n", kConnecting, kUp}}},
        SequenceCase{"UpIgnoredWhenIdle", {{kUpMarker, kIdle, kNone}, {"x", kConnecting, kUp}}},
        SequenceCase{"SplitAcrossReads",
                     {{"log: Initialization Seq", kConnecting, kNone},
                      {"uence Completed\n", kConnecting, kUp}}},
        SequenceCase{"SplitIntoSingleBytes",
                     {{"I", kConnecting, kNone},
                      {"n", kConnecting, kNone},
                      {"itialization Sequence Complete", kConnecting, kNone},
                      {"d", kConnecting, kUp}}},
        SequenceCase{"AlmostAMarker",
                     {{"Initialization Sequence Complete\n", kConnecting, kNone},
                      {"initialization sequence completed", kConnecting, kNone}}},
        // Once connected the first marker no longer counts; failures are looked for instead.
        SequenceCase{"ConnectedTestsFailures",
                     {{kUpMarker, kConnecting, kUp},
                      {"quiet\n", kConnected, kNone},
                      {"process restarting", kConnected, kDown}}},
        // A failure seen while connecting is reported once connected, on the next chunk read.
        SequenceCase{"FailureWhileConnectingFiresLater",
                     {{"Received AUTH_FAILED control message\n", kConnecting, kNone},
                      {kUpMarker + "\n", kConnecting, kUp},
                      {"next\n", kConnected, kDown}}},
        SequenceCase{"FailureRepeatsEveryChunk",
                     {{"EVP_DecryptFinal:bad decrypt", kConnected, kDown},
                      {"a", kConnected, kDown},
                      {"b", kIdle, kNone},
                      {"c", kConnected, kDown}}},
        SequenceCase{"FailureSplitAcrossReads",
                     {{"TLS Error: Need PEM pass ", kConnected, kNone},
                      {"phrase for private key", kConnected, kDown}}},
        // Bytes after a zero byte in a chunk are output like any other.
        SequenceCase{"ZeroBytesDoNotHideAMarker",
                     {{std::string("x\0", 2) + kUpMarker, kConnecting, kUp}}}),
    [](const auto& info) { return info.param.name; });

TEST(LogWatcherTest, EveryFailureMarkerMeansDown) {
  for (size_t i = 1; i < kEngineMarkers.size(); ++i) {
    LogWatcher watcher;
    EXPECT_EQ(watcher.Feed("..." + std::string(kEngineMarkers[i]) + "...", kConnecting), kNone)
        << i;
    EXPECT_EQ(watcher.Feed("", kConnected), kDown) << i;
    EXPECT_TRUE(watcher.HasSeen(i));
  }
}

TEST(LogWatcherTest, ResetForgetsEarlierOutput) {
  LogWatcher watcher;
  EXPECT_EQ(watcher.Feed("Initialization Sequence", kConnecting), kNone);
  watcher.Reset();
  EXPECT_EQ(watcher.Feed(" Completed", kConnecting), kNone);
  EXPECT_EQ(watcher.Feed("process restarting", kConnected), kDown);
  watcher.Reset();
  EXPECT_EQ(watcher.Feed("", kConnected), kNone);
}

// Random output made of marker pieces, cut at random places and read in random states, gives
// the same event for every chunk as searching the whole accumulated output.
TEST(LogWatcherTest, AgreesWithSearchingTheWholeOutput) {
  std::mt19937 random(12345);
  for (int round = 0; round < 300; ++round) {
    std::string output;
    while (output.size() < 600) {
      const std::string_view marker = kEngineMarkers[random() % kEngineMarkers.size()];
      const size_t from = random() % marker.size();
      const size_t length = 1 + random() % (marker.size() - from);
      // Mostly fragments, sometimes a whole marker, with noise between.
      output += random() % 8 == 0 ? std::string(marker) : std::string(marker.substr(from, length));
      output += std::string(random() % 3, "xI\n"[random() % 3]);
    }
    LogWatcher watcher;
    std::string accumulated;
    for (size_t at = 0; at < output.size();) {
      const size_t length = std::min(output.size() - at, size_t{1} + random() % 40);
      const std::string chunk = output.substr(at, length);
      const auto state = static_cast<ConnectionState>(random() % 3);
      accumulated += chunk;
      ASSERT_EQ(watcher.Feed(chunk, state), Reference(accumulated, state))
          << "round " << round << " at " << at;
      at += length;
    }
  }
}

// openvpn 2.6 no longer prints the first version's wording of an authentication failure.
TEST(LogWatcherTest, CurrentAuthFailureWordingIsATunnelDown) {
  LogWatcher watcher;
  EXPECT_EQ(
      watcher.Feed("2026-12-10 03:00:00 AUTH: Received control message: AUTH_FAILED\n", kConnected),
      TunnelEvent::Down);
}

struct ReasonCase {
  const char* name;
  std::vector<std::string> chunks;
  std::string reason;
};

void PrintTo(const ReasonCase& c, std::ostream* os) { *os << c.name; }

class EngineErrorLineTest : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(EngineErrorLineTest, Reason) {
  tunnel::EngineErrorLine errors;
  for (const std::string& chunk : GetParam().chunks) errors.Feed(chunk);
  errors.Finish();
  EXPECT_EQ(errors.Reason(), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Output, EngineErrorLineTest,
    ::testing::Values(
        ReasonCase{"Nothing", {}, ""},
        ReasonCase{"TunDevice",
                   {"2026-12-10 03:00:00 OpenVPN 2.6.14\n2026-12-10 03:00:00 ERROR: Cannot open "
                    "TUN/TAP dev /dev/net/tun: Permission denied (errno=13)\r\n",
                    "2026-12-10 03:00:00 Exiting due to fatal error\n"},
                   "Cannot open TUN/TAP dev /dev/net/tun: Permission denied"},
        ReasonCase{"AuthFailedWinsOverLaterLines",
                   {"2026-12-10 03:00:00 AUTH: Received control message: AUTH_FAILED\n",
                    "2026-12-10 03:00:00 SIGTERM[soft,auth-failure] received, process exiting\n"},
                   "AUTH_FAILED"},
        ReasonCase{"OptionsError",
                   {"Options error: Unrecognized option or missing or extra parameter(s) in "
                    "Tesmira.clt:3: bogus (2.6.14)\nUse --help for more information.\n"},
                   "Options error: Unrecognized option or missing or extra parameter(s) in "
                   "Tesmira.clt:3: bogus (2.6.14)"},
        ReasonCase{"LineSplitAcrossChunksAndNoFinalLineFeed",
                   {"2026-12-10 03:00:00 ERR", "OR: something ", "broke"},
                   "something broke"},
        ReasonCase{"ElevationRefused",
                   {"Error executing command as another user: Not authorized\n\nThis incident "
                    "has been reported.\n"},
                   "Error executing command as another user: Not authorized"},
        ReasonCase{"LastLineWhenNoError", {"first\n", "\n", "  last words  \n\n"}, "last words"},
        ReasonCase{"OverlongLineIsCut", {std::string(2000, 'x') + "\n"}, std::string(512, 'x')}),
    [](const auto& info) { return info.param.name; });

}  // namespace
