#include "runtime/device_runtime.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTimer>

#include <algorithm>
#include <iostream>

#include "bluez/bluez_ble_transport.h"
#include "device/ble_notification.h"
#include "device/messages.h"
#include "device/presence.h"
#include "platform/dl_driver_loader.h"
#include "platform/hid_presence.h"

namespace melko {
namespace {

// Bluetooth LE without a Bluetooth stack to talk to: always detached.
class NoBluetooth final : public BleTransport {
 public:
  void SetMatch(const std::string&, const std::string&) override {}
  std::int32_t Write(std::span<const std::uint8_t>) override { return 0; }
  void OpenNotifications() override {}
  void CloseNotifications() override {}
};

}  // namespace

// The Bluetooth LE link as the device logic holds it from the start: detached until the runtime
// opens, when the system bus is reached (which is not needed before the window is up). It is set
// before the apply thread starts and never changed while that runs.
class DeviceRuntime::DeferredBluetooth final : public BleTransport {
 public:
  void Set(std::unique_ptr<BleTransport> target) { target_ = std::move(target); }
  void SetMatch(const std::string& vendor, const std::string& product) override {
    target_->SetMatch(vendor, product);
  }
  std::int32_t Write(std::span<const std::uint8_t> report) override {
    return target_->Write(report);
  }
  void OpenNotifications() override { target_->OpenNotifications(); }
  void CloseNotifications() override { target_->CloseNotifications(); }

 private:
  std::unique_ptr<BleTransport> target_ = std::make_unique<NoBluetooth>();
};

namespace {

// At start the Bluetooth LE mouse counts as present when hidapi lists it or BlueZ has it
// connected. BlueZ is always asked, so that its adapter starts from what BlueZ has now.
class EitherBlePresenceProbe final : public BlePresenceProbe {
 public:
  explicit EitherBlePresenceProbe(bluez::BluezBleTransport* bluez) : bluez_(bluez) {}
  bool MousePresent() override {
    const bool over_bluez = bluez_ != nullptr && bluez_->MousePresentNow();
    return HidapiBlePresenceProbe().MousePresent() || over_bluez;
  }

 private:
  bluez::BluezBleTransport* bluez_;
};

}  // namespace

void StderrDebugLog::Write(std::string_view line) {
  if (!enabled_) return;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  std::cerr << prefix_ << ": debug: " << line << '\n';
}

DeviceRuntime::DeviceRuntime(const std::filesystem::path& data_folder, Controls& controls,
                             DebugLog& log, std::unique_ptr<DriverLoader> loader)
    : log_(log),
      session_(data_folder),
      ble_(std::make_unique<DeferredBluetooth>()),
      timers_([this](int timer_id) { HandleTimer(timer_id); }, kTimerReceiverWatchdog),
      messages_([this](std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
        power_repeats_.Unsettle();
        HandleMessage(message, wparam, lparam);
      }),
      library_messages_([this](std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
        HandleMessage(message, wparam, lparam);
        power_repeats_.Handled(message, wparam, lparam);
      }),
      power_repeats_(library_messages_, [this] { timers_.Postpone(); }),
      ctx_{links_, session_, drivers_, *ble_, controls, timers_, messages_, clock_, log_},
      report_links_(drivers_, *ble_),
      sender_(links_, report_links_, clock_, log_),
      engine_(session_, links_, sender_, controls, messages_),
      hub_(ctx_, engine_),
      loader_(loader ? std::move(loader) : std::make_unique<DlDriverLoader>()) {
  SetPageSeen(false);
  // Told on the apply thread; counted on the event loop's.
  engine_.SetRunObserver([this](bool applied) {
    loop_context_.Post([this, applied] {
      ++applies_finished_;
      last_apply_sent_ = applied;
      if (on_apply_finished) on_apply_finished();
    });
  });
}

void DeviceRuntime::SetPageSeen(bool seen) {
  power_repeats_.Unsettle();
  timers_.Hold(kTimerChargeAnimation, !seen);
}

DeviceRuntime::~DeviceRuntime() {
  Close();
}

std::unique_ptr<BleTransport> DeviceRuntime::MakeBluetooth() {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) {
    log_.Write("no system bus (" + bus.lastError().message().toStdString() +
               "): Bluetooth LE is off");
    return std::make_unique<NoBluetooth>();
  }
  bluez::BluezHandlers handlers;
  handlers.on_notification = [this](std::vector<std::uint8_t> value) { OnBleValue(value); };
  handlers.on_mouse_arrived = [this] { OnBleMouse(true); };
  handlers.on_mouse_gone = [this] { OnBleMouse(false); };
  handlers.on_debug = [this](const std::string& line) { log_.Write(line); };
  return std::make_unique<bluez::BluezBleTransport>(bus, std::move(handlers));
}

void DeviceRuntime::OnBleValue(const std::vector<std::uint8_t>& value) {
  if (!open_) return;
  // Before and after: whatever it changes, the next power word from the libraries is handled.
  power_repeats_.Unsettle();
  OnBleNotification(ctx_, value);
  power_repeats_.Unsettle();
  const auto word = BleStatusWord(value);
  if (on_status_word && word) on_status_word(LinkMode::kBle, *word);
}

void DeviceRuntime::OnBleMouse(bool present) {
  if (!open_ || (links_.ble_present == 1) == present) return;
  power_repeats_.Unsettle();
  if (present) {
    AttachBle(ctx_);
    hub_.RetryDroppedApply();
  } else {
    DetachBle(ctx_);
  }
  if (on_status_word) {
    on_status_word(LinkMode::kBle, MakeStatusWord(kConnectionEvent, present ? kConnectionArrived
                                                                            : kConnectionRemoved));
  }
}

std::string DeviceRuntime::LoadStores() {
  if (std::string why = UnreadableStoreReason(session_.data_folder()); !why.empty()) return why;
  const StoreLoadReport profiles = session_.LoadProfileStore();
  if (profiles.status == StoreLoadStatus::kUnreadable) {
    return "cannot read the profile store: " + profiles.detail;
  }
  const StoreLoadReport macros = session_.LoadMacroStore();
  if (macros.status == StoreLoadStatus::kUnreadable) {
    return "cannot read the macro store: " + macros.detail;
  }
  return {};
}

void DeviceRuntime::Open() {
  if (open_) return;
  open_ = true;
  std::unique_ptr<BleTransport> bluetooth = MakeBluetooth();
  bluez_ = dynamic_cast<bluez::BluezBleTransport*>(bluetooth.get());
  ble_->Set(std::move(bluetooth));
  engine_.StartApplyThread();
  EitherBlePresenceProbe probe(bluez_);
  power_repeats_.Unsettle();  // the page's links start afresh
  OpenDriverLinks(ctx_, *loader_, power_repeats_.target(), probe);
  // As at the desktop program's start: the first apply writes everything.
  session_.full_apply = 1;
  if (links_.ble_present == 1) {
    AttachBle(ctx_);
  } else {
    DetachBle(ctx_);
  }
}

void DeviceRuntime::Close() {
  if (!open_) return;
  open_ = false;
  // The apply thread first: it may be inside a library's SetFeature, or about to call one.
  engine_.StopApplyThread();
  CloseDriverLinks(ctx_, *loader_);
  ble_->CloseNotifications();
}

void DeviceRuntime::HandleMessage(std::uint32_t message, std::uintptr_t wparam,
                                  std::intptr_t lparam) {
  const bool handled = hub_.OnMessage(message, wparam, lparam);
  if (!handled && on_window_message) on_window_message(message, lparam);
  // Told after the decoding, so that what the word changed is stored by the time it is told.
  if (!on_status_word) return;
  switch (message) {
    case kMsgReceiverData:
      on_status_word(LinkMode::kWireless, DecodeDataMessage(wparam, lparam));
      break;
    case kMsgReceiverConnect:
      on_status_word(LinkMode::kWireless, DecodeConnectMessage(wparam));
      break;
    case kMsgWiredData:
      on_status_word(LinkMode::kWired, DecodeDataMessage(wparam, lparam));
      break;
    case kMsgWiredConnect:
      on_status_word(LinkMode::kWired, DecodeConnectMessage(wparam));
      break;
    default:
      break;
  }
}

void DeviceRuntime::HandleTimer(int timer_id) {
  // The bar's steps change nothing a power word sets; anything else may.
  if (timer_id != kTimerChargeAnimation) power_repeats_.Unsettle();
  // A repeat kept back on a library's thread pushed the watchdog on after it ran out: the mouse
  // spoke. Any later repeat goes through now, and restarts it as it is handled.
  if (timer_id == kTimerReceiverWatchdog && timers_.IsActive(kTimerReceiverWatchdog)) return;
  hub_.OnTimer(timer_id);
  if (on_timer) on_timer(timer_id);
}

bool DeviceRuntime::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  using std::chrono::milliseconds;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  // Sleeps in the event loop until something happens: whatever done() looks at changes on this
  // thread, by an event that wakes the loop. A single-shot timer wakes it at the deadline, so a
  // long wait for a mouse that does not answer costs no wake-ups of its own. (processEvents with
  // a time limit never waits: it made this loop spin.)
  QTimer deadline_timer;
  deadline_timer.setSingleShot(true);
  while (!done()) {
    const auto left =
        std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left <= milliseconds(0)) break;
    // A timer takes an int of milliseconds: a wait of days is slept in hours.
    deadline_timer.start(
        int(std::min<milliseconds>(left + milliseconds(1), std::chrono::hours(1)).count()));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return done();
}

bool DeviceRuntime::CanTakeSettings() const {
  return melko::CanTakeSettings(links_);
}

std::string DeviceRuntime::UsableLinkName() const {
  if (!melko::CanTakeSettings(links_)) return {};
  if (links_.wired_state == kLinkConnected) return "cable";
  if (links_.wireless_state == kLinkConnected && links_.wireless_online == 1) return "receiver";
  if (links_.ble_present == 1) return "Bluetooth LE";
  return {};
}

bool DeviceRuntime::ApplyAndWait(bool full, std::chrono::milliseconds limit) {
  if (full) session_.full_apply = 1;
  const std::uint64_t before = applies_finished_;
  engine_.RequestApply();
  return RunUntil([&] { return applies_finished_ > before; }, limit);
}

}  // namespace melko
