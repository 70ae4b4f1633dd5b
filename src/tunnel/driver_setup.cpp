#include "tunnel/driver_setup.h"

#include <cstdio>

#include "platform/message_box.h"
#include "platform/system.h"
#include "service/account.h"
#include "service/settings.h"

namespace tunnel {
namespace {

std::string Variant(int is64) { return is64 == 1 ? "64" : "32"; }

// The scripts were first written in text mode: every line feed is stored after a carriage
// return, and the literals already end in one.
std::string TextMode(const std::string& text) {
  std::string stored;
  for (char c : text) {
    if (c == '\n') stored += '\r';
    stored += c;
  }
  return stored;
}

void DeleteScriptLater(const std::string& name, const std::function<void(int)>& sleep) {
  sleep(100);
  platform::DeleteFile(name);
  sleep(1000);
  platform::DeleteFile(name);
  sleep(1000);
  platform::DeleteFile(name);
}

}  // namespace

std::string DriverScriptName(DriverScript script, int is64) {
  return Variant(is64) + (script == DriverScript::Install ? "bitInstall.bat" : "bitUninstall.bat");
}

std::string DriverScriptText(DriverScript script, int is64, const std::string& programFolder) {
  const std::string tools = programFolder + "/" + Variant(is64) + "bit/";
  std::string text;
  if (script == DriverScript::Install) {
    text = "rem Add a new TAP-Win32 virtual ethernet adapter\r\n";
    text += "\"" + tools + "tapinstall.exe\" install \"" + tools + "OemWin2k.inf\" tap0901\r\n";
  } else {
    text =
        "echo WARNING: this script will delete ALL TAP-Win32 virtual adapters (use the device "
        "manager to delete adapters one at a time)\r\n";
    text += "\"" + tools + "tapinstall.exe\" remove tap0901\r\n";
  }
  return TextMode(text);
}

bool WriteDriverScript(DriverScript script, int is64, const std::string& programFolder) {
  std::FILE* file = std::fopen(DriverScriptName(script, is64).c_str(), "wb");
  if (file == nullptr) return false;
  const std::string text = DriverScriptText(script, is64, programFolder);
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

DriverSetupOptions DefaultDriverSetupOptions() {
  return {platform::ProgramFolder(), platform::IsWow64Process(), platform::Sleep};
}

void InstallDriver(QWidget* owner, const DriverSetupOptions& options) {
  driverInstalled = 1;
  SaveSettings();

  const std::string name = DriverScriptName(DriverScript::Install, options.is64);
  // Whatever else lies in the folder under that name is not ours to run, nor to delete.
  const bool written =
      WriteDriverScript(DriverScript::Install, options.is64, options.programFolder);
  if (written) platform::ShellOpen(name);
  platform::ShowAppMessageBox(owner, "Installing driver!");
  if (!written) return;
  if (options.is64 == 1) {
    // Kept from the first version: asks the shell to run a file that does not exist, which
    // fails quietly; the deletions below remove the script.
    options.sleep(1000);
    platform::ShellOpen("del 64bitInstall.bat");
  }
  DeleteScriptLater(name, options.sleep);
}

void UninstallDriver(QWidget* owner, const DriverSetupOptions& options) {
  const std::string name = DriverScriptName(DriverScript::Uninstall, options.is64);
  const bool written =
      WriteDriverScript(DriverScript::Uninstall, options.is64, options.programFolder);
  if (written) platform::ShellOpen(name);
  platform::ShowAppMessageBox(owner, "Uninstalling the driver!");
  if (!written) return;
  DeleteScriptLater(name, options.sleep);
}

}  // namespace tunnel
