#include "support/device_fakes.h"

namespace melko::fakes {

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

namespace {

FakeDriverState driver_states[2];

template <int Slot>
struct FakeDriverFunctions {
  static FakeDriverState& State() { return driver_states[Slot]; }
  // Under the lock: `counter` moved by `step`.
  static void Note(int& counter, int step = 1) {
    std::lock_guard lock(State().mutex);
    counter += step;
  }
  static void SetVidPid(std::uint32_t, std::uint32_t) {}
  static void OpenDevMonitor(MessageTarget*, std::uint32_t, std::uint32_t) {
    Note(State().monitors_open);
  }
  static void CloseDevMonitor() { Note(State().monitors_open, -1); }
  static std::int32_t OpenFeatureDevice() {
    Note(State().opened);
    std::lock_guard lock(State().mutex);
    return State().device_present ? 1 : 0;
  }
  static void CloseFeatureDevice() { Note(State().closed); }
  static std::int32_t SetFeature(const std::uint8_t* bytes, std::int32_t length) {
    std::lock_guard lock(State().mutex);
    State().writes.emplace_back(bytes, bytes + length);
    return 1;
  }
  static std::int32_t GetFeature(std::uint8_t*, std::int32_t) { return 0; }
  static DriverLibrary Library() {
    return {nullptr,          &SetVidPid,         &OpenDevMonitor,
            &CloseDevMonitor, &OpenFeatureDevice, &CloseFeatureDevice,
            &SetFeature,      &GetFeature};
  }
};

}  // namespace

FakeDriverState& FakeDriver(int slot) {
  return driver_states[slot];
}

DeviceRig::DeviceRig() : session(dir.path()) {
  for (FakeDriverState& state : driver_states) {
    std::lock_guard lock(state.mutex);
    state.device_present = true;
    state.opened = state.closed = state.monitors_open = 0;
    state.writes.clear();
  }
  drivers.wired = FakeDriverLibrary(0);
  drivers.receiver = FakeDriverLibrary(1);
}

DriverLibrary FakeDriverLibrary(int slot) {
  return slot == 0 ? FakeDriverFunctions<0>::Library() : FakeDriverFunctions<1>::Library();
}

}  // namespace melko::fakes
