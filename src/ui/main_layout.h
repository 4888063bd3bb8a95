// The settings page of the main window (the skin's main.ui). The default skin's page is also
// compiled into the program: building it from code takes a third less time than reading the
// layout file, and it is the first thing the window waits for. The compiled page is used only
// while the skin's main.ui is byte for byte the file it was compiled from; any other layout (an
// edited file, another skin) is read as every layout is.
#pragma once

class QByteArray;
class QWidget;

namespace melko::ui {

// The page, from the skin folder's main.ui; null (with a line on standard error) when it cannot
// be read.
QWidget* LoadMainLayout(QWidget* parent);

// Whether these are the bytes of the layout that was compiled in.
bool IsCompiledMainLayout(const QByteArray& layout);

}  // namespace melko::ui
