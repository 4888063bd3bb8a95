#include "ui/skin_menu_file.h"

#include <QXmlStreamReader>
#include <cstdio>

namespace melko::ui {
namespace {

// Sub-menus are read by recursion, so their nesting is bounded: a file nested deeper is damaged.
constexpr int kMaxMenuDepth = 16;

std::vector<MenuNode> ReadChildren(QXmlStreamReader& reader, int depth) {
  std::vector<MenuNode> nodes;
  while (reader.readNextStartElement()) {
    MenuNode node;
    const auto attributes = reader.attributes();
    node.name = attributes.value(QLatin1String("name")).toString();
    node.text_key = attributes.value(QLatin1String("text")).toString();
    node.checkable = attributes.value(QLatin1String("checkable")) == QLatin1String("true");
    if (reader.name() == QLatin1String("item")) {
      node.kind = MenuNode::Kind::kItem;
      reader.skipCurrentElement();
    } else if (reader.name() == QLatin1String("separator")) {
      node.kind = MenuNode::Kind::kSeparator;
      reader.skipCurrentElement();
    } else if (reader.name() == QLatin1String("menu")) {
      if (depth == kMaxMenuDepth) {
        reader.raiseError(QStringLiteral("menus nested more than %1 deep").arg(kMaxMenuDepth));
        break;
      }
      node.kind = MenuNode::Kind::kMenu;
      node.children = ReadChildren(reader, depth + 1);
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
  std::vector<MenuNode> nodes = ReadChildren(reader, 1);
  if (reader.hasError()) {
    std::fprintf(stderr, "melko: a menu of the skin is damaged: %s\n",
                 qPrintable(reader.errorString()));
  }
  return nodes;
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
