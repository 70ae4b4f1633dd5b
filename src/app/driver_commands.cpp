#include "app/driver_commands.h"

#include "platform/message_box.h"
#include "service/account.h"
#include "service/settings.h"

namespace {

// The box waits for the user while the shell runs the script; only then is it removed.
void RunAnnounced(QWidget* owner, tunnel::DriverScript script,
                  const tunnel::DriverSetupOptions& options) {
  const tunnel::DriverScriptRun run = tunnel::StartDriverScript(script, options);
  platform::ShowAppMessageBox(owner, run.announcement);
  tunnel::FinishDriverScript(run, options);
}

}  // namespace

void InstallDriver(QWidget* owner, const tunnel::DriverSetupOptions& options) {
  driverInstalled = 1;
  SaveSettings();
  RunAnnounced(owner, tunnel::DriverScript::Install, options);
}

void UninstallDriver(QWidget* owner, const tunnel::DriverSetupOptions& options) {
  RunAnnounced(owner, tunnel::DriverScript::Uninstall, options);
}
