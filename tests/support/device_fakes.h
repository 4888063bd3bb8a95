// Test doubles of the ports the device logic and the window logic talk through. All of them are
// thread-safe, since the apply thread and the user-interface thread use them at once.
#pragma once

#include <algorithm>
#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "device/device_context.h"  // and every port it holds
#include "profiles/data_folder.h"
#include "shell/shell_ports.h"
#include "support/plugin_support.h"
#include "support/test_support.h"

namespace melko::fakes {

// A copy of a member, taken under its lock.
template <class T>
T Locked(std::mutex& mutex, const T& value) {
  std::lock_guard lock(mutex);
  return value;
}

// Under the lock: the value a map holds for a key, or `fallback` when it holds none.
template <class Map, class Key>
typename Map::mapped_type Find(std::mutex& mutex, const Map& map, const Key& key,
                               typename Map::mapped_type fallback = {}) {
  std::lock_guard lock(mutex);
  const auto found = map.find(typename Map::key_type(key));
  return found == map.end() ? fallback : found->second;
}

// The page's controls as plain state: visibility, texts (a language key shows as "key:<key>"),
// values, check marks and selections. Every control exists.
class FakeControls : public Controls {
 public:
  bool Exists(std::string_view) override { return true; }
  void SetVisible(std::string_view name, bool visible) override {
    Store(visible_, name, visible, visible ? "show" : "hide");
  }
  bool IsVisible(std::string_view name) override { return Find(mutex_, visible_, name); }
  void SetText(std::string_view name, std::string_view literal) override {
    Store(text_, name, std::string(literal), "text", " " + std::string(literal));
  }
  void SetTextKey(std::string_view name, std::string_view language_key) override {
    SetText(name, "key:" + std::string(language_key));
  }
  void SetValue(std::string_view name, int value) override {
    std::lock_guard lock(mutex_);
    values_[std::string(name)].push_back(value);
  }
  void SetChecked(std::string_view name, bool checked) override {
    Store(checked_, name, checked, checked ? "check" : "uncheck");
  }
  void SelectOption(std::string_view name, bool notify) override {
    Store(checked_, name, true, "select", notify ? " notify" : " quiet");
  }
  void SelectItem(std::string_view name, int index, bool notify) override {
    Store(selected_item_, name, index, "select",
          " " + std::to_string(index) + (notify ? " notify" : " quiet"));
  }
  void SetItems(std::string_view name, const std::vector<std::string>& texts) override {
    Store(items_, name, texts);
  }
  void SetColour(std::string_view name, std::uint32_t argb) override { Store(colour_, name, argb); }
  void SetEnabled(std::string_view name, bool enabled) override { Store(enabled_, name, enabled); }

  std::string Text(const std::string& name) { return Find(mutex_, text_, name); }
  std::vector<int> ValueHistory(const std::string& name) { return Find(mutex_, values_, name); }
  int Value(const std::string& name) {  // -1 when never set
    const std::vector<int> history = ValueHistory(name);
    return history.empty() ? -1 : history.back();
  }
  bool Checked(const std::string& name) { return Find(mutex_, checked_, name); }
  // The option last selected among those whose names start with prefix (a selection clears the
  // others, as an option group does); empty when none is.
  std::string SelectedOption(const std::string& prefix);
  int SelectedItem(const std::string& name) { return Find(mutex_, selected_item_, name, -1); }
  std::vector<std::string> Items(const std::string& name) { return Find(mutex_, items_, name); }
  std::uint32_t Colour(const std::string& name) { return Find(mutex_, colour_, name); }
  bool Enabled(const std::string& name) { return Find(mutex_, enabled_, name, true); }
  // Every call in order, e.g. "show apply_ring", "select ms_1_option_dpi_step_3 quiet".
  std::vector<std::string> Calls() { return Locked(mutex_, calls_); }

 private:
  // Under the lock: a control's new state and, with a verb, the call ("VERB NAME SUFFIX").
  template <class Map>
  void Store(Map& map, std::string_view name, typename Map::mapped_type value,
             std::string_view verb = {}, const std::string& suffix = {}) {
    std::lock_guard lock(mutex_);
    map[std::string(name)] = std::move(value);
    if (!verb.empty()) calls_.push_back(std::string(verb) + " " + std::string(name) + suffix);
  }

  std::mutex mutex_;
  std::map<std::string, bool> visible_, checked_, enabled_;
  std::map<std::string, std::string> text_;
  std::map<std::string, std::vector<int>> values_;
  std::map<std::string, int> selected_item_;
  std::map<std::string, std::vector<std::string>> items_;
  std::map<std::string, std::uint32_t> colour_;
  std::vector<std::string> calls_;
};

class FakeTimers : public Timers {
 public:
  void Start(int timer_id, int period_ms) override {
    std::lock_guard lock(mutex_);
    running_[timer_id] = true;
    last_period_[timer_id] = period_ms;
    calls_.push_back("start " + std::to_string(timer_id) + " " + std::to_string(period_ms));
  }
  void KeepRunning(int timer_id, int period_ms) override {
    if (!Running(timer_id) || Period(timer_id) != period_ms) Start(timer_id, period_ms);
  }
  void Stop(int timer_id) override {
    std::lock_guard lock(mutex_);
    running_.erase(timer_id);
    calls_.push_back("stop " + std::to_string(timer_id));
  }
  bool Running(int timer_id) { return Find(mutex_, running_, timer_id, false); }
  int Period(int timer_id) { return Find(mutex_, last_period_, timer_id, -1); }  // the last start's
  std::vector<std::string> Calls() { return Locked(mutex_, calls_); }            // "start 512 6000"

 private:
  std::mutex mutex_;
  std::map<int, bool> running_;
  std::map<int, int> last_period_;
  std::vector<std::string> calls_;
};

using testing::PostedMessage;

class FakePoster : public MessagePoster {
 public:
  void Post(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override {
    std::lock_guard lock(mutex_);
    posted_.push_back({message, wparam, lparam});
  }
  std::vector<PostedMessage> Posted() { return Locked(mutex_, posted_); }
  int Count(std::uint32_t message) {
    return int(std::ranges::count(Posted(), message, &PostedMessage::message));
  }

 private:
  std::mutex mutex_;
  std::vector<PostedMessage> posted_;
};

// Message boxes that record each text key and its arguments; Ask takes the next preset answer (OK
// when none is left). while_open runs as each box opens (the user clicking on meanwhile).
struct FakeBoxes : MessageBoxes {
  bool Ask(std::string_view title_key, std::string_view text_key,
           const std::vector<std::string>& arguments) override {
    Tell(title_key, text_key, arguments);
    const bool answer = answers.empty() || answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer;
  }
  void Tell(std::string_view, std::string_view text_key,
            const std::vector<std::string>& arguments) override {
    asked.emplace_back(text_key);
    this->arguments.push_back(arguments);
    if (while_open) while_open();
  }
  std::vector<std::string> asked;
  std::vector<std::vector<std::string>> arguments;
  std::deque<bool> answers;
  std::function<void()> while_open;
};

// Virtual time: sleeping moves the clock at once; a hook may act during the wait.
class VirtualClock : public Clock {
 public:
  std::int64_t Now() override { return now_.load(); }
  void SleepFor(std::int64_t ms) override {
    const std::int64_t now = now_ += ms;
    std::function<void(std::int64_t)> hook;
    {
      std::lock_guard lock(mutex_);
      sleeps_.push_back(ms);
      hook = hook_;
    }
    if (hook) hook(now);
  }
  void SetSleepHook(std::function<void(std::int64_t now)> hook) {
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
  }
  std::vector<std::int64_t> Sleeps() { return Locked(mutex_, sleeps_); }

 private:
  std::atomic<std::int64_t> now_{0};
  std::mutex mutex_;
  std::function<void(std::int64_t)> hook_;
  std::vector<std::int64_t> sleeps_;
};

// Debug lines are the program's to write; no test reads them.
struct QuietLog : DebugLog {
  void Write(std::string_view) override {}
};

class FakeBle : public BleTransport {
 public:
  void SetMatch(const std::string& vendor_text, const std::string& product_text) override {
    std::lock_guard lock(mutex_);
    vendor_ = vendor_text, product_ = product_text;
  }
  std::int32_t Write(std::span<const std::uint8_t>) override {
    std::lock_guard lock(mutex_);
    return !vendor_.empty() && !product_.empty() ? 1 : 0;
  }
  void OpenNotifications() override { ++opened_; }
  void CloseNotifications() override { ++closed_; }
  int opened() { return opened_; }  // OpenNotifications calls
  int closed() { return closed_; }  // CloseNotifications calls

 private:
  std::mutex mutex_;
  std::string vendor_, product_;
  std::atomic<int> opened_ = 0, closed_ = 0;
};

// A driver library made of plain functions over one shared state per slot (0: cable, 1:
// receiver), since the library interface carries no context pointer.
struct FakeDriverState {
  std::mutex mutex;
  bool device_present = true;  // what Open_FeatureDevice finds
  int opened = 0, closed = 0;  // feature device opens and closes
  int monitors_open = 0;       // Open_DevMonitor minus Close_DevMonitor
  // Each SetFeature write, all of them taken.
  std::vector<std::vector<std::uint8_t>> writes;
};
FakeDriverState& FakeDriver(int slot);
DriverLibrary FakeDriverLibrary(int slot);

// A DeviceContext over fakes of every port (the fake driver libraries reset, slot 0 as the cable's
// and 1 as the receiver's) and a real ProfileSession on a private data folder. Nothing is loaded:
// the current profile is a default one, and no store file exists until something saves.
struct DeviceRig {
  DeviceRig();
  // Whether the profile store has been written to the data folder.
  bool StoreSaved() const { return std::filesystem::exists(ProfileStorePath(dir.path())); }

  testing::TempDir dir;
  ProfileSession session;
  LinkState links;
  DriverLinks drivers;
  FakeBle ble;
  FakeControls controls;
  FakeTimers timers;
  FakePoster poster;
  VirtualClock clock;
  QuietLog log;
  DeviceContext ctx{links, session, drivers, ble, controls, timers, poster, clock, log};
};

}  // namespace melko::fakes
