#include "app/about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/dialog_template.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("CAboutDlg"));
  const auto controls = BuildFromTemplate(this, res::kAboutDialog, res::kAboutDialogControls.data(),
                                          res::kAboutDialogControls.size());
  for (QLabel* label : findChildren<QLabel*>()) {
    if (label->text().isEmpty()) {
      label->setPixmap(QPixmap::fromImage(res::LoadIconImage(res::kIconMain)));
      label->resize(label->pixmap().size());
    }
  }
  auto* ok = qobject_cast<QPushButton*>(controls.at(res::kIdOk));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
