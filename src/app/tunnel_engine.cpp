#include "app/tunnel_engine.h"

#include <QObject>

namespace {

class Engine : public TunnelEngine {
 public:
  explicit Engine(QObject* dialog) : dialog_(dialog) {}
  void InstallDriver(QWidget*) override {}
  void UninstallDriver(QWidget*) override {}
  void WriteProfileFiles(const ServerAddress&) override {}
  void PrepareEngineCommand() override {}
  bool CreateTunnelStarter() override { return false; }
  void StopEngine() override {}
  void DeleteProfileFiles(int) override {}
  void Sleep(int) override {}

 private:
  QObject* dialog_;
};

}  // namespace

std::unique_ptr<TunnelEngine> MakeTunnelEngine(QObject* dialog) {
  return std::make_unique<Engine>(dialog);
}

std::atomic<int32_t>& ConnectionState() {
  static std::atomic<int32_t> state{0};
  return state;
}

void SetMainWindow(TunnelEngine*) {}

void ShutdownTunnel() {}
