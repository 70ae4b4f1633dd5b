#include <gtest/gtest.h>

#include <string>

#include "tunnel/driver_setup.h"
#include "tunnel/scratch_dir.h"

namespace {

using testing_support::ReadBytes;
using testing_support::ScratchDir;
using tunnel::DriverScript;

const std::string kInstallLine1 = "rem Add a new TAP-Win32 virtual ethernet adapter\r\r\n";
const std::string kUninstallLine1 =
    "echo WARNING: this script will delete ALL TAP-Win32 virtual adapters (use the device "
    "manager to delete adapters one at a time)\r\r\n";

struct ScriptCase {
  const char* name;
  DriverScript script;
  int is64;
  std::string fileName;
  std::string bytes;
};

void PrintTo(const ScriptCase& c, std::ostream* os) { *os << c.name; }

class DriverScriptTest : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(DriverScriptTest, BytesAndName) {
  const ScriptCase& c = GetParam();
  EXPECT_EQ(tunnel::DriverScriptName(c.script, c.is64), c.fileName);
  EXPECT_EQ(tunnel::DriverScriptText(c.script, c.is64, "/opt/VPN/"), c.bytes);
  ScratchDir dir;
  tunnel::WriteDriverScript(c.script, c.is64, "/opt/VPN/");
  EXPECT_EQ(ReadBytes(c.fileName), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, DriverScriptTest,
    ::testing::Values(
        ScriptCase{"Install64", DriverScript::Install, 1, "64bitInstall.bat",
                   kInstallLine1 + "\"/opt/VPN//64bit/tapinstall.exe\" install "
                                   "\"/opt/VPN//64bit/OemWin2k.inf\" tap0901\r\r\n"},
        ScriptCase{"Install32", DriverScript::Install, 0, "32bitInstall.bat",
                   kInstallLine1 + "\"/opt/VPN//32bit/tapinstall.exe\" install "
                                   "\"/opt/VPN//32bit/OemWin2k.inf\" tap0901\r\r\n"},
        ScriptCase{"Uninstall64", DriverScript::Uninstall, 1, "64bitUninstall.bat",
                   kUninstallLine1 + "\"/opt/VPN//64bit/tapinstall.exe\" remove tap0901\r\r\n"},
        ScriptCase{"Uninstall32", DriverScript::Uninstall, 0, "32bitUninstall.bat",
                   kUninstallLine1 + "\"/opt/VPN//32bit/tapinstall.exe\" remove tap0901\r\r\n"}),
    [](const auto& info) { return info.param.name; });

TEST(DriverScriptTest, FolderWithBlanksStaysInsideTheQuotes) {
  EXPECT_EQ(tunnel::DriverScriptText(DriverScript::Uninstall, 0, "/home/a b/"),
            kUninstallLine1 + "\"/home/a b//32bit/tapinstall.exe\" remove tap0901\r\r\n");
}

}  // namespace
