// Connects the settings page's widgets to the page's handlers: each kind of control to the
// notification the page expects of it. Quiet changes made by the program block the widgets'
// signals (QtControls), so only the user's changes, and selections made with notification, reach
// the handlers.
#pragma once

class QObject;
class QWidget;

namespace melko {
class SettingsPage;
}

namespace melko::ui {

class QtControls;

void BindPage(QtControls& controls, SettingsPage& page, QObject* context);
// The same for the named widgets of a part of the page built later.
void BindPart(QWidget* part, SettingsPage& page, QObject* context);

}  // namespace melko::ui
