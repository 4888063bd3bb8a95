// The default skin's layouts are also compiled into the program: building widgets from code takes
// a third less time than reading the layout file, the main page is the first thing the window
// waits for, and the macro editor builds a row layout for every step. A compiled layout is used
// only while the skin's file is byte for byte the file it was compiled from; any other layout (an
// edited file, another skin's) is read by the layout loader.
#pragma once

class QByteArray;
class QWidget;

namespace melko::ui {

// The widgets of the compiled layout whose file these bytes are, built under parent and not yet
// finished (FinishLayout); null when no layout compiled in has these bytes.
QWidget* BuildCompiledLayout(const QByteArray& layout, QWidget* parent);

}  // namespace melko::ui
