#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tunnel/engine_command.h"
#include "tunnel/scratch_dir.h"

namespace {

TEST(EngineCommandTest, TextsForAFolder) {
  const std::string folder = "/opt/tesmira/";
  EXPECT_EQ(tunnel::EngineArguments(folder),
            "--config /opt/tesmira/Tesmira.clt --auth-user-pass /opt/tesmira/Tesmira.upw");
  EXPECT_EQ(tunnel::EnginePath(folder, 1), "/opt/tesmira//64bit/openvpn");
  EXPECT_EQ(tunnel::EnginePath(folder, 0), "/opt/tesmira//32bit/openvpn");
  EXPECT_EQ(
      tunnel::EngineCommandLine(tunnel::EnginePath(folder, 1), tunnel::EngineArguments(folder)),
      "/opt/tesmira//64bit/openvpn  --config /opt/tesmira/Tesmira.clt "
      "--auth-user-pass /opt/tesmira/Tesmira.upw");
}

TEST(EngineCommandTest, LongFoldersAreNeverCut) {
  // 103 characters was the most the first version's buffer held: exactly 255 characters.
  const std::string fits = "/" + std::string(101, 'a') + "/";
  ASSERT_EQ(fits.size(), 103u);
  EXPECT_EQ(tunnel::EngineArguments(fits).size(), 255u);
  EXPECT_EQ(tunnel::EnginePath(fits, 1).size(), 117u);
  EXPECT_EQ(
      tunnel::EngineCommandLine(tunnel::EnginePath(fits, 1), tunnel::EngineArguments(fits)).size(),
      374u);
  const std::string longer = "/" + std::string(300, 'b') + "/";
  EXPECT_EQ(tunnel::EngineArguments(longer),
            "--config " + longer + "Tesmira.clt --auth-user-pass " + longer + "Tesmira.upw");
}

TEST(EngineCommandTest, ArgumentVectorKeepsFoldersWithBlanksWhole) {
  const std::string program = "/opt/my vpn/";
  const std::string files = "/home/u/my files/";
  tunnel::PrepareEngine(program, files, 0);
  EXPECT_EQ(tunnel::enginePath, "/opt/my vpn//32bit/openvpn");
  EXPECT_EQ(tunnel::engineArguments, tunnel::EngineArguments(files));
  EXPECT_EQ(tunnel::engineArgumentVector,
            (std::vector<std::string>{"/opt/my vpn//32bit/openvpn", "--config",
                                      "/home/u/my files/Tesmira.clt", "--auth-user-pass",
                                      "/home/u/my files/Tesmira.upw"}));
}

TEST(EngineCommandTest, WorkingFolderIsAbsoluteWithSeparator) {
  testing_support::ScratchDir dir;
  EXPECT_EQ(tunnel::WorkingFolder(), std::filesystem::canonical(dir.Path()).string() + "/");
}

}  // namespace
