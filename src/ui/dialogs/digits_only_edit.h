// Edits that take decimal digits only (the macro choice's repeat count, the page's DPI values):
// whatever the user types or pastes loses every other character, and the caret goes to the end
// of what is left. Text set by the program is not filtered.
#pragma once

class QLineEdit;

namespace melko::ui {

void KeepDigitsOnly(QLineEdit* edit);

}  // namespace melko::ui
