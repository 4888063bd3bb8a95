// The skin: the layouts (.ui files built at run time), menus, pictures and texts in the skin
// folder. Texts in the layouts are language keys; they are replaced by the language's texts when
// a layout is loaded, and the key is kept in the widget's "textKey" property.
#pragma once

#include <QString>

class QIODevice;
class QWidget;

namespace melko::ui {

// A file of the skin folder.
QString SkinFile(const QString& relative_path);

// Builds the widgets of a layout file, from compiled code when the file is one of the default
// skin's as it was installed; null (with a line on standard error) when it cannot be read.
QWidget* LoadLayout(const QString& relative_path, QWidget* parent = nullptr);
// Reads a layout already open with the layout loader, which looks for no designer plugins (the
// skin needs none); name says which in the line on standard error.
QWidget* LoadLayoutFrom(QIODevice& layout, const QString& name, QWidget* parent = nullptr);

// What every layout gets once its widgets are built: its texts translated, the names screen readers
// say, the skin's icons, and tool tips for list rows cut short.
void FinishLayout(QWidget* root);

// Replaces every text of the tree that is a language key (texts, titles, tool tips, combo items)
// by its text.
void TranslateTexts(QWidget* root);

// The text of a key, as a QString.
QString Text(const char* key);

}  // namespace melko::ui
