#include "ui/page_binding.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

#include "shell/settings_page.h"
#include "ui/qt_controls.h"

namespace melko::ui {

namespace {

void BindOne(QWidget* widget, SettingsPage& page, QObject* context) {
  const std::string name = widget->objectName().toStdString();
  if (name.rfind("ms_1_", 0) != 0) return;  // the title area is the window's
  if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
    QObject::connect(radio, &QRadioButton::toggled, context, [&page, name](bool on) {
      if (on) page.OnSelectChanged(name);
    });
  } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
    QObject::connect(check, &QCheckBox::toggled, context,
                     [&page, name](bool checked) { page.OnCheckClick(name, checked); });
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    QObject::connect(button, &QAbstractButton::clicked, context,
                     [&page, name] { page.OnClick(name); });
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    QObject::connect(combo, &QComboBox::currentIndexChanged, context,
                     [&page, name](int index) { page.OnItemSelect(name, index); });
  } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
    QObject::connect(list, &QListWidget::currentRowChanged, context, [&page, name](int row) {
      if (row >= 0) page.OnItemSelect(name, row);
    });
  } else if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
    QObject::connect(slider, &QAbstractSlider::valueChanged, context,
                     [&page, name](int value) { page.OnValueChanged(name, value); });
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    QObject::connect(edit, &QLineEdit::textEdited, context, [&page, name, edit] {
      if (auto filtered = page.OnDpiEditChanged(name, edit->text().toStdString())) {
        edit->setText(QString::fromStdString(*filtered));
        edit->setCursorPosition(int(edit->text().size()));
      }
    });
    QObject::connect(edit, &QLineEdit::editingFinished, context,
                     [&page, name, edit] { page.OnDpiEditDone(name, edit->text().toStdString()); });
  }
}

}  // namespace

void BindPage(QtControls& controls, SettingsPage& page, QObject* context) {
  for (const QPointer<QWidget>& widget : controls.widgets()) {
    if (widget) BindOne(widget, page, context);
  }
}

void BindPart(QWidget* part, SettingsPage& page, QObject* context) {
  BindOne(part, page, context);
  for (QWidget* widget : part->findChildren<QWidget*>()) BindOne(widget, page, context);
}

}  // namespace melko::ui
