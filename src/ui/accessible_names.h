// The names by which a screen reader tells controls apart. A name that is one language text stays
// in its layout (the accessibleName property holds the key, translated when the layout loads);
// the names built here join a text with a number ("Stage 3 DPI") or an option with the title of
// its group ("Angle Snapping: On"), which a layout cannot say. Every layout passes through here
// when it loads, so each rule applies wherever its controls are.
#pragma once

class QWidget;

namespace melko::ui {

// Names the composed controls found under root, and makes each value label ("ms_1_label_x") the
// buddy of its slider ("ms_1_slider_x"), whose description then follows the label's text.
void NameComposedControls(QWidget* root);

}  // namespace melko::ui
