#pragma once
// Installing and removing the virtual adapter driver: a two-line script written to the working
// directory, run by the shell in the background and deleted again. The dialog announces it to
// the user between the two (app/driver_commands.h).

#include <functional>
#include <string>

namespace tunnel {

enum class DriverScript { Install, Uninstall };

// "64bitInstall.bat", "32bitUninstall.bat" and so on.
std::string DriverScriptName(DriverScript script, int is64);

// The script's bytes as stored: two lines, each ending in carriage return, carriage return,
// line feed, the tool paths quoted and built from `programFolder` (which ends with '/').
std::string DriverScriptText(DriverScript script, int is64, const std::string& programFolder);

// Replaces the script file in the working directory; true when the whole script was written.
bool WriteDriverScript(DriverScript script, int is64, const std::string& programFolder);

struct DriverSetupOptions {
  std::string programFolder;       // ends with '/'
  int is64 = 0;                    // the 64-bit probe's answer
  std::function<void(int)> sleep;  // the waits before the script is deleted
};

// The program's own folder, the probe's answer and real waits.
DriverSetupOptions DefaultDriverSetupOptions();

// What starting a driver script did: the dialog shows `announcement` whatever happened, and
// FinishDriverScript then removes the script.
struct DriverScriptRun {
  DriverScript script = DriverScript::Install;
  std::string name;          // the script's file name in the working directory
  bool written = false;      // false: nothing was run, and nothing of ours is there to delete
  std::string announcement;  // "Installing driver!" or "Uninstalling the driver!"
};

// Writes the script and has the shell run it in the background; a script that could not be
// written is not run.
DriverScriptRun StartDriverScript(DriverScript script, const DriverSetupOptions& options);

// After the announcement: the waits and deletions of the script, nothing when it was not written.
void FinishDriverScript(const DriverScriptRun& run, const DriverSetupOptions& options);

}  // namespace tunnel
