// Qt's form builder reads the layouts that are not compiled into the program (an edited file,
// another skin's). It lives in a library of its own (layout_loader.so, beside the driver libraries)
// that the program loads when it first reads such a layout, so that a start with the default skin
// never loads it nor the libraries it pulls in.
#pragma once

class QIODevice;
class QString;
class QWidget;

namespace melko::ui {

// Makes one of the program's own widgets by the class name a layout gives it; null for any other
// class, which the form builder then makes.
using OwnWidgetMaker = QWidget* (*)(const QString& class_name, QWidget* parent);

// Builds the widgets of a layout file under parent, with pictures found from working_folder; null,
// with error saying why, when the file is damaged.
using LayoutLoaderEntry = QWidget* (*)(QIODevice& layout, QWidget* parent,
                                       const QString& working_folder,
                                       OwnWidgetMaker make_own_widget, QString& error);

inline constexpr char kLayoutLoaderFile[] = "layout_loader.so";
inline constexpr char kLayoutLoaderEntryName[] = "melko_build_layout";

}  // namespace melko::ui
