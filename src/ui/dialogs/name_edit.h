// Edits of a profile's or a macro's name: at most as many UTF-16 units as the store keeps, cut at
// whole characters. QLineEdit's own limit cuts what is typed or pasted at a unit, which can split
// an emoji and leave half of it; that half goes.
#pragma once

class QLineEdit;

namespace melko::ui {

void LimitName(QLineEdit* edit, int max_units);

}  // namespace melko::ui
