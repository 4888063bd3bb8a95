#include "ui/qt_controls.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QWidget>

#include "common/language.h"
#include "ui/late_layouts.h"
#include "ui/widgets/button_label.h"
#include "ui/widgets/colour_button.h"
#include "ui/widgets/device_switch.h"

namespace melko::ui {
namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

void SetWidgetText(QWidget* widget, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(text);
    // A value label says what its slider's number means ("2.5 min" for 5): a screen reader reads
    // it as the slider's description.
    if (QWidget* slider = label->buddy()) slider->setAccessibleDescription(text);
  } else if (auto* button_label = qobject_cast<ButtonLabel*>(widget)) {
    button_label->setFunctionText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    const QSignalBlocker quiet(edit);
    edit->setText(text);
  }
}

// Tab enters a group of options at its checked one, so that an arrow key moves on from the value
// the user hears. Qt keeps the group's tab stop on the option that last had the focus (at first
// the first one), from where an arrow key would change the setting from the wrong place.
void MoveTabStopTo(QAbstractButton* checked) {
  QWidget* parent = checked->parentWidget();
  if (!checked->autoExclusive() || !parent) return;
  const auto group = parent->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly);
  for (QAbstractButton* option : group) {
    if (option->autoExclusive() && option->hasFocus()) return;  // the user is in the group
  }
  for (QAbstractButton* option : group) {
    if (!option->autoExclusive() || !option->isCheckable()) continue;
    const Qt::FocusPolicy policy = option->focusPolicy();
    option->setFocusPolicy(option == checked ? Qt::FocusPolicy(policy | Qt::TabFocus)
                                             : Qt::FocusPolicy(policy & ~Qt::TabFocus));
  }
}

}  // namespace

QtControls::QtControls(QWidget* root) {
  Add(root);
}

void QtControls::Add(QWidget* root) {
  if (!root->objectName().isEmpty()) widgets_.insert(root->objectName(), root);
  for (QWidget* widget : root->findChildren<QWidget*>()) {
    if (!widget->objectName().isEmpty()) widgets_.insert(widget->objectName(), widget);
  }
}

QWidget* QtControls::Find(std::string_view name) const {
  return widgets_.value(ToQString(name)).data();
}

void QtControls::OnWidget(std::string_view name, std::function<void(QWidget*)> fn) {
  QPointer<QWidget> widget = widgets_.value(ToQString(name));
  if (!widget) return;  // a control the skin lacks is skipped
  context_.RunOrPost([widget, fn = std::move(fn)] {
    if (widget) fn(widget);
  });
}

void QtControls::SetVisible(std::string_view name, bool visible) {
  OnWidget(name, [this, visible](QWidget* widget) {
    // Every part of the page is shown through here: one built late is built as it first shows.
    if (visible && build_late_ && !LateLayoutFile(widget).isEmpty()) {
      if (QWidget* built = build_late_(widget)) widget = built;
    }
    widget->setVisible(visible);
  });
}

bool QtControls::IsVisible(std::string_view name) {
  // Whether the control itself is shown, whatever its window does.
  QWidget* widget = Find(name);
  return widget && !widget->isHidden();
}

void QtControls::SetText(std::string_view name, std::string_view literal) {
  const QString text = ToQString(literal);
  OnWidget(name, [text](QWidget* widget) { SetWidgetText(widget, text); });
}

void QtControls::SetTextKey(std::string_view name, std::string_view language_key) {
  SetText(name, text(language_key));
}

void QtControls::SetValue(std::string_view name, int value) {
  OnWidget(name, [value](QWidget* widget) {
    const QSignalBlocker quiet(widget);
    if (auto* bar = qobject_cast<QProgressBar*>(widget)) {
      bar->setValue(value);
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
      slider->setValue(value);
    }
  });
}

void QtControls::SetChecked(std::string_view name, bool checked) {
  OnWidget(name, [checked](QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      const QSignalBlocker quiet(button);
      // The checked option of a group can only be cleared with the group's rule lifted.
      const bool exclusive = button->autoExclusive();
      if (!checked && exclusive) button->setAutoExclusive(false);
      button->setChecked(checked);
      button->setAutoExclusive(exclusive);
    }
  });
}

void QtControls::SelectOption(std::string_view name, bool notify) {
  OnWidget(name, [notify](QWidget* widget) {
    auto* button = qobject_cast<QAbstractButton*>(widget);
    if (!button) return;
    MoveTabStopTo(button);
    if (notify) {
      button->setChecked(true);
      return;
    }
    const QSignalBlocker quiet(button);
    button->setChecked(true);
  });
}

void QtControls::SelectItem(std::string_view name, int index, bool notify) {
  OnWidget(name, [index, notify](QWidget* widget) {
    std::optional<QSignalBlocker> quiet;
    if (!notify) quiet.emplace(widget);
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      combo->setCurrentIndex(index);
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
      list->setCurrentRow(index);
      if (QListWidgetItem* item = list->item(index)) list->scrollToItem(item);
    } else if (auto* device = qobject_cast<DeviceSwitch*>(widget)) {
      device->setCurrentIndex(index);
    }
  });
}

void QtControls::SetItems(std::string_view name, const std::vector<std::string>& texts) {
  QStringList items;
  for (const std::string& item : texts) items << QString::fromStdString(item);
  OnWidget(name, [items](QWidget* widget) {
    const QSignalBlocker quiet(widget);
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      combo->clear();
      combo->addItems(items);
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
      list->clear();
      for (const QString& text : items) {
        auto* item = new QListWidgetItem(text, list);
        item->setSizeHint(QSize(0, 24));
      }
    }
  });
}

void QtControls::SetItemText(std::string_view name, int index, std::string_view text) {
  const QString item_text = ToQString(text);
  OnWidget(name, [index, item_text](QWidget* widget) {
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      combo->setItemText(index, item_text);
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
      if (QListWidgetItem* item = list->item(index)) item->setText(item_text);
    }
  });
}

void QtControls::SetColour(std::string_view name, std::uint32_t argb) {
  OnWidget(name, [argb](QWidget* widget) {
    if (auto* button = qobject_cast<ColourButton*>(widget))
      button->setColour(QColor::fromRgba(argb));
  });
}

void QtControls::SetEnabled(std::string_view name, bool enabled) {
  OnWidget(name, [enabled](QWidget* widget) { widget->setEnabled(enabled); });
}

}  // namespace melko::ui
