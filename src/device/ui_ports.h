// What the device logic needs of the user interface: the page's controls by their skin names, the
// main window's timers, and messages posted to the main window. Implementations must accept calls
// from any thread (the apply thread shows the progress ring and restarts the watchdog; Bluetooth
// notifications arrive on a thread of their own) and carry them out on the user-interface thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace melko {

class Controls {
 public:
  virtual ~Controls() = default;
  virtual bool Exists(std::string_view name) = 0;
  virtual void SetVisible(std::string_view name, bool visible) = 0;
  virtual bool IsVisible(std::string_view name) = 0;
  virtual void SetText(std::string_view name, std::string_view literal) = 0;
  virtual void SetTextKey(std::string_view name, std::string_view language_key) = 0;
  virtual void SetValue(std::string_view name, int value) = 0;  // progress bars, sliders
  virtual void SetChecked(std::string_view name, bool checked) = 0;
  // Selects an option (radio) or an item of a list; notify says whether the page's change handler
  // runs as if the user had made the choice.
  virtual void SelectOption(std::string_view name, bool notify) = 0;
  virtual void SelectItem(std::string_view name, int index, bool notify) = 0;
  // The page's lists, colour buttons and enabled states; a front end without them (the command
  // line) leaves these alone.
  virtual void SetItems(std::string_view /*name*/, const std::vector<std::string>& /*texts*/) {}
  virtual void SetItemText(std::string_view /*name*/, int /*index*/, std::string_view /*text*/) {}
  virtual void SetColour(std::string_view /*name*/, std::uint32_t /*argb*/) {}
  virtual void SetEnabled(std::string_view /*name*/, bool /*enabled*/) {}
};

class Timers {
 public:
  virtual ~Timers() = default;
  // Starting a running timer restarts it with the new period.
  virtual void Start(int timer_id, int period_ms) = 0;
  // Starts the timer unless it already runs with this period, which then keeps its ticks in step.
  virtual void KeepRunning(int timer_id, int period_ms) = 0;
  virtual void Stop(int timer_id) = 0;
};

class MessagePoster {
 public:
  virtual ~MessagePoster() = default;
  virtual void Post(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) = 0;
};

}  // namespace melko
