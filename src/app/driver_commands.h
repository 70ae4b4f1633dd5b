#pragma once
// The dialog's two driver buttons: the settings saved, the script started, the box shown, the
// script removed, in the order the first version did them.

#include "tunnel/driver_setup.h"

class QWidget;

// Command 1009: driverInstalled := 1 and the settings saved first, whatever follows; then the
// install script is written and run, "Installing driver!" shown, and the script deleted.
void InstallDriver(QWidget* owner,
                   const tunnel::DriverSetupOptions& options = tunnel::DefaultDriverSetupOptions());

// Command 1004: the uninstall script written and run, "Uninstalling the driver!" shown, and the
// script deleted. The flag and the settings stay as they are.
void UninstallDriver(QWidget* owner, const tunnel::DriverSetupOptions& options =
                                         tunnel::DefaultDriverSetupOptions());
