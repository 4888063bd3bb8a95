// The page's controls as the command line keeps them: no widgets, just the state the device
// logic sets (battery bar and label, link icons), which status and watch print.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "device/ui_ports.h"

namespace melko::cli {

class ConsoleControls final : public Controls {
 public:
  bool Exists(std::string_view) override { return true; }
  void SetVisible(std::string_view name, bool visible) override;
  bool IsVisible(std::string_view name) override;
  void SetText(std::string_view name, std::string_view literal) override;
  void SetTextKey(std::string_view name, std::string_view language_key) override;
  void SetValue(std::string_view name, int value) override;
  void SetChecked(std::string_view, bool) override {}
  void SelectOption(std::string_view, bool) override {}
  void SelectItem(std::string_view, int, bool) override {}

  // The power label as shown: "57%", the charging text, or empty before the mouse reported.
  std::string PowerLabel();
  bool PowerLabelIsCharging();

 private:
  std::mutex mutex_;
  std::map<std::string, bool, std::less<>> visible_;
  std::string power_label_;
  bool charging_ = false;
};

}  // namespace melko::cli
