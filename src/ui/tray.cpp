#include "ui/tray.h"

#include <QMenu>

#include "ui/skin.h"
#include "ui/skin_menu.h"
#include "ui/widgets/svg_icon.h"

namespace melko::ui {

Tray::Tray(std::function<void()> activated, std::function<void(const QString&)> chosen) {
  icon_.setIcon(SvgIcon(QStringLiteral("img/tray.svg")));
  icon_.setToolTip(Text("mouse_name_text"));
  menu_.reset(BuildMenu(ReadMenuFile(QStringLiteral("traymenu.xml")), nullptr, chosen));
  icon_.setContextMenu(menu_.get());
  connect(&icon_, &QSystemTrayIcon::activated, this,
          [activated = std::move(activated)](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger) activated();
          });
}

Tray::~Tray() = default;

}  // namespace melko::ui
