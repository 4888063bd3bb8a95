#include "ui/tray.h"

#include <QMenu>

#include "ui/skin.h"
#include "ui/skin_menu.h"
#include "ui/widgets/svg_icon.h"

namespace melko::ui {

Tray::Tray(std::function<void()> activated, std::function<void(const QString&)> chosen,
           std::function<bool(const QString&)> checked) {
  icon_.setToolTip(Text("mouse_name_text"));
  menu_.reset(BuildMenu(ReadMenuFile(QStringLiteral("traymenu.xml")), nullptr, chosen));
  icon_.setContextMenu(menu_.get());
  // The state behind a check item (an autostart entry) may change outside the program.
  connect(menu_.get(), &QMenu::aboutToShow, this, [this, checked = std::move(checked)] {
    for (QAction* action : menu_->actions()) {
      if (action->isCheckable()) action->setChecked(checked(action->objectName()));
    }
  });
  connect(&icon_, &QSystemTrayIcon::activated, this,
          [activated = std::move(activated)](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger) activated();
          });
}

Tray::~Tray() = default;

void Tray::Show() {
  if (icon_.icon().isNull()) {
    // Installed, the icon theme holds the monochrome symbolic icon, which a panel that draws the
    // icon itself (over StatusNotifierItem) colours to match; the build tree has the skin's.
    const QString themed = QStringLiteral("org.melko.Melko-symbolic");
    icon_.setIcon(QIcon::hasThemeIcon(themed) ? QIcon::fromTheme(themed)
                                              : SvgIcon(QStringLiteral("img/tray.svg")));
  }
  icon_.show();
}

}  // namespace melko::ui
