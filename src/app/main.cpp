#include <QApplication>

#include <cstdio>
#include <string>

#include "app/app.h"
#include "app/tunnel_engine.h"
#include "platform/message_box.h"
#include "platform/private_folder.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // Before the settings are read: they, the credentials file and the engine's socket all live
  // in the working directory.
  std::string error;
  if (!platform::EnterPrivateFolderIfWanted(&error)) {
    std::fprintf(stderr, "tesmira: %s\n", error.c_str());
    platform::ShowAppMessageBox(nullptr, "Tesmira cannot keep its files private: " + error,
                                platform::MessageIcon::Stop);
    return 1;
  }
  ChooseEngineLauncher();
  CopenvpnApp app;
  app.InitInstance();
  ShutdownTunnel();
  return 0;
}
