// The look of the program: Qt's Fusion style (its option indicators redrawn) with a dark palette,
// and a few widget roles that the layouts name with a "role" property ("header", "accent",
// "secondary", "panel", "warning").
// Palettes only: a style sheet over the window would cost tens of milliseconds at the first show.
#pragma once

class QApplication;
class QWidget;

namespace melko::ui {

void ApplyTheme(QApplication& app);
// Gives each widget of the tree that has a role its palette and font.
void ApplyRoles(QWidget* root);

}  // namespace melko::ui
