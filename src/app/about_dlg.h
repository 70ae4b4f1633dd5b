#pragma once

#include <QDialog>

// The About box, reached from the system menu's stand-in.
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};
