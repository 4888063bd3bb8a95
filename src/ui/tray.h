// The tray icon: its tip is the product's name; activating it shows the window; its menu
// (traymenu.xml) opens the settings, starts the program with the desktop or quits.
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
  // activated: a click on the icon; chosen: an item of the menu, by name; checked: whether a check
  // item shows its check, asked each time the menu opens.
  Tray(std::function<void()> activated, std::function<void(const QString&)> chosen,
       std::function<bool(const QString&)> checked);
  ~Tray() override;

  // Sets the icon the first time (looking it up in the icon theme costs a moment, which the
  // window's first show does not wait for) and shows it.
  void Show();
  QMenu* menu() const { return menu_.get(); }
  QSystemTrayIcon& icon() { return icon_; }

 private:
  QSystemTrayIcon icon_;
  std::unique_ptr<QMenu> menu_;
};

}  // namespace melko::ui
