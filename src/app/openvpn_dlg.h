#pragma once
// The main dialog: the server list, Connect and Disconnect, the status picture and text.

#include <QBasicTimer>
#include <QDialog>
#include <QIcon>
#include <QPixmap>

#include <memory>
#include <optional>
#include <string>

#include "app/connection_controller.h"
#include "app/tunnel_engine.h"

class CRichTip;
class CRichTipRelay;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;

inline constexpr unsigned kSysCommandAbout = 0x0010;

class CopenvpnDlg : public QDialog, public ControllerView {
  Q_OBJECT

 public:
  explicit CopenvpnDlg(QWidget* parent = nullptr);
  ~CopenvpnDlg() override;

  // Runs the initialisation, then the modal loop; returns the dialog's result.
  int DoModal();

  // The initialisation, reporting a failure it lets through as the framework's dispatch does.
  void RunInitialisation();

  // The initialisation sequence; true: the framework sets the initial focus.
  bool OnInitDialog();

  // Handlers, named as in the message map.
  void OnSysCommand(unsigned id);
  void OnConnect();
  void OnDisconnect();
  void OnInstallDriver();
  void OnUninstallDriver();
  void OnTimer(int id);
  void OnTunnelUp();
  void OnTunnelDown();
  void OnEngineEnded(const std::string& reason);
  // A reader's box, owned by no window as before.
  void OnMessageBox(const std::string& text, const std::string& title);
  // A reader started (true) or ended (false).
  void OnWaitCursor(bool begin);
  void OnClose();

  // Queues a close request that takes effect once the current handler has returned.
  void PostClose();

  // Controls, for the program's own tests and for accessibility checks.
  QTableView* serverList() const { return serverList_; }
  QPushButton* connectButton() const { return connectButton_; }
  QPushButton* disconnectButton() const { return disconnectButton_; }
  QLabel* statusPicture() const { return statusPicture_; }
  QLabel* statusText() const { return statusText_; }
  QMenu* systemMenu() const { return systemMenu_; }
  CRichTip* tooltip() const { return tooltip_.get(); }

  // Where the main icon goes while minimised: centred by the integer formula.
  static QPoint MinimisedIconPosition(QSize client, QSize icon);

 protected:
  void closeEvent(QCloseEvent* e) override;
  void timerEvent(QTimerEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void done(int result) override;

 private:
  // The steps of the initialisation that are only named here; later work fills them in.
  void AttachSkin();
  void CreateTooltip();
  void SetButtonLooks();
  void AddTooltipTools();
  void LoadSettingsAtStart();
  void RunStartupExchange();
  void LoadServerList();

  // ControllerView
  void ShowStatusIcon(StatusIcon icon) override;
  void SetStatusText(const std::string& text) override;
  void EnableConnect(bool enable) override;
  void EnableDisconnect(bool enable) override;
  void ShowMessage(const std::string& text) override;
  std::optional<ServerAddress> FirstSelectedRow() override;
  void SetTimer(int id, int milliseconds) override;
  void KillTimer(int id) override;

  QBasicTimer& TimerOf(int id);
  void DisconnectOnce();
  void OnFocusChanged(QWidget* old, QWidget* now);
  static void MakeDefault(QPushButton* button, bool isDefault);
  // The push button Enter presses: the one that has the focus, if any.
  QPushButton* DefaultButton() const;
  void UpdatePointer();
  void ConnectTunnelSignals();

  // Members in the order of the original declaration.
  QIcon mainIcon_;
  QTableView* serverList_ = nullptr;
  std::unique_ptr<CRichTip> tooltip_;
  QPushButton* connectButton_ = nullptr;
  QPushButton* disconnectButton_ = nullptr;
  QLabel* statusPicture_ = nullptr;
  QLabel* statusText_ = nullptr;
  QPixmap connectedIcon_;
  QPixmap disconnectedIcon_;
  QPixmap connectingIconA_;
  QPixmap connectingIconB_;

  QMenu* systemMenu_ = nullptr;
  // PreTranslateMessage: every message of the dialog reaches the tooltip first.
  std::unique_ptr<CRichTipRelay> tooltipRelay_;
  QBasicTimer timeoutTimer_;
  QBasicTimer animationTimer_;
  QBasicTimer cleanupTimer_;
  std::unique_ptr<TunnelEngine> engine_;
  std::unique_ptr<ConnectionController> controller_;
  bool ending_ = false;
  bool initialising_ = false;
  bool closePending_ = false;
  int readers_ = 0;
  bool connecting_ = false;
  bool busyPointer_ = false;
};
