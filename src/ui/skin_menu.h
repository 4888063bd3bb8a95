// Menus of the skin, in a small XML format of ours:
//
//   <menu>
//     <item name="configuration" text="configuration"/>
//     <separator/>
//     <menu text="menu_media_text"> <item name="ms_1_mute" text="ms_1_mute"/> </menu>
//   </menu>
//
// An item's name is what choosing it reports; its text is a language key.
#pragma once

#include <QString>
#include <functional>
#include <vector>

class QMenu;
class QWidget;

namespace melko::ui {

struct MenuNode {
  enum class Kind { kItem, kSeparator, kMenu };
  Kind kind = Kind::kItem;
  QString name;
  QString text_key;
  std::vector<MenuNode> children;  // of a sub-menu
};

// The items of a menu file; empty (with a line on standard error) when it cannot be read.
std::vector<MenuNode> ReadMenuFile(const QString& relative_path);
std::vector<MenuNode> ParseMenu(const QByteArray& xml);

// Builds a pop-up menu; choosing an item calls chosen with its name. Each action carries the item
// name as its object name.
QMenu* BuildMenu(const std::vector<MenuNode>& nodes, QWidget* parent,
                 const std::function<void(const QString& name)>& chosen);

// Items (not separators or sub-menus) of the tree, counted as they show.
int CountItems(const std::vector<MenuNode>& nodes);

}  // namespace melko::ui
