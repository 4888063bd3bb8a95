#include "cli/console_controls.h"

#include "common/language.h"
#include "device/control_names.h"

namespace melko::cli {

void ConsoleControls::SetVisible(std::string_view name, bool visible) {
  std::lock_guard lock(mutex_);
  visible_[std::string(name)] = visible;
}

bool ConsoleControls::IsVisible(std::string_view name) {
  std::lock_guard lock(mutex_);
  const auto found = visible_.find(name);
  return found != visible_.end() && found->second;
}

void ConsoleControls::SetText(std::string_view name, std::string_view literal) {
  if (name != control::kPowerLabel) return;
  std::lock_guard lock(mutex_);
  power_label_ = std::string(literal);
  charging_ = false;
}

void ConsoleControls::SetTextKey(std::string_view name, std::string_view language_key) {
  if (name != control::kPowerLabel) return;
  std::string shown = text(language_key);
  std::lock_guard lock(mutex_);
  power_label_ = std::move(shown);
  charging_ = language_key == text_key::kCharging;
}

void ConsoleControls::SetValue(std::string_view, int) {}

std::string ConsoleControls::PowerLabel() {
  std::lock_guard lock(mutex_);
  return power_label_;
}

bool ConsoleControls::PowerLabelIsCharging() {
  std::lock_guard lock(mutex_);
  return charging_;
}

}  // namespace melko::cli
