#pragma once

#include <memory>

class CopenvpnDlg;
class QSocketNotifier;

// The application object: prepares the framework and runs the main dialog modally.
class CopenvpnApp {
 public:
  // Returns false: the program ends once the dialog has ended.
  bool InitInstance();
};

// SIGINT, SIGTERM and SIGHUP (the session ending) close `dialog` the ordinary way, so that
// Disconnect runs first, for as long as the returned notifier lives.
std::unique_ptr<QSocketNotifier> CloseOnTerminationSignals(CopenvpnDlg& dialog);
