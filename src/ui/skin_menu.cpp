#include "ui/skin_menu.h"

#include <QFile>
#include <QMenu>
#include <cstdio>

#include "ui/skin.h"

namespace melko::ui {

std::vector<MenuNode> ReadMenuFile(const QString& relative_path) {
  QFile file(SkinFile(relative_path));
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "melko: cannot read the skin file %s\n", qPrintable(file.fileName()));
    return {};
  }
  return ParseMenu(file.readAll());
}

QMenu* BuildMenu(const std::vector<MenuNode>& nodes, QWidget* parent,
                 const std::function<void(const QString&)>& chosen) {
  auto* menu = new QMenu(parent);
  for (const MenuNode& node : nodes) {
    switch (node.kind) {
      case MenuNode::Kind::kSeparator:
        menu->addSeparator();
        break;
      case MenuNode::Kind::kMenu: {
        QMenu* sub = BuildMenu(node.children, menu, chosen);
        sub->setTitle(Text(node.text_key.toUtf8().constData()));
        menu->addMenu(sub);
        break;
      }
      case MenuNode::Kind::kItem: {
        QAction* action = menu->addAction(Text(node.text_key.toUtf8().constData()));
        action->setObjectName(node.name);
        action->setCheckable(node.checkable);
        const QString name = node.name;
        QObject::connect(action, &QAction::triggered, menu, [chosen, name] { chosen(name); });
        break;
      }
    }
  }
  return menu;
}

void MarkCurrentItem(QMenu& menu, const QString& name) {
  if (name.isEmpty()) return;
  QAction* item = menu.findChild<QAction*>(name);
  if (!item) return;
  item->setCheckable(true);
  item->setChecked(true);
  // Up through the sub-menus that hold it, each shown as a checked row of its parent.
  for (auto* sub = qobject_cast<QMenu*>(item->parent()); sub && sub != &menu;
       sub = qobject_cast<QMenu*>(sub->parent())) {
    sub->menuAction()->setCheckable(true);
    sub->menuAction()->setChecked(true);
  }
}

void SetItemTips(QMenu& menu, const std::function<QString(const QString&)>& tip) {
  menu.setToolTipsVisible(true);
  for (QMenu* sub : menu.findChildren<QMenu*>()) sub->setToolTipsVisible(true);
  for (QAction* action : menu.findChildren<QAction*>()) {
    if (action->objectName().isEmpty()) continue;
    if (const QString shown = tip(action->objectName()); !shown.isEmpty()) {
      action->setToolTip(shown);
    }
  }
}

}  // namespace melko::ui
