#include "cli/device_runtime.h"

#include <QCoreApplication>
#include <QTimer>

#include <iostream>

#include "cli/session.h"
#include "device/messages.h"
#include "device/presence.h"
#include "platform/dl_driver_loader.h"
#include "platform/hid_presence.h"

namespace melko::cli {
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

void StderrDebugLog::Write(std::string_view line) {
  if (!enabled_) return;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  std::cerr << "melkoctl: debug: " << line << '\n';
}

DeviceRuntime::DeviceRuntime(const std::filesystem::path& data_folder, bool debug)
    : log_(debug),
      session_(data_folder),
      ble_(std::make_unique<NoBluetooth>()),
      timers_([this](int timer_id) { HandleTimer(timer_id); }),
      messages_([this](std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
        HandleMessage(message, wparam, lparam);
      }),
      ctx_{links_, session_, drivers_, *ble_, controls_, timers_, messages_, clock_, log_},
      report_links_(drivers_, *ble_),
      sender_(links_, report_links_, clock_, log_),
      engine_(session_, links_, sender_, controls_, timers_),
      hub_(ctx_, engine_),
      loader_(std::make_unique<DlDriverLoader>()) {
  // Told on the apply thread; counted on the event loop's.
  engine_.SetRunObserver([this](bool) {
    QMetaObject::invokeMethod(
        &loop_context_, [this] { ++applies_finished_; }, Qt::QueuedConnection);
  });
}

DeviceRuntime::~DeviceRuntime() {
  Close();
}

void DeviceRuntime::LoadStores() {
  const StoreLoadReport profiles = session_.LoadProfileStore();
  if (profiles.status == StoreLoadStatus::kUnreadable) {
    throw Refused("cannot read the profile store: " + profiles.detail);
  }
  const StoreLoadReport macros = session_.LoadMacroStore();
  if (macros.status == StoreLoadStatus::kUnreadable) {
    throw Refused("cannot read the macro store: " + macros.detail);
  }
}

void DeviceRuntime::Open() {
  if (open_) return;
  open_ = true;
  engine_.StartApplyThread();
  HidapiBlePresenceProbe probe;
  OpenDriverLinks(ctx_, *loader_, messages_.target(), probe);
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
  CloseDriverLinks(ctx_, *loader_);
  engine_.StopApplyThread();
}

void DeviceRuntime::HandleMessage(std::uint32_t message, std::uintptr_t wparam,
                                  std::intptr_t lparam) {
  if (on_status_word) {
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
  if (!hub_.OnMessage(message, wparam, lparam) && on_window_message) {
    on_window_message(message, lparam);
  }
}

void DeviceRuntime::HandleTimer(int timer_id) {
  if (on_timer) on_timer(timer_id);
  hub_.OnTimer(timer_id);
}

bool DeviceRuntime::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    // Sleeps in the event loop until something happens or 50 ms pass; no busy waiting.
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents,
                                    int(std::min<std::int64_t>(left.count(), 50)));
  }
  return done();
}

bool DeviceRuntime::CanTakeSettings() const {
  return !UsableLinkName().empty();
}

std::string DeviceRuntime::UsableLinkName() const {
  if (links_.apply_blocked != 0) return {};
  if (links_.wired_state == kLinkConnected) return "cable";
  if (links_.wireless_state == kLinkConnected && links_.wireless_online == 1) return "receiver";
  if (links_.ble_present == 1) return "Bluetooth LE";
  return {};
}

bool DeviceRuntime::ApplyAndWait(bool full, std::chrono::milliseconds limit) {
  if (full) session_.full_apply = 1;
  const int before = applies_finished_;
  engine_.RequestApply();
  return RunUntil([&] { return applies_finished_ > before; }, limit);
}

}  // namespace melko::cli
