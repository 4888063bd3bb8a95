#include "ui/dialogs/digits_only_edit.h"

#include <QLineEdit>

#include "shell/dialog_logic.h"

namespace melko::ui {

void KeepDigitsOnly(QLineEdit* edit) {
  if (!edit) return;
  QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
    const FilteredText filtered = DigitsOnly(text.toStdString());
    if (!filtered.changed) return;
    edit->setText(QString::fromStdString(filtered.text));
    edit->setCursorPosition(int(edit->text().size()));
  });
}

}  // namespace melko::ui
