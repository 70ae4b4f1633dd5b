// Renders the main dialog's Connect and Disconnect buttons, set up as the dialog sets them up,
// in the states idle, hovered, pressed and disabled, into buttons-<state>.png (scaled 2x).
//
//   button-shots [output-folder]     (default: the source tree's docs folder)

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include <cstdio>

#include "resources.h"
#include "widgets/buttons/shade_button.h"

namespace {

// Dialog units to pixels by the dialog font, as Windows converts a dialog template.
struct DialogUnits {
  explicit DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX = (letters / 26 + 1) / 2;
    baseY = metrics.height();
  }
  int X(int units) const { return (units * baseX + 2) / 4; }  // rounded, as MulDiv rounds
  int Y(int units) const { return (units * baseY + 4) / 8; }
  int baseX, baseY;
};

CShadeButton* MakeButton(QWidget* parent, const DialogUnits& du, const res::ControlTemplate& t,
                         int left, int top, unsigned iconId) {
  auto* button = new CShadeButton(QString::fromUtf8(t.text), parent);
  button->setGeometry(du.X(t.x) - left, du.Y(t.y) - top, du.X(t.width), du.Y(t.height));
  button->SetShadeEffect(SHADE_HARDBUMP, 8, 20, 5, gdi::RGB(55, 55, 255));
  button->SetImageAlignment(CFlatButton::kImageAbove, gdi::TRUE);
  button->SetIconsFromResources(iconId, 32, 32, 0, 0, 0);
  return button;
}

void Hover(QWidget* button) {
  const QPointF at(button->width() / 2.0, button->height() / 2.0);
  QMouseEvent move(QEvent::MouseMove, at, button->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(button, &move);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString folder =
      argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TESMIRA_DOCS_DIR);

  QFont font(QString::fromUtf8(res::kDialogFont), res::kMainDialog.fontPoints);
  const DialogUnits du(font);
  const res::ControlTemplate& connect = res::kMainDialogControls[7];
  const res::ControlTemplate& disconnect = res::kMainDialogControls[8];

  // The part of the "Function" group that holds the two buttons, with a small margin.
  const int margin = 8;
  const int left = du.X(connect.x) - margin;
  const int top = du.Y(connect.y) - margin;
  QWidget strip;
  strip.setFont(font);
  strip.resize(du.X(disconnect.x + disconnect.width) - left + margin,
               du.Y(connect.y + connect.height) - top + margin);
  CShadeButton* buttons[] = {MakeButton(&strip, du, connect, left, top, res::kIconConnect),
                             MakeButton(&strip, du, disconnect, left, top, res::kIconDisconnect)};
  strip.show();
  std::printf("dialog units: x %d, y %d; buttons %dx%d and %dx%d pixels\n", du.baseX, du.baseY,
              buttons[0]->width(), buttons[0]->height(), buttons[1]->width(), buttons[1]->height());

  const auto save = [&](const char* state) {
    const QImage image = strip.grab().toImage();
    const QString path = folder + QStringLiteral("/buttons-%1.png").arg(QString::fromLatin1(state));
    const bool saved =
        image.scaled(image.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation).save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
  };

  bool ok = save("idle");
  for (CShadeButton* button : buttons) Hover(button);
  ok &= save("hovered");
  // A press happens under the pointer, so the button is hovered too.
  for (CShadeButton* button : buttons) button->setDown(true);
  ok &= save("pressed");
  for (CShadeButton* button : buttons) {
    button->setDown(false);
    button->setEnabled(false);
  }
  ok &= save("disabled");
  return ok ? 0 : 1;
}
