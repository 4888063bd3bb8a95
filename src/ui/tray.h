// The tray icon: its tip is the product's name; activating it shows the window; its menu
// (traymenu.xml) opens the settings or quits.
#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

class QMenu;

namespace melko::ui {

class Tray : public QObject {
  Q_OBJECT

 public:
  // activated: a click on the icon; chosen: an item of the menu, by name.
  Tray(std::function<void()> activated, std::function<void(const QString&)> chosen);
  ~Tray() override;

  void Show() { icon_.show(); }
  QMenu* menu() const { return menu_.get(); }
  QSystemTrayIcon& icon() { return icon_; }

 private:
  QSystemTrayIcon icon_;
  std::unique_ptr<QMenu> menu_;
};

}  // namespace melko::ui
