// Menus of the skin, in a small XML format of ours:
//
//   <menu>
//     <item name="configuration" text="configuration"/>
//     <item name="autostart" text="autostart_text" checkable="true"/>
//     <separator/>
//     <menu text="menu_media_text"> <item name="ms_1_mute" text="ms_1_mute"/> </menu>
//   </menu>
//
// An item's name is what choosing it reports; its text is a language key; a checkable item shows
// a check, set by the program each time the menu opens. Reading the file needs
// QtCore alone; skin_menu.h builds the menus.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace melko::ui {

struct MenuNode {
  enum class Kind { kItem, kSeparator, kMenu };
  Kind kind = Kind::kItem;
  QString name;
  QString text_key;
  bool checkable = false;
  std::vector<MenuNode> children;  // of a sub-menu
};

// The items of a menu file's text; what follows damage (menus nested more than 16 deep included)
// is left out, with a line on standard error.
std::vector<MenuNode> ParseMenu(const QByteArray& xml);

// Items (not separators or sub-menus) of the tree, counted as they show.
int CountItems(const std::vector<MenuNode>& nodes);

}  // namespace melko::ui
