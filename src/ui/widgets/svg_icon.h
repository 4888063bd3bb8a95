// Icons drawn from the skin's SVG files. The file is read when the icon is first drawn, and each
// size is rendered once, so a window full of icons costs nothing until it is painted, and every
// icon stays sharp at any size and scale.
#pragma once

#include <QIcon>
#include <QString>

namespace melko::ui {

// An icon from a skin file ("img/add.svg"); checked buttons show `on_file` when one is given.
QIcon SvgIcon(const QString& file, const QString& on_file = {});

// Layout files name a button's icon in its "svgIcon" property (and the checked one in
// "svgIconOn"); this gives every such widget under `root` its icon.
void ApplySvgIcons(QWidget* root);

}  // namespace melko::ui
