// The program's device side, shared by the desktop program and melkoctl: the stores, the driver
// libraries, the Bluetooth LE link, the send routine and the apply engine, on a Qt event loop that
// is the user-interface thread (melkoctl runs one of its own).
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/device_context.h"
#include "device/device_hub.h"
#include "device/driver_links.h"
#include "device/power_repeats.h"
#include "profiles/profile_session.h"
#include "protocol/apply_engine.h"
#include "protocol/report_sender.h"
#include "qt/posted_calls.h"
#include "qt/qt_event_ports.h"

namespace melko::bluez {
class BluezBleTransport;
}

namespace melko {

// Debug lines on standard error, each prefixed with the program's name, when enabled.
class StderrDebugLog final : public DebugLog {
 public:
  StderrDebugLog(std::string prefix, bool enabled)
      : prefix_(std::move(prefix)), enabled_(enabled) {}
  void Write(std::string_view line) override;
  bool enabled() const { return enabled_; }

 private:
  std::string prefix_;
  bool enabled_;
};

class DeviceRuntime {
 public:
  // A QCoreApplication must exist. The controls are the page's (or the command line's stand-in);
  // the loader defaults to the driver libraries beside the program.
  DeviceRuntime(const std::filesystem::path& data_folder, Controls& controls, DebugLog& log,
                std::unique_ptr<DriverLoader> loader = nullptr);
  ~DeviceRuntime();

  // Loads the stores; returns why when one cannot be read safely (empty when both loaded).
  std::string LoadStores();
  // Starts the apply thread and opens every link, as the desktop program does at start.
  void Open();
  // Stops the apply thread (cancelling a send in progress) before the driver libraries close, so
  // that no call reaches a library after it was unloaded.
  void Close();

  // Runs the event loop until done() holds or the time is up; returns done().
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

  // A link that can take settings now: the cable or Bluetooth LE, or the receiver once its mouse
  // has reported.
  bool CanTakeSettings() const;
  std::string UsableLinkName() const;

  // Sends the changed blocks (or everything with full) and waits until the apply has finished.
  // Returns false when the apply thread dropped the request.
  bool ApplyAndWait(bool full, std::chrono::milliseconds limit);
  // Queues an apply; its number is reached by applies_finished() once it has run, and
  // last_apply_sent() then says whether it wrote to the mouse (false: dropped for want of a link,
  // or cancelled). Event-loop thread.
  std::uint64_t RequestApply() { return engine_.RequestApply(); }
  std::uint64_t applies_finished() const { return applies_finished_; }
  bool last_apply_sent() const { return last_apply_sent_; }

  ProfileSession& session() { return session_; }
  LinkState& links() { return links_; }
  ApplyEngine& engine() { return engine_; }
  DeviceContext& context() { return ctx_; }
  MessagePoster& poster() { return messages_; }
  QtTimers& timers() { return timers_; }
  // Whether anyone can see the page. The charging bar is drawn only then: until a window says so
  // (and always in melkoctl) its animation does not run. Event-loop thread.
  void SetPageSeen(bool seen);
  // Unchanged power events from the driver libraries no longer wake the event loop once handled
  // (the desktop program; melkoctl's watch prints each one). Before Open.
  void KeepBackPowerRepeats() { power_repeats_.KeepBackRepeats(true); }

  // Each status word or connection change (link, word) once it has been decoded, and each timer
  // once the device logic has handled it. Bluetooth LE notifications come as kBle words (event in
  // the upper half, value in the lower), and the Bluetooth LE mouse's arrival and removal as kBle
  // connection words, when they change whether the link is attached.
  std::function<void(LinkMode, std::uint32_t)> on_status_word;
  std::function<void(int timer_id)> on_timer;
  std::function<void(std::uint32_t message, std::intptr_t lparam)> on_window_message;
  // After each apply run, on the event loop's thread: its save may have found other programs'
  // changes (ProfileSession::TakeOutsideChanges).
  std::function<void()> on_apply_finished;

 private:
  void HandleMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
  void HandleTimer(int timer_id);
  // Bluetooth LE over BlueZ when the system bus is there, else a link that is never attached.
  std::unique_ptr<BleTransport> MakeBluetooth();
  void OnBleValue(const std::vector<std::uint8_t>& value);
  void OnBleMouse(bool present);

  DebugLog& log_;
  ProfileSession session_;
  LinkState links_;
  DriverLinks drivers_;
  class DeferredBluetooth;
  std::unique_ptr<DeferredBluetooth> ble_;
  bluez::BluezBleTransport* bluez_ = nullptr;  // ble_, when it is the BlueZ adapter
  QtTimers timers_;
  QtMessageQueue messages_;
  SteadyClock clock_;
  // What the driver libraries post, in the same order with the rest, through the filter.
  QtMessageQueue library_messages_;
  PowerRepeatFilter power_repeats_;
  DeviceContext ctx_;
  DriverReportLinks report_links_;
  ReportSender sender_;
  ApplyEngine engine_;
  DeviceHub hub_;
  std::unique_ptr<DriverLoader> loader_;
  PostedCalls loop_context_;  // queued calls to the event loop die with the runtime
  bool open_ = false;
  std::uint64_t applies_finished_ = 0;  // event-loop thread only
  bool last_apply_sent_ = false;
};

}  // namespace melko
