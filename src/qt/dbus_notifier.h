// Desktop notifications through the notification service on the session bus. The call is sent
// without waiting for its answer: a desktop without the service shows nothing, and the caller
// (the user-interface thread) never waits on the bus.
#pragma once

#include <QDBusConnection>
#include <QString>

#include "shell/shell_ports.h"

namespace melko {

class DbusNotifier final : public DesktopNotifier {
 public:
  // app_icon: an icon theme name or the path of an icon file.
  DbusNotifier(QDBusConnection bus, QString app_name, QString app_icon)
      : bus_(std::move(bus)), app_name_(std::move(app_name)), app_icon_(std::move(app_icon)) {}

  void Notify(const std::string& title, const std::string& body) override;

 private:
  QDBusConnection bus_;
  QString app_name_;
  QString app_icon_;
};

}  // namespace melko
