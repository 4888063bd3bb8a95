#include "ui/desktop_app.h"

#include <cstdio>

#include <QAbstractButton>
#include <QApplication>
#include <QDBusConnection>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "common/install_paths.h"
#include "device/control_names.h"
#include "device/messages.h"
#include "input/keyboard_layout.h"
#include "input/xkb/xkb_layout.h"
#include "profiles/data_folder.h"
#include "qt/dbus_notifier.h"
#include "shell/page_controls.h"
#include "ui/dialogs/skin_dialog.h"
#include "ui/late_layouts.h"
#include "ui/page_binding.h"
#include "ui/widgets/svg_icon.h"
#include "ui/window_capture.h"

namespace melko::ui {
namespace {

// How long the icons and the device side wait for the window's first frame at most.
constexpr int kFirstFrameWaitMs = 200;

// Reaches the session bus on the first notification, not at start, where every millisecond
// before the window counts. The icon is the installed theme's, or the skin's own file.
class SessionBusNotifier final : public DesktopNotifier {
 public:
  void Notify(const std::string& title, const std::string& body) override {
    if (!notifier_) {
      const QString themed = QStringLiteral("org.melko.Melko");
      const QString icon =
          QIcon::hasThemeIcon(themed)
              ? themed
              : QString::fromStdString((DefaultSkinFolder() / "img" / "app.svg").string());
      notifier_ = std::make_unique<DbusNotifier>(QDBusConnection::sessionBus(),
                                                 QStringLiteral("Melko"), icon);
    }
    notifier_->Notify(title, body);
  }

 private:
  std::unique_ptr<DbusNotifier> notifier_;
};

}  // namespace

DesktopApp::DesktopApp(DesktopOptions options)
    : log_("melko", options.debug),
      controls_(window_.page() ? window_.page() : &window_),
      runtime_(options.data_folder, controls_, log_, std::move(options.driver_loader)),
      boxes_(&window_),
      logic_(window_, popup_, boxes_, controls_, runtime_.timers()),
      dialogs_(&window_, controls_, runtime_.session(), hooks_,
               [this](const QString& item) { PostMenuCommand(item); }),
      shortcut_(MakeShortcutCapture(&window_, hooks_)),
      macro_choice_(MakeMacroChoice(&window_)),
      page_(runtime_.context(), {boxes_, dialogs_, *shortcut_, *macro_choice_}),
      notifier_(std::make_unique<SessionBusNotifier>()),
      battery_alerts_(controls_, *notifier_),
      tray_([this] { logic_.OnTrayActivated(); },
            [this](const QString& item) { PostMenuCommand(item); },
            [this](const QString& item) { return logic_.MenuItemChecked(item.toStdString()); }),
      handover_(runtime_, [this] { FollowStores(false); }),
      tray_watch_([this](bool available) { logic_.OnTrayAvailabilityChanged(available); }),
      seen_watch_(&window_, [this](bool seen) { runtime_.SetPageSeen(seen); }) {
  logic_.SetAutostart(&autostart_);
  logic_.OnTrayAvailabilityChanged(tray_watch_.available());
  window_.SetCloseHandler([this] { logic_.OnCloseRequested(); });
  // The tray's Quit leaves the event loop as a termination signal does; main then ends the program
  // in order.
  window_.SetQuitHandler([] { QCoreApplication::exit(0); });
  // A session manager may end the session without a word after asking us to save.
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { runtime_.session().Sync(); });
  runtime_.on_window_message = [this](std::uint32_t message, std::intptr_t lparam) {
    OnWindowMessage(message, lparam);
  };
  runtime_.on_timer = [this](int timer_id) { OnTimer(timer_id); };
  runtime_.on_status_word = [this](LinkMode link, std::uint32_t word) {
    battery_alerts_.OnStatusWord(link, word, runtime_.links());
    NoteShownState();
  };
  runtime_.on_apply_finished = [this] {
    page_.OnApplyFinished(runtime_.last_apply_sent());
    FollowStores(false);
    handover_.OnApplyFinished();
  };
  follow_later_.setSingleShot(true);
  follow_later_.setInterval(250);
  connect(&follow_later_, &QTimer::timeout, this, [this] { FollowStores(true); });
  logic_.SetAssignmentHandler(
      [this](const std::string& item) { page_.AssignButtonFunction(item); });
  ConnectTitleButtons();
  // The first paint is the window on screen: says on which platform, for whoever debugs a
  // desktop where it does not appear.
  WatchEvents(&window_, {QEvent::Paint}, [this, painted = false](QEvent*) mutable {
    if (!painted)
      log_.Write("the window is on screen (Qt platform " +
                 QGuiApplication::platformName().toStdString() + ")");
    painted = true;
    return false;
  });
  WatchEvents(&window_, {QEvent::Show}, [this](QEvent*) {
    dialogs_.ShowMouseSettingsAvailability();
    return false;
  });
  BindPage(controls_, page_, this);
  controls_.SetLateBuilder([this](QWidget* placeholder) { return BuildLatePart(placeholder); });
  page_.Init();
}

QWidget* DesktopApp::BuildLatePart(QWidget* placeholder) {
  QWidget* part = BuildLateLayout(placeholder);
  if (!part) return nullptr;
  controls_.Add(part);
  BindPart(part, page_, this);
  dialogs_.ShowMouseSettingsAvailability();
  // The layout file holds defaults only: the part shows the current profile, and what the links
  // allow, as the rest of the page does.
  page_.RefreshAll();
  return part;
}

void DesktopApp::NoteShownState() {
  if (!log_.enabled()) return;  // a line for --debug alone, on every event of the mouse
  std::string shown;
  for (const auto& [icon, link] :
       {std::pair{control::kWiredIcon, "cable"}, std::pair{control::kWirelessIcon, "receiver"},
        std::pair{control::kBleIcon, "Bluetooth"}}) {
    if (controls_.IsVisible(icon)) shown += shown.empty() ? link : std::string(", ") + link;
  }
  const auto* battery = controls_.Find<QLabel>(control::kPowerLabel);
  shown = "the page shows the mouse's links: " + (shown.empty() ? "none" : shown) +
          "; battery: " + (battery ? battery->text().toStdString() : "");
  if (shown != shown_state_) {
    shown_state_ = shown;
    log_.Write(shown);
  }
  // And what it shows of the profile, as the widgets hold it: the DPI stages, the current stage,
  // the polling rate.
  const auto named = [](const char* format, int number) {
    char name[64];
    std::snprintf(name, sizeof name, format, number);
    return std::string(name);
  };
  const auto checked_option = [&](const char* format, int count) {
    for (int option = 1; option <= count; ++option) {
      const auto* button = controls_.Find<QAbstractButton>(named(format, option));
      if (button && button->isChecked()) return option;
    }
    return 0;
  };
  std::string profile = "the page shows the profile: dpi";
  for (int stage = 1; stage <= kDpiStageCount; ++stage) {
    const auto* edit = controls_.Find<QLineEdit>(named(page_control::kDpiEditFormat, stage));
    const std::string value = edit ? edit->text().toStdString() : std::string("?");
    profile += " " + (value.empty() ? std::string("-") : value);
  }
  profile += "; stage " +
             std::to_string(checked_option(page_control::kDpiStageOptionFormat, kDpiStageCount));
  const int rate = checked_option(page_control::kRateOptionFormat, page_control::kRateOptionCount);
  const auto* rate_button =
      controls_.Find<QAbstractButton>(named(page_control::kRateOptionFormat, rate));
  profile += "; rate " + (rate_button ? rate_button->text().toStdString() : std::string("none"));
  if (profile == shown_profile_) return;
  shown_profile_ = profile;
  log_.Write(profile);
}

void DesktopApp::PostMenuCommand(const QString& item) {
  QMetaObject::invokeMethod(
      this, [this, item] { logic_.OnMenuCommand(item.toStdString()); }, Qt::QueuedConnection);
}

DesktopApp::~DesktopApp() {
  Shutdown();
}

std::string DesktopApp::LoadStores() {
  const std::string error = runtime_.LoadStores();
  if (!error.empty()) return error;
  page_.LoadDeviceState();
  store_watch_ = std::make_unique<StoreWatch>(StoreFolder(runtime_.session().data_folder()),
                                              [this] { FollowStores(true); });
  return {};
}

void DesktopApp::FollowStores(bool sync) {
  if (QApplication::activeModalWidget()) {
    follow_later_.start();
    return;
  }
  if (sync) {
    page_.OnStoresChanged();
  } else {
    page_.FollowStores();
  }
}

void DesktopApp::ShowWindow() {
  window_.CentreOnScreen();
  // The window's first frame comes before anything else the start still does: the window's icon
  // (which the window manager takes rendered at several sizes), the tray icon (looked up in the
  // icon theme) and the device side take 10 to 30 ms, which the window would otherwise spend
  // mapped but blank. A window that is not painted (not exposed) waits a moment at most.
  window_.installEventFilter(this);
  window_.show();
  QTimer::singleShot(kFirstFrameWaitMs, this, [this] { AfterFirstFrame(); });
}

bool DesktopApp::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_ && event->type() == QEvent::Paint) {
    window_.removeEventFilter(this);
    // Posted: the frame is painted and sent to the display before this runs.
    QTimer::singleShot(0, this, [this] { AfterFirstFrame(); });
  }
  return QObject::eventFilter(watched, event);
}

void DesktopApp::AfterFirstFrame() {
  if (first_frame_) return;
  first_frame_ = true;
  ShowIcons();
  OpenDevices();
}

void DesktopApp::ShowIcons() {
  if (window_.windowIcon().isNull()) window_.setWindowIcon(SvgIcon(QStringLiteral("img/app.svg")));
  tray_.Show();
}

void DesktopApp::StartHidden() {
  ShowIcons();
  logic_.StartHidden();
}

void DesktopApp::OpenDevices() {
  if (open_) return;
  open_ = true;
  // The keyboard layout names the keys of shortcut buttons; compiling it takes a while, so the
  // window shows first (with the keys' fixed names) and the labels follow.
  InstallKeyboardLayout(LoadSessionLayout());
  // The mouse's unchanged battery reports every 2 s would otherwise wake the program in the tray.
  runtime_.KeepBackPowerRepeats();
  runtime_.Open();
  // The link sections follow the links that were found.
  page_.RefreshAll();
  hooks_ = LoadCaptureTable();
  log_.Write(hooks_.window_only ? "keys are recorded in melko's windows only"
                                : "keys are recorded from the whole desktop (Hook.so)");
}

void DesktopApp::Shutdown() {
  UnloadHookLibrary(hooks_);
  popup_.Close();
  if (open_) {
    runtime_.Close();
    open_ = false;
  }
  // Edits not applied yet are kept for the next start.
  const SyncResult saved = runtime_.session().Sync();
  if (!saved.outcome.ok) log_.Write("cannot save the stores: " + saved.outcome.error);
}

void DesktopApp::OnSecondLaunch(const LaunchActivation& activation) {
  window_.SetLaunchActivation(activation);
  logic_.OnSecondLaunch();
  // Used by the window when it came forward; a warning in its place goes without.
  window_.SetLaunchActivation({});
  EndLaunchFeedback(activation);
}

void DesktopApp::OnWindowMessage(std::uint32_t message, std::intptr_t lparam) {
  switch (message) {
    case kMsgConnectedChanged:
      logic_.OnConnectedChanged(runtime_.links().any_connected == 1);
      break;
    case kMsgDpiStageChanged:
      page_.RefreshStageRows();  // the switch held on moves to the mouse's new stage
      logic_.OnDpiStageChanged(int(lparam));
      break;
    default:
      break;  // the hook's key events are for the dialogs that asked for them
  }
}

void DesktopApp::OnTimer(int timer_id) {
  switch (timer_id) {
    case kTimerDpiPopup:
      logic_.OnDpiPopupTimer();
      break;
    case kTimerTrayGrace:
      logic_.OnTrayGraceTimer();
      break;
    case kTimerApplyDelay:
      runtime_.timers().Stop(kTimerApplyDelay);
      runtime_.poster().Post(kMsgRequestApply, 0, 0);
      break;
    case kTimerSectionFollowUp:
      page_.OnSectionTimer();
      break;
    default:
      break;
  }
}

void DesktopApp::ConnectTitleButtons() {
  for (const char* name : {shell_control::kExitButton, shell_control::kMinimiseButton}) {
    if (auto* button = controls_.Find<QAbstractButton>(name)) {
      connect(button, &QAbstractButton::clicked, this,
              [this, control = std::string(name)] { logic_.OnClick(control); });
    }
  }
}

}  // namespace melko::ui
