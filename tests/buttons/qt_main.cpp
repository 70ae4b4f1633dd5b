// Test main for the GUI tests: an application on Qt's offscreen platform with the classic
// Windows 3-D colours, so that the expected pixels do not depend on the desktop theme.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>

#include "buttons/test_colors.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QPalette palette = QApplication::palette();
  palette.setColor(QPalette::Button, QColor(test_colors::kFace));
  palette.setColor(QPalette::Dark, QColor(test_colors::kShadow));
  palette.setColor(QPalette::Light, QColor(test_colors::kHighlight));
  palette.setColor(QPalette::ButtonText, QColor(test_colors::kText));
  QApplication::setPalette(palette);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
