// The skin's menus as pop-up menus (the file format in skin_menu_file.h).
#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "ui/skin_menu_file.h"

class QMenu;
class QWidget;

namespace melko::ui {

// The items of a menu file; empty (with a line on standard error) when it cannot be read.
std::vector<MenuNode> ReadMenuFile(const QString& relative_path);

// Builds a pop-up menu; choosing an item calls chosen with its name. Each action carries the item
// name as its object name.
QMenu* BuildMenu(const std::vector<MenuNode>& nodes, QWidget* parent,
                 const std::function<void(const QString& name)>& chosen);

// Checks the item with this name and the sub-menus that hold it, so the user sees where it is
// before opening them; nothing when no item has the name.
void MarkCurrentItem(QMenu& menu, const QString& name);

// Gives each item of the menu and its sub-menus the tool tip that tip returns for its name (none
// when empty).
void SetItemTips(QMenu& menu, const std::function<QString(const QString& name)>& tip);

}  // namespace melko::ui
