// Parts of a layout that the first screen does not show (the collapsed sections of the settings
// page) stand in it as empty placeholders that name a layout file of their own, in the property
// "lateLayout". Each is built in its place when it is first shown: the window maps sooner, and a
// section never opened costs nothing.
#pragma once

#include <QString>

class QWidget;

namespace melko::ui {

// The layout file a placeholder stands for; empty for any other widget.
QString LateLayoutFile(const QWidget* widget);

// Builds the placeholder's layout file in its place, hidden: the same slot of the parent's layout,
// the same place in the tab order, the skin's roles, texts and names, as if it had been loaded
// with the rest. The placeholder is deleted. Null, and the placeholder kept, when the file cannot
// be read.
QWidget* BuildLateLayout(QWidget* placeholder);

}  // namespace melko::ui
