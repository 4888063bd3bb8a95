#include "ui/skin_menu.h"

#include <QFile>
#include <QMenu>
#include <QXmlStreamReader>
#include <cstdio>

#include "ui/skin.h"

namespace melko::ui {
namespace {

std::vector<MenuNode> ReadChildren(QXmlStreamReader& reader) {
  std::vector<MenuNode> nodes;
  while (reader.readNextStartElement()) {
    MenuNode node;
    const auto attributes = reader.attributes();
    node.name = attributes.value(QLatin1String("name")).toString();
    node.text_key = attributes.value(QLatin1String("text")).toString();
    if (reader.name() == QLatin1String("item")) {
      node.kind = MenuNode::Kind::kItem;
      reader.skipCurrentElement();
    } else if (reader.name() == QLatin1String("separator")) {
      node.kind = MenuNode::Kind::kSeparator;
      reader.skipCurrentElement();
    } else if (reader.name() == QLatin1String("menu")) {
      node.kind = MenuNode::Kind::kMenu;
      node.children = ReadChildren(reader);
    } else {
      reader.skipCurrentElement();
      continue;
    }
    nodes.push_back(std::move(node));
  }
  return nodes;
}

}  // namespace

std::vector<MenuNode> ParseMenu(const QByteArray& xml) {
  QXmlStreamReader reader(xml);
  if (!reader.readNextStartElement() || reader.name() != QLatin1String("menu")) return {};
  std::vector<MenuNode> nodes = ReadChildren(reader);
  if (reader.hasError()) {
    std::fprintf(stderr, "melko: a menu of the skin is damaged: %s\n",
                 qPrintable(reader.errorString()));
  }
  return nodes;
}

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
        const QString name = node.name;
        QObject::connect(action, &QAction::triggered, menu, [chosen, name] { chosen(name); });
        break;
      }
    }
  }
  return menu;
}

int CountItems(const std::vector<MenuNode>& nodes) {
  int count = 0;
  for (const MenuNode& node : nodes) {
    if (node.kind == MenuNode::Kind::kItem) ++count;
    if (node.kind == MenuNode::Kind::kMenu) ++count;  // a sub-menu takes one row
  }
  return count;
}

}  // namespace melko::ui
