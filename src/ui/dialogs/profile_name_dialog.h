// The profile name dialog (MS/MS_1/profilename.ui) for a new profile or a rename: refuses an empty
// name and one that a profile already has, in any letter case, with a message box over it, and
// stays open with the text kept. The field holds at most 99 UTF-16 units, as the store does.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/dialogs/skin_dialog.h"
#include "ui/message_box.h"

namespace melko::ui {

class ProfileNameDialog {
 public:
  explicit ProfileNameDialog(QWidget* owner);

  // Modal, with the title's language key; taken are the names in use (the renamed profile's
  // own name included). name presets the field; on true it holds the accepted name, unchanged
  // (blanks are a name).
  bool AskProfileName(std::string_view title_key, const std::vector<std::u16string>& taken,
                      std::u16string& name);

  // For tests: shows the dialog preset and returns at once.
  void Open(std::string_view title_key, const std::vector<std::u16string>& taken,
            const std::u16string& name);
  const std::u16string& name() const { return accepted_; }
  // The refusals' message boxes; null before the first Open.
  QtMessageBoxes* boxes() const { return boxes_.get(); }
  QDialog* window() const { return skin_.window(); }
  bool confirmed() const { return skin_.confirmed(); }

 private:
  void Bind(QDialog& window);
  void Confirm();

  std::vector<std::u16string> taken_;
  std::u16string accepted_;
  std::unique_ptr<QtMessageBoxes> boxes_;
  SkinDialog skin_;
};

}  // namespace melko::ui
