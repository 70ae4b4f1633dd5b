#include "tunnel/driver_setup.h"

#include <cstdio>

#include "platform/system.h"

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

DriverScriptRun StartDriverScript(DriverScript script, const DriverSetupOptions& options) {
  DriverScriptRun run;
  run.script = script;
  run.name = DriverScriptName(script, options.is64);
  run.announcement =
      script == DriverScript::Install ? "Installing driver!" : "Uninstalling the driver!";
  // Whatever else lies in the folder under that name is not ours to run, nor to delete.
  run.written = WriteDriverScript(script, options.is64, options.programFolder);
  if (run.written) platform::ShellOpen(run.name);
  return run;
}

void FinishDriverScript(const DriverScriptRun& run, const DriverSetupOptions& options) {
  if (!run.written) return;
  if (run.script == DriverScript::Install && options.is64 == 1) {
    // Kept from the first version: asks the shell to run a file that does not exist, which
    // fails quietly; the deletions below remove the script.
    options.sleep(1000);
    platform::ShellOpen("del 64bitInstall.bat");
  }
  DeleteScriptLater(run.name, options.sleep);
}

}  // namespace tunnel
