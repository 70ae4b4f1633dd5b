#include "platform/message_box.h"

#include <QMessageBox>
#include <QString>

#include "platform/system.h"

namespace platform {
namespace {
std::function<void(const MessageBoxRequest&)>& Handler() {
  static std::function<void(const MessageBoxRequest&)> handler;
  return handler;
}
}  // namespace

void ShowMessageBox(QWidget* owner, const std::string& text, const std::string& title,
                    MessageIcon icon) {
  if (Handler()) {
    Handler()(MessageBoxRequest{owner, text, title, icon});
    return;
  }
  QMessageBox box(owner);
  box.setTextFormat(Qt::PlainText);
  box.setText(QString::fromLocal8Bit(text));
  box.setWindowTitle(QString::fromLocal8Bit(title));
  box.setIcon(icon == MessageIcon::Stop          ? QMessageBox::Critical
              : icon == MessageIcon::Information ? QMessageBox::Information
                                                 : QMessageBox::NoIcon);
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

void ShowAppMessageBox(QWidget* owner, const std::string& text, MessageIcon icon) {
  ShowMessageBox(owner, text, ProgramTitle(), icon);
}

void SetMessageBoxHandler(std::function<void(const MessageBoxRequest&)> handler) {
  Handler() = std::move(handler);
}

}  // namespace platform
