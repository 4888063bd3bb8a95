// The desktop program put together: the main window with its page, the device side, the tray, the
// DPI popup, the message box and the hook library, wired to the main window's logic. Built on the
// user-interface thread with a QApplication; the device I/O starts only once the window is up.
#pragma once

#include <QObject>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/hook_library.h"
#include "runtime/device_runtime.h"
#include "shell/battery_alerts.h"
#include "shell/main_window_logic.h"
#include "shell/settings_page.h"
#include "ui/autostart_entry.h"
#include "ui/dpi_popup.h"
#include "ui/handover_server.h"
#include "ui/launch_activation.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/page_dialogs.h"
#include "ui/qt_controls.h"
#include "ui/seen_watch.h"
#include "ui/store_watch.h"
#include "ui/tray.h"
#include "ui/tray_watch.h"
#include "ui/wheel_guard.h"

namespace melko::ui {

struct DesktopOptions {
  std::filesystem::path data_folder;
  bool debug = false;
  // For tests: no driver libraries and no Bluetooth stack are opened.
  std::unique_ptr<DriverLoader> driver_loader;
};

class DesktopApp : public QObject {
  Q_OBJECT

 public:
  explicit DesktopApp(DesktopOptions options);
  ~DesktopApp() override;

  // Loads the stores and shows them on the page; the reason when a store cannot be read.
  std::string LoadStores();
  // Shows the window, centred; the icons and the device side follow its first frame.
  void ShowWindow();
  // The tray icon, and the window's icon for when it is shown.
  void ShowIcons();
  // Started with --hidden: the icons only, and the window once it is clear no tray host comes.
  void StartHidden();
  // The device side: apply thread, driver libraries, Bluetooth LE, the hook library.
  void OpenDevices();
  // Everything in order: hooks removed, the apply thread stopped, links closed, edits saved.
  void Shutdown();
  // A second launch asked for the window (message 1037), with its desktop's activation.
  void OnSecondLaunch(const LaunchActivation& activation);
  // melkoctl hands over a request (handover_server.h).
  void OnHandover(const std::string& line, const InstanceReply& reply) {
    handover_.Handle(line, reply);
  }

  MainWindow& window() { return window_; }
  QtControls& controls() { return controls_; }
  DeviceRuntime& runtime() { return runtime_; }
  MainWindowLogic& logic() { return logic_; }
  SettingsPage& page() { return page_; }
  QtDpiPopup& popup() { return popup_; }
  QtMessageBoxes& boxes() { return boxes_; }
  Tray& tray() { return tray_; }
  AutostartEntry& autostart() { return autostart_; }
  const HookTable& hooks() const { return hooks_; }
  QtPageDialogs& dialogs() { return dialogs_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // What waits until the window has painted its first frame: the icons and the device side.
  void AfterFirstFrame();
  void OnWindowMessage(std::uint32_t message, std::intptr_t lparam);
  void OnTimer(int timer_id);
  void ConnectTitleButtons();
  // A part of the page built when first shown (a collapsed section): indexed, bound to the page's
  // handlers like the rest, and filled from the current profile.
  QWidget* BuildLatePart(QWidget* placeholder);
  // A debug line each time what the page shows of the mouse (its links, its battery) changes.
  void NoteShownState();
  // The page shows what other programs changed in the stores; with sync, the stores are read
  // first. While a modal dialog runs, this waits until it has closed: the dialog works on what
  // the page showed when it opened.
  void FollowStores(bool sync);
  // A menu command, handled after the menu has closed as a posted message is.
  void PostMenuCommand(const QString& item);

  StderrDebugLog log_;
  WheelGuard wheel_guard_;  // before any window is built
  MainWindow window_;
  QtControls controls_;
  DeviceRuntime runtime_;
  QtDpiPopup popup_;
  QtMessageBoxes boxes_;
  AutostartEntry autostart_;
  MainWindowLogic logic_;
  HookTable hooks_;
  QtPageDialogs dialogs_;
  std::unique_ptr<ShortcutCapture> shortcut_;
  std::unique_ptr<MacroChoice> macro_choice_;
  SettingsPage page_;
  std::unique_ptr<DesktopNotifier> notifier_;
  BatteryAlerts battery_alerts_;
  Tray tray_;
  std::unique_ptr<StoreWatch> store_watch_;
  QTimer follow_later_;
  HandoverServer handover_;
  TrayWatch tray_watch_;
  SeenWatch seen_watch_;  // the charging bar runs only while the window can be seen
  bool open_ = false;
  bool first_frame_ = false;
  std::string shown_state_;
  std::string shown_profile_;
};

}  // namespace melko::ui
