#include "support/device_fakes.h"

#include <algorithm>

#include "profiles/data_folder.h"

namespace melko::fakes {

void FakeControls::SetVisible(std::string_view name, bool visible) {
  Note(visible_, name, visible, (visible ? "show " : "hide ") + std::string(name));
}

void FakeControls::SetText(std::string_view name, std::string_view literal) {
  Note(text_, name, std::string(literal), "text " + std::string(name) + " " + std::string(literal));
}

void FakeControls::SetTextKey(std::string_view name, std::string_view language_key) {
  const std::string text = "key:" + std::string(language_key);
  Note(text_, name, text, "text " + std::string(name) + " " + text);
}

void FakeControls::SetValue(std::string_view name, int value) {
  std::lock_guard lock(mutex_);
  values_[std::string(name)].push_back(value);
}

void FakeControls::SetChecked(std::string_view name, bool checked) {
  Note(checked_, name, checked, (checked ? "check " : "uncheck ") + std::string(name));
}

void FakeControls::SelectOption(std::string_view name, bool notify) {
  Note(checked_, name, true, "select " + std::string(name) + (notify ? " notify" : " quiet"));
}

void FakeControls::SelectItem(std::string_view name, int index, bool notify) {
  Note(selected_item_, name, index,
       "select " + std::string(name) + " " + std::to_string(index) +
           (notify ? " notify" : " quiet"));
}

std::string FakeControls::SelectedOption(const std::string& prefix) {
  std::lock_guard lock(mutex_);
  std::string selected;
  for (const std::string& call : calls_) {
    if (call.rfind("select " + prefix, 0) == 0) {
      selected = call.substr(7, call.find(' ', 7) - 7);
    } else if (call.rfind("uncheck " + prefix, 0) == 0 && call.substr(8) == selected) {
      selected.clear();
    }
  }
  return selected;
}

void FakeTimers::Start(int timer_id, int period_ms) {
  std::lock_guard lock(mutex_);
  running_[timer_id] = true;
  last_period_[timer_id] = period_ms;
  calls_.push_back("start " + std::to_string(timer_id) + " " + std::to_string(period_ms));
}

void FakeTimers::KeepRunning(int timer_id, int period_ms) {
  if (Running(timer_id) && Period(timer_id) == period_ms) return;
  Start(timer_id, period_ms);
}

void FakeTimers::Stop(int timer_id) {
  std::lock_guard lock(mutex_);
  running_.erase(timer_id);
  calls_.push_back("stop " + std::to_string(timer_id));
}

void FakePoster::Post(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
  std::lock_guard lock(mutex_);
  posted_.push_back({message, wparam, lparam});
}

int FakePoster::Count(std::uint32_t message) {
  std::lock_guard lock(mutex_);
  return int(std::count_if(posted_.begin(), posted_.end(),
                           [&](const PostedMessage& posted) { return posted.message == message; }));
}

void VirtualClock::SleepFor(std::int64_t ms) {
  const std::int64_t now = now_ += ms;
  std::function<void(std::int64_t)> hook;
  {
    std::lock_guard lock(mutex_);
    sleeps_.push_back(ms);
    hook = hook_;
  }
  if (hook) hook(now);
}

void VirtualClock::SetSleepHook(std::function<void(std::int64_t)> hook) {
  std::lock_guard lock(mutex_);
  hook_ = std::move(hook);
}

namespace {

FakeDriverState driver_states[2];

template <int Slot>
struct FakeDriverFunctions {
  static FakeDriverState& State() { return driver_states[Slot]; }
  // Under the lock: one call more, and `counter` moved by `step`.
  static void Note(int* counter = nullptr, int step = 1) {
    std::lock_guard lock(State().mutex);
    ++State().calls;
    if (counter) *counter += step;
  }
  static void SetVidPid(std::uint32_t, std::uint32_t) { Note(); }
  static void OpenDevMonitor(MessageTarget*, std::uint32_t, std::uint32_t) {
    Note(&State().monitors_open);
  }
  static void CloseDevMonitor() { Note(&State().monitors_open, -1); }
  static std::int32_t OpenFeatureDevice() {
    Note(&State().opened);
    std::lock_guard lock(State().mutex);
    return State().device_present ? 1 : 0;
  }
  static void CloseFeatureDevice() { Note(&State().closed); }
  static std::int32_t SetFeature(const std::uint8_t* bytes, std::int32_t length) {
    std::function<std::int32_t(std::span<const std::uint8_t>)> on_write;
    {
      std::lock_guard lock(State().mutex);
      State().writes.emplace_back(bytes, bytes + length);
      on_write = State().on_write;
    }
    return on_write ? on_write({bytes, std::size_t(length)}) : 1;
  }
  static std::int32_t GetFeature(std::uint8_t*, std::int32_t) { return 0; }
};

template <int Slot>
DriverLibrary MakeLibrary() {
  using F = FakeDriverFunctions<Slot>;
  return {nullptr,
          &F::SetVidPid,
          &F::OpenDevMonitor,
          &F::CloseDevMonitor,
          &F::OpenFeatureDevice,
          &F::CloseFeatureDevice,
          &F::SetFeature,
          &F::GetFeature};
}

}  // namespace

FakeDriverState& FakeDriver(int slot) {
  return driver_states[slot];
}

DeviceRig::DeviceRig() : session(dir.path()) {
  for (FakeDriverState& state : driver_states) {
    std::lock_guard lock(state.mutex);
    state.device_present = true;
    state.opened = state.closed = state.monitors_open = state.calls = 0;
    state.writes.clear();
    state.on_write = nullptr;
  }
  drivers.wired = FakeDriverLibrary(0);
  drivers.receiver = FakeDriverLibrary(1);
}

DriverLibrary FakeDriverLibrary(int slot) {
  return slot == 0 ? MakeLibrary<0>() : MakeLibrary<1>();
}

bool DeviceRig::StoreSaved() const {
  return std::filesystem::exists(ProfileStorePath(dir.path()));
}

}  // namespace melko::fakes
