// Test main of the markup tests: a GUI application on the offscreen platform whose fonts are
// fixed, so that every width and height the tests expect is exact. The DejaVu faces are
// loaded explicitly and stand in for the faces the default style sheet names.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

#include <cstdio>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const char* kFiles[] = {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSans-Oblique.ttf",
                          "DejaVuSans-BoldOblique.ttf", "DejaVuSansMono.ttf"};
  for (const char* file : kFiles) {
    const QString path = QStringLiteral("/usr/share/fonts/truetype/dejavu/") + QLatin1String(file);
    if (QFontDatabase::addApplicationFont(path) < 0) {
      std::fprintf(stderr, "the test font %s is missing (package fonts-dejavu-core)\n", file);
      return 1;
    }
  }
  for (const char* face : {"Verdana", "Arial"}) {
    QFont::insertSubstitution(QLatin1String(face), QStringLiteral("DejaVu Sans"));
  }
  QFont::insertSubstitution(QStringLiteral("Courier"), QStringLiteral("DejaVu Sans Mono"));
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
