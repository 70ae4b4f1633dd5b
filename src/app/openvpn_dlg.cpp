#include "app/openvpn_dlg.h"

#include "tunnel/profile_files.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTableView>
#include <QTimerEvent>

#include <algorithm>
#include <vector>

#include "app/about_dlg.h"
#include "app/dialog_template.h"
#include "app/server_list_model.h"
#include "app/tunnel_engine.h"
#include "platform/message_box.h"
#include "resources.h"
#include "service/account.h"
#include "service/file_version_info.h"
#include "service/http.h"
#include "service/server_list.h"
#include "service/service_config.h"
#include "service/settings.h"
#include "service/startup_exchange.h"
#include "widgets/buttons/shade_button.h"
#include "widgets/tooltip/rich_tip.h"

namespace {

QPixmap IconPixmap(int id) { return QPixmap::fromImage(res::LoadIconImage(id)); }

// Column headings of the list; the last two are present but not visible.
const char* const kColumnHeadings[kServerListColumns] = {"Server IP",   "Country", "City",
                                                         "Description", "IP",      "Port"};

// Connect and Disconnect are shaded owner-drawn buttons; the others plain push buttons.
QWidget* MakeDialogButton(const res::ControlTemplate& control, QWidget* parent) {
  const QString caption = QString::fromUtf8(control.text);
  if (control.id == res::kIdConnect || control.id == res::kIdDisconnect) {
    return new CShadeButton(caption, parent);
  }
  return new QPushButton(caption, parent);
}

ServerListModel* RowsOf(const QTableView* list) {
  return qobject_cast<ServerListModel*>(list->model());
}

}  // namespace

CopenvpnDlg::CopenvpnDlg(QWidget* parent) : QDialog(parent), mainIcon_(IconPixmap(res::kIconMain)) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setObjectName(QStringLiteral("CopenvpnDlg"));
  const auto controls = BuildFromTemplate(this, res::kMainDialog, res::kMainDialogControls.data(),
                                          res::kMainDialogControls.size(), &MakeDialogButton);
  // DoDataExchange: bind the controls to their members.
  serverList_ = qobject_cast<QTableView*>(controls.at(res::kIdList));
  connectButton_ = qobject_cast<QPushButton*>(controls.at(res::kIdConnect));
  disconnectButton_ = qobject_cast<QPushButton*>(controls.at(res::kIdDisconnect));
  statusPicture_ = qobject_cast<QLabel*>(controls.at(res::kIdStatusPicture));
  statusText_ = qobject_cast<QLabel*>(controls.at(res::kIdStatusText));
  serverList_->setAccessibleName(QStringLiteral("The list of servers"));
  // The status label keeps no name of its own: a screen reader reads its text.
  statusPicture_->setPixmap(IconPixmap(res::kIconConnect));
  statusPicture_->resize(statusPicture_->pixmap().size());

  connect(connectButton_, &QPushButton::clicked, this, &CopenvpnDlg::OnConnect);
  connect(disconnectButton_, &QPushButton::clicked, this, &CopenvpnDlg::OnDisconnect);
  connect(qobject_cast<QPushButton*>(controls.at(res::kIdInstall)), &QPushButton::clicked, this,
          &CopenvpnDlg::OnInstallDriver);
  connect(qobject_cast<QPushButton*>(controls.at(res::kIdUninstall)), &QPushButton::clicked, this,
          &CopenvpnDlg::OnUninstallDriver);
  engine_ = MakeTunnelEngine();
  ConnectTunnelSignals();

  // The dialog manager's rule: the focused push button is the default one, so Enter presses
  // it; elsewhere Enter is the dialog's OK.
  connect(qApp, &QApplication::focusChanged, this, &CopenvpnDlg::OnFocusChanged);

  controller_ = std::make_unique<ConnectionController>(*this, *engine_, ProcessConnectionState(),
                                                       driverInstalled);
}

// The readers' events reach the dialog as the window messages of the first design did: queued,
// handled on this thread in the order they were emitted.
void CopenvpnDlg::ConnectTunnelSignals() {
  const tunnel::TunnelSignals* readers = &engine_->Signals();
  connect(readers, &tunnel::TunnelSignals::tunnelUp, this, &CopenvpnDlg::OnTunnelUp,
          Qt::QueuedConnection);
  connect(readers, &tunnel::TunnelSignals::tunnelDown, this, &CopenvpnDlg::OnTunnelDown,
          Qt::QueuedConnection);
  connect(readers, &tunnel::TunnelSignals::engineEnded, this, &CopenvpnDlg::OnEngineEnded,
          Qt::QueuedConnection);
  connect(readers, &tunnel::TunnelSignals::messageBox, this, &CopenvpnDlg::OnMessageBox,
          Qt::QueuedConnection);
  connect(readers, &tunnel::TunnelSignals::waitCursor, this, &CopenvpnDlg::OnWaitCursor,
          Qt::QueuedConnection);
}

CopenvpnDlg::~CopenvpnDlg() {
  // The controls go with the QDialog part, moving the focus as they go.
  disconnect(qApp, &QApplication::focusChanged, this, nullptr);
  // Nothing a reader emits from here on may reach a dialog on its way out; what is already
  // queued goes with it.
  disconnect(&engine_->Signals(), nullptr, this, nullptr);
  if (busyPointer_) QApplication::restoreOverrideCursor();
  // The readers emit on the engine's signals, which go with the engine: end them all first.
  ShutdownTunnel();
  // The engine has ended, so the deletions its stopping was waited for are due now.
  controller_->FinishLaterDeletions();
}

int CopenvpnDlg::DoModal() {
  RunInitialisation();
  return exec();
}

void CopenvpnDlg::RunInitialisation() {
  initialising_ = true;
  try {
    OnInitDialog();
  } catch (const HttpError& e) {
    // The framework's dispatch reports what the initialisation let through.
    platform::ShowAppMessageBox(this, *e.what() ? e.what() : "Internal application error.",
                                platform::MessageIcon::Stop);
  }
  initialising_ = false;
  // A close asked for during the initialisation (a box's own loop may have delivered it) takes
  // effect once the modal loop runs, after the dialog is shown.
  if (closePending_) PostClose();
}

bool CopenvpnDlg::OnInitDialog() {
  // The system menu's About item; here the dialog's context menu stands in for it.
  const std::string aboutText = res::LoadString(res::kStringAboutMenu);
  if (!aboutText.empty()) {
    systemMenu_ = new QMenu(this);
    systemMenu_->addSeparator();
    systemMenu_->addAction(QString::fromUtf8(aboutText.c_str()),
                           [this] { OnSysCommand(kSysCommandAbout); });
  }
  setWindowIcon(mainIcon_);
  // Four visible columns share the client width; "IP" and "Port" exist with width 0.
  const int clientWidth = serverList_->contentsRect().width();
  const int columnWidth = (clientWidth - 20) / 4;
  for (int column = 0; column < kServerListColumns; ++column) {
    serverList_->model()->setHeaderData(column, Qt::Horizontal,
                                        QString::fromUtf8(kColumnHeadings[column]));
  }
  QHeaderView* header = serverList_->horizontalHeader();
  header->setMinimumSectionSize(0);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setStretchLastSection(false);
  for (int column = 0; column < kServerListColumns; ++column) {
    serverList_->setColumnWidth(column, column < kColumnIp ? columnWidth : 0);
  }
  // Full-row selection and grid lines; several rows may be selected.
  serverList_->setSelectionBehavior(QAbstractItemView::SelectRows);
  serverList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  serverList_->setShowGrid(true);
  serverList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  serverList_->verticalHeader()->setVisible(false);
  // Compact single-line rows, as a report view shows them.
  serverList_->verticalHeader()->setDefaultSectionSize(serverList_->fontMetrics().height() + 4);
  serverList_->setWordWrap(false);
  serverList_->setSortingEnabled(false);
  AttachSkin();
  CreateTooltip();
  SetButtonLooks();
  AddTooltipTools();
  disconnectButton_->setEnabled(false);
  connectedIcon_ = IconPixmap(res::kIconConnected);
  disconnectedIcon_ = IconPixmap(res::kIconDisconnected);
  connectingIconA_ = IconPixmap(res::kIconConnectingA);
  connectingIconB_ = IconPixmap(res::kIconConnectingB);
  ShowStatusIcon(StatusIcon::Disconnected);
  // The settings give the account that the start-up exchange sends.
  LoadSettingsAtStart();
  RunStartupExchange();
  LoadServerList();
  return true;
}

// The skin library is absent on this platform; the program works without it.
void CopenvpnDlg::AttachSkin() {}

// The balloon tooltip, fed with the dialog's input by an event filter on the application.
void CopenvpnDlg::CreateTooltip() {
  tooltip_ = std::make_unique<CRichTip>();
  tooltip_->Create(this, true);
  tooltipRelay_ = std::make_unique<CRichTipRelay>(tooltip_.get(), this);
  qApp->installEventFilter(tooltipRelay_.get());
}

void CopenvpnDlg::AddTooltipTools() {
  tooltip_->AddTool(connectButton_, gdi::UINT{res::kStringConnectTip});
  tooltip_->AddTool(disconnectButton_, gdi::UINT{res::kStringDisconnectTip});
}

void CopenvpnDlg::SetButtonLooks() {
  const std::pair<QPushButton*, int> buttons[] = {{connectButton_, res::kIconConnect},
                                                  {disconnectButton_, res::kIconDisconnect}};
  for (const auto& [button, icon] : buttons) {
    auto* shaded = static_cast<CShadeButton*>(button);
    // The hard bump, noise of 8 steps, hover 20 % brighter, faces 5 % toward blue.
    shaded->SetShadeEffect(SHADE_HARDBUMP, 8, 20, 5, gdi::RGB(55, 55, 255));
    shaded->SetImageAlignment(CFlatButton::kImageAbove, gdi::TRUE);
    shaded->SetIconsFromResources(icon, 32, 32, 0, 0, 0);
  }
}

void CopenvpnDlg::LoadSettingsAtStart() {
  // A password file that a killed instance could not remove goes before anything else is done.
  tunnel::RemoveLeftoverProfileFiles();
  InitializeSettings();
}

void CopenvpnDlg::RunStartupExchange() {
  CFileVersionInfo versionInfo;
  const std::string version =
      versionInfo.Create() ? versionInfo.GetProductVersion() : std::string();
  std::string response;
  // Only the answer decides: a failed transfer leaves it empty.
  HttpPostForm(ServiceBaseUrl() + kStartupPath, BuildStartupRequestBody(accountName, version),
               response);
  const StartupAnswer answer = ParseStartupAnswer(response);
  if (!answer.reached) {
    platform::ShowAppMessageBox(this, "Could not access server,please try again later.");
    PostClose();
    return;
  }
  if (answer.notice) {
    platform::ShowMessageBox(this, *answer.notice, answer.caption);
    PostClose();
  }
  if (answer.password) tunnelPassword = *answer.password;
}

void CopenvpnDlg::LoadServerList() {
  std::string text = HttpGetText(ServiceBaseUrl() + kServerListPath);
  if (!RowsOf(serverList_)->AppendList(std::move(text))) {
    platform::ShowAppMessageBox(this,
                                "The server list is too long: it has more than " +
                                    std::to_string(kMaxServerListRows) +
                                    " rows. No server is shown.",
                                platform::MessageIcon::Stop);
  }
}

void CopenvpnDlg::OnSysCommand(unsigned id) {
  if ((id & 0xFFF0) == kSysCommandAbout) {
    CAboutDlg about(this);
    about.exec();
  }
}

void CopenvpnDlg::OnConnect() { controller_->Connect(); }
void CopenvpnDlg::OnDisconnect() { controller_->Disconnect(); }
void CopenvpnDlg::OnInstallDriver() { engine_->InstallDriver(this); }
void CopenvpnDlg::OnUninstallDriver() { engine_->UninstallDriver(this); }
void CopenvpnDlg::OnTimer(int id) { controller_->OnTimer(id); }
void CopenvpnDlg::OnTunnelUp() { controller_->OnTunnelUp(); }
void CopenvpnDlg::OnTunnelDown() { controller_->OnTunnelDown(); }
void CopenvpnDlg::OnEngineEnded(const std::string& reason) { controller_->OnEngineEnded(reason); }

void CopenvpnDlg::OnMessageBox(const std::string& text, const std::string& title) {
  platform::ShowMessageBox(nullptr, text, title);
}

void CopenvpnDlg::OnWaitCursor(bool begin) {
  readers_ += begin ? 1 : -1;
  UpdatePointer();
}

void CopenvpnDlg::OnClose() {
  DisconnectOnce();
  QDialog::done(QDialog::Rejected);
}

void CopenvpnDlg::DisconnectOnce() {
  if (ending_) return;
  ending_ = true;
  controller_->OnClose();
}

void CopenvpnDlg::PostClose() {
  closePending_ = true;
  // Queued behind whatever is waiting, as the posted window message was; a dialog that is gone
  // takes its queued call with it.
  QMetaObject::invokeMethod(
      this,
      [this] {
        // Closing before the modal loop runs would be undone by it; the request waits for it.
        if (!initialising_) close();
      },
      Qt::QueuedConnection);
}

void CopenvpnDlg::closeEvent(QCloseEvent* e) {
  e->accept();
  OnClose();
}

// Escape, Enter and any other way the dialog ends also disconnect first, so no engine and no
// credentials file outlive the program.
void CopenvpnDlg::done(int result) {
  DisconnectOnce();
  QDialog::done(result);
}

void CopenvpnDlg::keyPressEvent(QKeyEvent* e) {
  if ((e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
      (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
    if (QPushButton* button = DefaultButton()) {
      if (button->isEnabled()) button->click();
      return;
    }
    done(QDialog::Accepted);  // the framework's OK
    return;
  }
  if (e->modifiers() == Qt::AltModifier && e->key() == Qt::Key_Space && systemMenu_) {
    systemMenu_->popup(mapToGlobal(QPoint(0, 0)));
    return;
  }
  QDialog::keyPressEvent(e);
}

void CopenvpnDlg::contextMenuEvent(QContextMenuEvent* e) {
  if (systemMenu_) systemMenu_->popup(e->globalPos());
}

QPoint CopenvpnDlg::MinimisedIconPosition(QSize client, QSize icon) {
  return QPoint((client.width() - icon.width() + 1) / 2, (client.height() - icon.height() + 1) / 2);
}

void CopenvpnDlg::paintEvent(QPaintEvent* e) {
  if (!isMinimized()) {
    QDialog::paintEvent(e);
    return;
  }
  QPainter painter(this);
  const QSize icon(32, 32);
  painter.drawPixmap(QRect(MinimisedIconPosition(size(), icon), icon), mainIcon_.pixmap(icon));
}

void CopenvpnDlg::timerEvent(QTimerEvent* e) {
  if (e->timerId() == timeoutTimer_.timerId()) {
    OnTimer(kTimeoutTimer);
  } else if (e->timerId() == animationTimer_.timerId()) {
    OnTimer(kAnimationTimer);
  } else if (e->timerId() == cleanupTimer_.timerId()) {
    OnTimer(kCleanupTimer);
  } else {
    QDialog::timerEvent(e);
  }
}

void CopenvpnDlg::OnFocusChanged(QWidget* old, QWidget* now) {
  auto* before = qobject_cast<QPushButton*>(old);
  auto* after = qobject_cast<QPushButton*>(now);
  if (before && before->window() == this) MakeDefault(before, false);
  if (after && after->window() == this) MakeDefault(after, true);
}

void CopenvpnDlg::MakeDefault(QPushButton* button, bool isDefault) {
  if (auto* flat = qobject_cast<CFlatButton*>(button)) {
    flat->SetButtonStyle(isDefault ? gdi::BS_DEFPUSHBUTTON : gdi::BS_PUSHBUTTON);
  } else {
    button->setDefault(isDefault);
  }
}

QPushButton* CopenvpnDlg::DefaultButton() const {
  for (QPushButton* button : findChildren<QPushButton*>()) {
    if (button->isDefault() && button->isVisible()) return button;
  }
  return nullptr;
}

// Busy while an attempt is under way; a connected dialog is an ordinary one.
void CopenvpnDlg::UpdatePointer() {
  const bool busy = readers_ > 0 && connecting_;
  if (busy == busyPointer_) return;
  busyPointer_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::BusyCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void CopenvpnDlg::ShowStatusIcon(StatusIcon icon) {
  connecting_ = icon == StatusIcon::ConnectingA || icon == StatusIcon::ConnectingB;
  UpdatePointer();
  const QPixmap* pixmap = &disconnectedIcon_;
  switch (icon) {
    case StatusIcon::Connected:
      pixmap = &connectedIcon_;
      break;
    case StatusIcon::Disconnected:
      break;
    case StatusIcon::ConnectingA:
      pixmap = &connectingIconA_;
      break;
    case StatusIcon::ConnectingB:
      pixmap = &connectingIconB_;
      break;
  }
  statusPicture_->setPixmap(*pixmap);
  statusPicture_->resize(pixmap->size());
}

void CopenvpnDlg::SetStatusText(const std::string& text) {
  statusText_->setText(QString::fromUtf8(text.c_str()));
  QAccessibleEvent changed(statusText_, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&changed);
}

void CopenvpnDlg::EnableConnect(bool enable) { connectButton_->setEnabled(enable); }
void CopenvpnDlg::EnableDisconnect(bool enable) { disconnectButton_->setEnabled(enable); }
void CopenvpnDlg::ShowMessage(const std::string& text) { platform::ShowAppMessageBox(this, text); }

std::optional<ServerAddress> CopenvpnDlg::FirstSelectedRow() {
  int first = -1;
  for (const QModelIndex& index : serverList_->selectionModel()->selectedRows()) {
    if (first < 0 || index.row() < first) first = index.row();
  }
  if (first < 0) return std::nullopt;
  const ServerListModel* rows = RowsOf(serverList_);
  return ServerAddress{std::string(rows->Cell(first, kColumnIp)),
                       std::string(rows->Cell(first, kColumnPort))};
}

QBasicTimer& CopenvpnDlg::TimerOf(int id) {
  switch (id) {
    case kTimeoutTimer:
      return timeoutTimer_;
    case kCleanupTimer:
      return cleanupTimer_;
    default:
      return animationTimer_;
  }
}

void CopenvpnDlg::SetTimer(int id, int milliseconds) {
  // Coarse timers round to whole seconds from 20 s up; the time-out is promised at 60 s.
  TimerOf(id).start(milliseconds, Qt::PreciseTimer, this);
}

void CopenvpnDlg::KillTimer(int id) { TimerOf(id).stop(); }
