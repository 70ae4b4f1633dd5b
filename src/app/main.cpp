#include <QApplication>

#include "app/app.h"
#include "app/tunnel_engine.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  CopenvpnApp app;
  app.InitInstance();
  ShutdownTunnel();
  return 0;
}
