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

}  // namespace melko::ui
