#pragma once

// The application object: prepares the framework and runs the main dialog modally.
class CopenvpnApp {
 public:
  // Returns false: the program ends once the dialog has ended.
  bool InitInstance();
};
