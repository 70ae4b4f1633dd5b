#pragma once
// Installing and removing the virtual adapter driver: a two-line script written to the working
// directory, run by the shell in the background, announced to the user and deleted again.

#include <functional>
#include <string>

class QWidget;

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

// Command 1009: driverInstalled := 1 and the settings saved first, whatever follows; then the
// install script is written and run, "Installing driver!" shown, and the script deleted.
void InstallDriver(QWidget* owner, const DriverSetupOptions& options = DefaultDriverSetupOptions());

// Command 1004: the uninstall script written and run, "Uninstalling the driver!" shown, and the
// script deleted. The flag and the settings stay as they are.
void UninstallDriver(QWidget* owner,
                     const DriverSetupOptions& options = DefaultDriverSetupOptions());

}  // namespace tunnel
