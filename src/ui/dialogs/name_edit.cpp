#include "ui/dialogs/name_edit.h"

#include <QLineEdit>
#include <QValidator>

namespace melko::ui {
namespace {

// Removes every half of a surrogate pair that has lost its other half. A validator may change the
// text it is given, and QLineEdit then shows the changed text; it runs on every change, typed,
// pasted or set.
class WholeCharacters final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& text, int& cursor) const override {
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
      const QChar unit = text[i];
      const bool lone = unit.isHighSurrogate()
                            ? i + 1 == text.size() || !text[i + 1].isLowSurrogate()
                            : unit.isLowSurrogate() && (i == 0 || !text[i - 1].isHighSurrogate());
      if (!lone) continue;
      text.remove(i, 1);
      if (cursor > i) --cursor;
    }
    return Acceptable;
  }
};

}  // namespace

void LimitName(QLineEdit* edit, int max_units) {
  if (!edit) return;
  edit->setMaxLength(max_units);
  edit->setValidator(new WholeCharacters(edit));
}

}  // namespace melko::ui
