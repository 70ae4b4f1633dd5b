#include "app/tunnel_engine.h"

#include "app/driver_commands.h"
#include "platform/system.h"
#include "service/account.h"
#include "tunnel/engine_command.h"
#include "tunnel/engine_launcher.h"
#include "tunnel/profile_files.h"
#include "tunnel/tunnel_runner.h"

namespace {

class Engine : public TunnelEngine {
 public:
  void InstallDriver(QWidget* owner) override { ::InstallDriver(owner); }
  void UninstallDriver(QWidget* owner) override { ::UninstallDriver(owner); }

  std::string WriteProfileFiles(const ServerAddress& server) override {
    server_ = server;
    for (std::string error : {tunnel::WriteClientProfile(server.ip, server.port),
                              tunnel::WriteCertificateFile(), tunnel::WriteCredentialsFile()}) {
      if (!error.empty()) return error;
    }
    return {};
  }
  void PrepareEngineCommand() override {
    tunnel::PrepareEngine(platform::ProgramFolder(), tunnel::WorkingFolder(),
                          platform::IsWow64Process());
    tunnel::engineRequest = {server_.ip, server_.port, UpToZero(accountName),
                             UpToZero(tunnelPassword)};
  }
  bool CreateTunnelStarter() override { return tunnel::CreateTunnelStarter(signals_); }
  bool StopEngine() override { return tunnel::StopEngine(); }
  void DeleteProfileFiles(int attemptsEach) override { tunnel::DeleteProfileFiles(attemptsEach); }
  tunnel::TunnelSignals& Signals() override { return signals_; }

 private:
  static std::string UpToZero(const std::string& text) { return text.substr(0, text.find('\0')); }
  ServerAddress server_;
  tunnel::TunnelSignals signals_;
};

}  // namespace

std::unique_ptr<TunnelEngine> MakeTunnelEngine() { return std::make_unique<Engine>(); }

std::atomic<tunnel::ConnectionState>& ProcessConnectionState() { return tunnel::connectionState; }

void ChooseEngineLauncher() { tunnel::SetEngineLauncher(tunnel::MakeLauncherForThisProcess()); }

void ShutdownTunnel() { tunnel::ShutdownTunnel(); }
