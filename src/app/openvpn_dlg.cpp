#include "app/openvpn_dlg.h"

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
#include <QTableWidget>
#include <QTimerEvent>

#include <algorithm>
#include <vector>

#include "app/about_dlg.h"
#include "app/dialog_template.h"
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

namespace {

QPixmap IconPixmap(int id) { return QPixmap::fromImage(res::LoadIconImage(id)); }

QString Local(const std::string& bytes) {
  return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

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

// Raw bytes of a cell, kept beside its displayed text so Connect writes what the service sent.
constexpr int kBytesRole = Qt::UserRole;

}  // namespace

CopenvpnDlg::CopenvpnDlg(QWidget* parent) : QDialog(parent), mainIcon_(IconPixmap(res::kIconMain)) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setObjectName(QStringLiteral("CopenvpnDlg"));
  const auto controls = BuildFromTemplate(this, res::kMainDialog, res::kMainDialogControls.data(),
                                          res::kMainDialogControls.size(), &MakeDialogButton);
  // DoDataExchange: bind the controls to their members.
  serverList_ = qobject_cast<QTableWidget*>(controls.at(res::kIdList));
  connectButton_ = qobject_cast<QPushButton*>(controls.at(res::kIdConnect));
  disconnectButton_ = qobject_cast<QPushButton*>(controls.at(res::kIdDisconnect));
  statusPicture_ = qobject_cast<QLabel*>(controls.at(res::kIdStatusPicture));
  statusText_ = qobject_cast<QLabel*>(controls.at(res::kIdStatusText));
  serverList_->setAccessibleName(QStringLiteral("The list of servers"));
  statusText_->setAccessibleName(QStringLiteral("Status"));
  statusPicture_->setPixmap(IconPixmap(res::kIconConnect));
  statusPicture_->resize(statusPicture_->pixmap().size());

  connect(connectButton_, &QPushButton::clicked, this, &CopenvpnDlg::OnConnect);
  connect(disconnectButton_, &QPushButton::clicked, this, &CopenvpnDlg::OnDisconnect);
  connect(qobject_cast<QPushButton*>(controls.at(res::kIdInstall)), &QPushButton::clicked, this,
          &CopenvpnDlg::OnInstallDriver);
  connect(qobject_cast<QPushButton*>(controls.at(res::kIdUninstall)), &QPushButton::clicked, this,
          &CopenvpnDlg::OnUninstallDriver);

  engine_ = MakeTunnelEngine(this);
  controller_ =
      std::make_unique<ConnectionController>(*this, *engine_, ConnectionState(), driverInstalled);
}

CopenvpnDlg::~CopenvpnDlg() {
  // No reader may post to a dialog that is gone: end them all while it still exists.
  ShutdownTunnel();
  SetMainWindow(nullptr);
}

int CopenvpnDlg::DoModal() {
  RunInitialisation();
  return exec();
}

void CopenvpnDlg::RunInitialisation() {
  try {
    OnInitDialog();
  } catch (const HttpError& e) {
    // The framework's dispatch reports what the initialisation let through.
    platform::ShowAppMessageBox(this, *e.what() ? e.what() : "Internal application error.",
                                platform::MessageIcon::Stop);
  }
}

bool CopenvpnDlg::OnInitDialog() {
  // 2. The system menu's About item; here the dialog's context menu stands in for it.
  const std::string aboutText = res::LoadString(res::kStringAboutMenu);
  if (!aboutText.empty()) {
    systemMenu_ = new QMenu(this);
    systemMenu_->addSeparator();
    systemMenu_->addAction(QString::fromUtf8(aboutText.c_str()),
                           [this] { OnSysCommand(kSysCommandAbout); });
  }
  // 3.
  setWindowIcon(mainIcon_);
  // 4. Four visible columns share the client width; "IP" and "Port" exist with width 0.
  const int clientWidth = serverList_->contentsRect().width();
  const int columnWidth = (clientWidth - 20) / 4;
  serverList_->setColumnCount(kServerListColumns);
  QStringList headings;
  for (const char* heading : kColumnHeadings) headings << QString::fromUtf8(heading);
  serverList_->setHorizontalHeaderLabels(headings);
  QHeaderView* header = serverList_->horizontalHeader();
  header->setMinimumSectionSize(0);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setStretchLastSection(false);
  for (int column = 0; column < kServerListColumns; ++column) {
    serverList_->setColumnWidth(column, column < kColumnIp ? columnWidth : 0);
  }
  // 5. Full-row selection and grid lines; several rows may be selected.
  serverList_->setSelectionBehavior(QAbstractItemView::SelectRows);
  serverList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  serverList_->setShowGrid(true);
  serverList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  serverList_->verticalHeader()->setVisible(false);
  // Compact single-line rows, as a report view shows them.
  serverList_->verticalHeader()->setDefaultSectionSize(serverList_->fontMetrics().height() + 4);
  serverList_->setWordWrap(false);
  serverList_->setSortingEnabled(false);
  // 6. The target of the log reader's events.
  SetMainWindow(engine_.get());
  // 7.-10.
  AttachSkin();
  CreateTooltip();
  SetButtonLooks();
  AddTooltipTools();
  // 11.
  disconnectButton_->setEnabled(false);
  // 12.
  connectedIcon_ = IconPixmap(res::kIconConnected);
  disconnectedIcon_ = IconPixmap(res::kIconDisconnected);
  connectingIconA_ = IconPixmap(res::kIconConnectingA);
  connectingIconB_ = IconPixmap(res::kIconConnectingB);
  ShowStatusIcon(StatusIcon::Disconnected);
  // 13.-15.
  LoadSettingsAtStart();
  RunStartupExchange();
  LoadServerList();
  return true;
}

// The skin library is absent on this platform; the program works without it.
void CopenvpnDlg::AttachSkin() {}

// The rich tooltip window and its two tools come with the tooltip widgets.
void CopenvpnDlg::CreateTooltip() {}
void CopenvpnDlg::AddTooltipTools() {}

void CopenvpnDlg::SetButtonLooks() {
  const std::pair<QPushButton*, int> buttons[] = {{connectButton_, res::kIconConnect},
                                                  {disconnectButton_, res::kIconDisconnect}};
  for (const auto& [button, icon] : buttons) {
    auto* shaded = static_cast<CShadeButton*>(button);
    // The hard bump, noise of 8 steps, hover 20 % brighter, faces 5 % toward blue.
    shaded->SetShadeEffect(7, 8, 20, 5, gdi::RGB(55, 55, 255));
    shaded->SetImageAlignment(1, gdi::TRUE);
    shaded->SetIconsFromResources(icon, 32, 32, 0, 0, 0);
  }
}

void CopenvpnDlg::LoadSettingsAtStart() { InitializeSettings(); }

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
  const std::string text = HttpGetText(ServiceBaseUrl() + kServerListPath);
  const std::vector<ServerListCell> cells = ParseServerList(text);
  // Each record's row is inserted at the index of the records finished before it, so the new
  // rows take indices 0 to n-1 in file order; inserting them at once spares the view a layout
  // per row.
  const auto rows = std::count_if(cells.begin(), cells.end(), [](const ServerListCell& cell) {
    return cell.column == kColumnServerIp;
  });
  serverList_->model()->insertRows(0, static_cast<int>(rows));
  for (const ServerListCell& cell : cells) {
    auto* item = new QTableWidgetItem(Local(cell.text));
    item->setData(kBytesRole, QByteArray::fromStdString(cell.text));
    serverList_->setItem(cell.row, cell.column, item);
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
  QCoreApplication::postEvent(this, new QEvent(dialog_event::Type(dialog_event::kClose)));
}

bool CopenvpnDlg::event(QEvent* e) {
  switch (static_cast<int>(e->type())) {
    case dialog_event::kTunnelUp:
      OnTunnelUp();
      return true;
    case dialog_event::kTunnelDown:
      OnTunnelDown();
      return true;
    case dialog_event::kClose:
      close();
      return true;
    case dialog_event::kMessageBox: {
      auto* box = static_cast<MessageBoxEvent*>(e);
      platform::ShowMessageBox(nullptr, box->text, box->title);
      return true;
    }
    case dialog_event::kWaitCursor:
      if (static_cast<WaitCursorEvent*>(e)->begin) {
        // The reader lives as long as its engine, connected time included: the dialog stays
        // usable meanwhile, so the pointer says "working" rather than "wait".
        QApplication::setOverrideCursor(Qt::BusyCursor);
      } else {
        QApplication::restoreOverrideCursor();
      }
      return true;
    default:
      return QDialog::event(e);
  }
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
  if (e->modifiers() == Qt::NoModifier &&
      (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
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
  } else {
    QDialog::timerEvent(e);
  }
}

void CopenvpnDlg::ShowStatusIcon(StatusIcon icon) {
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
  auto bytes = [&](int column) {
    const QTableWidgetItem* item = serverList_->item(first, column);
    return item ? item->data(kBytesRole).toByteArray().toStdString() : std::string();
  };
  return ServerAddress{bytes(kColumnIp), bytes(kColumnPort)};
}

void CopenvpnDlg::SetTimer(int id, int milliseconds) {
  (id == kTimeoutTimer ? timeoutTimer_ : animationTimer_).start(milliseconds, this);
}

void CopenvpnDlg::KillTimer(int id) {
  (id == kTimeoutTimer ? timeoutTimer_ : animationTimer_).stop();
}
