#include "app/tunnel_engine.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include "app/dialog_events.h"
#include "platform/system.h"
#include "service/account.h"
#include "tunnel/driver_setup.h"
#include "tunnel/engine_command.h"
#include "tunnel/engine_launcher.h"
#include "tunnel/profile_files.h"
#include "tunnel/tunnel_runner.h"

namespace {

class Engine : public TunnelEngine, public tunnel::TunnelEvents {
 public:
  explicit Engine(QObject* dialog) : dialog_(dialog) {}

  void InstallDriver(QWidget* owner) override { tunnel::InstallDriver(owner); }
  void UninstallDriver(QWidget* owner) override { tunnel::UninstallDriver(owner); }

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
  bool CreateTunnelStarter() override { return tunnel::CreateTunnelStarter(); }
  bool StopEngine() override { return tunnel::StopEngine(); }
  void DeleteProfileFiles(int attemptsEach) override { tunnel::DeleteProfileFiles(attemptsEach); }

  // The log reader's events, from its thread, travel as posted events.
  void PostTunnelUp() override { Post(dialog_event::kTunnelUp); }
  void PostTunnelDown() override { Post(dialog_event::kTunnelDown); }
  void PostEngineEnded(std::string reason) override {
    QCoreApplication::postEvent(dialog_, new EngineEndedEvent(std::move(reason)));
  }
  void PostMessageBox(std::string text, std::string title) override {
    QCoreApplication::postEvent(dialog_, new MessageBoxEvent(std::move(text), std::move(title)));
  }
  void PostWaitCursor(bool begin) override {
    QCoreApplication::postEvent(dialog_, new WaitCursorEvent(begin));
  }

 private:
  static std::string UpToZero(const std::string& text) { return text.substr(0, text.find('\0')); }
  void Post(int type) {
    QCoreApplication::postEvent(dialog_, new QEvent(dialog_event::Type(type)));
  }
  QObject* dialog_;
  ServerAddress server_;
};

}  // namespace

std::unique_ptr<TunnelEngine> MakeTunnelEngine(QObject* dialog) {
  return std::make_unique<Engine>(dialog);
}

std::atomic<int32_t>& ConnectionState() { return tunnel::connectionState; }

void SetMainWindow(TunnelEngine* engine) {
  tunnel::mainWindow = engine ? static_cast<Engine*>(engine) : nullptr;
}

void ChooseEngineLauncher() { tunnel::SetEngineLauncher(tunnel::MakeLauncherForThisProcess()); }

void ShutdownTunnel() { tunnel::ShutdownTunnel(); }
