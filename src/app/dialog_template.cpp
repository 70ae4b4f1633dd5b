#include "app/dialog_template.h"

#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include "app/server_list_model.h"

namespace {

int MulDiv(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  return static_cast<int>((product + denominator / 2) / denominator);
}

QString Text(const char* text) { return QString::fromUtf8(text); }

}  // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {(width / 26 + 1) / 2, metrics.height()};
}

QRect DialogUnitsToPixels(const DialogBaseUnits& units, int x, int y, int width, int height) {
  return QRect(MulDiv(x, units.x, 4), MulDiv(y, units.y, 8), MulDiv(width, units.x, 4),
               MulDiv(height, units.y, 8));
}

std::map<int, QWidget*> BuildFromTemplate(QDialog* dialog, const res::DialogTemplate& layout,
                                          const res::ControlTemplate* controls, size_t count,
                                          QWidget* (*makeButton)(const res::ControlTemplate&,
                                                                 QWidget* parent)) {
  QFont font(Text(layout.fontFamily), layout.fontPoints);
  dialog->setFont(font);
  dialog->setWindowTitle(Text(layout.caption));
  const DialogBaseUnits units = BaseUnitsOf(font);
  dialog->setFixedSize(DialogUnitsToPixels(units, 0, 0, layout.width, layout.height).size());

  std::map<int, QWidget*> byId;
  for (size_t i = 0; i < count; ++i) {
    const res::ControlTemplate& c = controls[i];
    QWidget* widget = nullptr;
    switch (c.kind) {
      case res::ControlKind::GroupBox:
        widget = new QGroupBox(Text(c.text), dialog);
        break;
      case res::ControlKind::ListView: {
        // A report view that is itself the only store of its rows.
        auto* view = new QTableView(dialog);
        view->setModel(new ServerListModel(view));
        widget = view;
        break;
      }
      case res::ControlKind::StaticText: {
        auto* label = new QLabel(Text(c.text), dialog);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        widget = label;
        break;
      }
      case res::ControlKind::StaticIcon: {
        auto* label = new QLabel(dialog);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget = label;
        break;
      }
      case res::ControlKind::PushButton:
        widget = makeButton ? makeButton(c, dialog) : new QPushButton(Text(c.text), dialog);
        if (auto* button = qobject_cast<QPushButton*>(widget)) button->setAutoDefault(false);
        break;
    }
    widget->setGeometry(DialogUnitsToPixels(units, c.x, c.y, c.width, c.height));
    if (!c.visible) widget->setVisible(false);
    if (c.id >= 0) byId[c.id] = widget;
  }
  return byId;
}
