// The real runner with real programs: what the tool gets (input, environment, descriptors,
// signals) and that a hung or chatty tool cannot stall or flood the helper.
#include "dns/command_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

using ::testing::HasSubstr;
using namespace std::chrono_literals;

TEST(PosixCommandRunner, PassesInputAndCollectsOutputAndStatus) {
  dns::PosixCommandRunner runner;
  std::string output;
  const std::string big(300 * 1000, 'x');  // more than a pipe holds, both ways
  EXPECT_EQ(runner.Run({"/bin/cat"}, big, &output), 0);
  EXPECT_EQ(output.size(), 64u * 1024);
  EXPECT_EQ(runner.Run({"/bin/sh", "-c", "cat; echo err >&2; exit 7"}, "in\n", &output), 7);
  EXPECT_EQ(output, "in\nerr\n");
  // A tool that never reads its input still finishes.
  EXPECT_EQ(runner.Run({"/bin/sh", "-c", "echo done"}, big, &output), 0);
  EXPECT_EQ(output, "done\n");
}

TEST(PosixCommandRunner, ToolGetsAFixedEnvironmentNoDescriptorsAndDefaultSignals) {
  setenv("TESMIRA_RUNNER_SECRET", "x", 1);
  const int leaked = open("/dev/null", O_RDONLY);  // not close-on-exec, as a careless caller's
  ASSERT_GE(leaked, 3);
  signal(SIGTERM, SIG_IGN);
  sigset_t blocked;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGINT);
  sigprocmask(SIG_BLOCK, &blocked, nullptr);

  dns::PosixCommandRunner runner;
  std::string output;
  EXPECT_EQ(runner.Run({"/usr/bin/env"}, "", &output), 0);
  EXPECT_EQ(output, "PATH=/usr/sbin:/usr/bin:/sbin:/bin\nLC_ALL=C\n");
  EXPECT_EQ(runner.Run({"/bin/sh", "-c", "ls /proc/self/fd"}, "", &output), 0);
  EXPECT_EQ(output, "0\n1\n2\n3\n");  // 3: ls's own handle on the folder
  // Signals 1 to 31 (glibc itself ignores its internal ones in a spawned child).
  for (const char* field : {"SigBlk", "SigIgn"}) {
    const std::string command = std::string("sed -n 's/^") + field + ":\\t//p' /proc/self/status";
    EXPECT_EQ(runner.Run({"/bin/sh", "-c", command}, "", &output), 0);
    EXPECT_EQ(std::stoull(output, nullptr, 16) & 0x7fffffffull, 0u) << field << " " << output;
  }

  sigprocmask(SIG_UNBLOCK, &blocked, nullptr);
  signal(SIGTERM, SIG_DFL);
  close(leaked);
  unsetenv("TESMIRA_RUNNER_SECRET");
}

TEST(PosixCommandRunner, HungToolIsKilledWithItsChildren) {
  dns::PosixCommandRunner runner(300ms);
  std::string output;
  const auto start = std::chrono::steady_clock::now();
  // The child keeps the output open and a grandchild would outlive it.
  EXPECT_EQ(runner.Run({"/bin/sh", "-c", "sleep 30 & echo $! ; sleep 30"}, "", &output),
            dns::kRunTimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_EQ(output, "/bin/sh did not finish within 0.3 s and was stopped");
}

TEST(PosixCommandRunner, ToolThatEndsLeavingADescendantIsNotWaitedFor) {
  dns::PosixCommandRunner runner(10s);
  std::string output;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(runner.Run({"/bin/sh", "-c", "echo hi; sleep 3 &"}, "", &output), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  EXPECT_EQ(output, "hi\n");
}

TEST(PosixCommandRunner, RefusesWhatItCannotRun) {
  dns::PosixCommandRunner runner;
  std::string output;
  EXPECT_EQ(runner.Run({"resolvectl", "status"}, "", &output), dns::kRunNotStarted);
  EXPECT_EQ(output, "not an absolute program path");
  EXPECT_EQ(runner.Run({}, "", &output), dns::kRunNotStarted);
  EXPECT_EQ(runner.Run({"/nonexistent/resolvectl"}, "", &output), dns::kRunNotStarted);
  EXPECT_THAT(output, HasSubstr("No such file"));
  EXPECT_EQ(runner.Run({"/bin/sh", "-c", "kill -9 $$"}, "", &output), dns::kRunSignalled);
  EXPECT_EQ(output, "/bin/sh was ended by signal 9");
}

}  // namespace
