// The macro choice for a mouse button (MS/MS_1/selectmacro.ui): the macros in store order, and how
// the button plays the chosen one: a number of times (1 to 255), while the button is held, or on
// and off with each press. The count row shows only for the first mode.
#pragma once

#include "input/button_assignment.h"
#include "ui/dialogs/skin_dialog.h"

namespace melko::ui {

class MacroChoiceDialog final : public MacroChoice {
 public:
  explicit MacroChoiceDialog(QWidget* owner);

  // Modal. fields.macro_index is the row to select (-1 for none); on true, fields hold the
  // selected row (-1 when none is), the mode and the repeat count.
  bool Choose(const MacroStore& macros, MacroChoiceFields& fields) override;

  // For tests: shows the dialog preset and returns at once.
  void Open(const MacroStore& macros, const MacroChoiceFields& fields);
  // The choice as it stands; the count is taken when its edit loses focus and on OK.
  MacroChoiceFields fields() const;
  QDialog* window() const { return skin_.window(); }
  bool confirmed() const { return skin_.confirmed(); }

 private:
  void Bind(QDialog& window);
  void ShowMode(int mode);
  void TakeRepeatCount();
  void Confirm();

  int mode_ = 0;
  int repeat_count_ = 1;
  SkinDialog skin_;
};

}  // namespace melko::ui
