#include "ui/dialogs/macro_choice_dialog.h"

#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <algorithm>
#include <string>

#include "shell/dialog_logic.h"
#include "ui/dialogs/digits_only_edit.h"

namespace melko::ui {
namespace {

constexpr int kModes = 3;
constexpr int kRowHeight = 22;

QByteArray ModeOption(int mode) {
  return "repeat_" + QByteArray::number(mode + 1);
}

}  // namespace

MacroChoiceDialog::MacroChoiceDialog(QWidget* owner)
    : skin_(owner, QStringLiteral("MS/MS_1/selectmacro.ui")) {}

bool MacroChoiceDialog::Choose(const MacroStore& macros, MacroChoiceFields& fields) {
  Open(macros, fields);
  if (!skin_.Exec()) return false;
  fields = this->fields();
  return true;
}

void MacroChoiceDialog::Open(const MacroStore& macros, const MacroChoiceFields& fields) {
  if (!skin_.Load([this](QDialog& window) { Bind(window); })) return;
  if (auto* list = skin_.Find<QListWidget>("list_macro")) {
    list->clear();
    const int height = std::max(kRowHeight, list->fontMetrics().height() + 6);
    for (const auto& macro : macros.macros) {
      const QString name = QString::fromStdU16String(MacroName(*macro));
      auto* row = new QListWidgetItem(name, list);
      // As wide as the list, not the name: the list does not scroll sideways, so a longer name
      // is shortened with "…" (and shown whole in its tool tip) rather than cut off.
      row->setSizeHint(QSize(0, height));
    }
    const bool valid = fields.macro_index >= 0 && fields.macro_index < list->count();
    if (valid) {
      list->setCurrentRow(fields.macro_index);
      list->scrollToItem(list->currentItem());
    } else {
      // Nothing looks chosen until it is: a list that never had a current row makes its first
      // one current (with a focus frame) when it takes the focus.
      list->clearSelection();
      list->setCurrentIndex(QModelIndex());
    }
  }
  if (auto* ok = skin_.Find<QWidget>("btn_ok")) {
    auto* list = skin_.Find<QListWidget>("list_macro");
    ok->setEnabled(list && !list->selectedItems().isEmpty());
  }
  const int mode = fields.mode >= 0 && fields.mode < kModes ? fields.mode : 0;
  if (auto* option = skin_.Find<QRadioButton>(ModeOption(mode).constData())) {
    option->setChecked(true);
  }
  ShowMode(mode);
  const RepeatCount count = ParseRepeatCount(std::to_string(fields.repeat_count));
  repeat_count_ = count.count;
  if (auto* edit = skin_.Find<QLineEdit>("edit_loop_time")) {
    edit->setText(QString::fromStdString(count.shown));
  }
  skin_.ShowCentred();
  if (auto* list = skin_.Find<QListWidget>("list_macro")) list->setFocus();
}

MacroChoiceFields MacroChoiceDialog::fields() const {
  int selected = -1;
  if (auto* list = skin_.Find<QListWidget>("list_macro")) {
    const QList<QListWidgetItem*> rows = list->selectedItems();
    if (!rows.isEmpty()) selected = list->row(rows.front());
  }
  return {selected, mode_, repeat_count_};
}

void MacroChoiceDialog::Bind(QDialog& window) {
  for (int mode = 0; mode < kModes; ++mode) {
    if (auto* option = skin_.Find<QRadioButton>(ModeOption(mode).constData())) {
      QObject::connect(option, &QRadioButton::toggled, &window, [this, mode](bool on) {
        if (on) ShowMode(mode);
      });
    }
  }
  if (auto* edit = skin_.Find<QLineEdit>("edit_loop_time")) {
    KeepDigitsOnly(edit);
    WatchEvents(edit, {QEvent::FocusOut}, [this](QEvent*) {
      TakeRepeatCount();
      return false;
    });
  }
  if (auto* row = skin_.Find<QWidget>("hor_loop_time")) {
    // Switching modes must not make the dialog jump.
    QSizePolicy policy = row->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    row->setSizePolicy(policy);
  }
  if (auto* list = skin_.Find<QListWidget>("list_macro")) {
    QObject::connect(list, &QListWidget::itemDoubleClicked, &window, [this] { Confirm(); });
    // OK waits for a choice.
    QObject::connect(list, &QListWidget::itemSelectionChanged, &window, [this, list] {
      if (auto* ok = skin_.Find<QWidget>("btn_ok"))
        ok->setEnabled(!list->selectedItems().isEmpty());
    });
  }
  skin_.OnClick("btn_ok", [this] { Confirm(); });
  skin_.OnClick("btn_cancel", [&window] { window.reject(); });
  skin_.OnClick("btn_exit", [&window] { window.reject(); });
}

void MacroChoiceDialog::ShowMode(int mode) {
  mode_ = mode;
  if (auto* row = skin_.Find<QWidget>("hor_loop_time")) row->setVisible(mode == 0);
}

void MacroChoiceDialog::TakeRepeatCount() {
  auto* edit = skin_.Find<QLineEdit>("edit_loop_time");
  if (!edit) return;
  const RepeatCount count = ParseRepeatCount(edit->text().toStdString());
  repeat_count_ = count.count;
  edit->setText(QString::fromStdString(count.shown));
}

void MacroChoiceDialog::Confirm() {
  auto* list = skin_.Find<QListWidget>("list_macro");
  if (!list || list->selectedItems().isEmpty()) return;
  TakeRepeatCount();
  if (QDialog* window = skin_.window()) window->accept();
}

}  // namespace melko::ui
