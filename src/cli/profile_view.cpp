#include "cli/profile_view.h"

#include <cstdio>
#include <string>

#include "cli/json_writer.h"
#include "common/language.h"
#include "common/text.h"
#include "input/button_functions.h"

namespace melko::cli {
namespace {

// Stored values are shown as they are, also outside the ranges the page offers; the arithmetic of
// showing them is done wide enough that no stored value can overflow it.
long long Wide(std::int32_t value) {
  return value;
}

std::string OnOff(int value) {
  return value ? "on" : "off";
}

std::string Minutes(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g %s", value, melko::text("sleep_timer_2_text").c_str());
  return text;
}

// What a button does, as its label reads; a code without a label is shown by number.
std::string ButtonFunctionText(const ButtonAssignment& button) {
  const std::string label = LabelDisplayText(ButtonLabelText(CurrentKeyboardLayout(), button));
  return label.empty() ? "function " + std::to_string(button.function) : label;
}

}  // namespace

int PollingRateHz(int prate) {
  static constexpr int kRates[] = {125, 250, 500, 1000};
  return prate >= 0 && prate < 4 ? kRates[prate] : 0;
}

void PrintProfile(std::ostream& out, const ProfileRecord& record, bool selected) {
  out << "Profile: " << Utf16ToUtf8(ProfileName(record)) << (selected ? " (selected)" : "")
      << "\n\nDPI stages:\n";
  for (int stage = 0; stage < kDpiStageCount; ++stage) {
    char line[96];
    std::snprintf(line, sizeof line, "  %d%s %6d DPI  %-3s  %s\n", stage + 1,
                  stage == record.dpi_step ? "*" : " ",
                  StageValueToDpi(record.dpi_value[std::size_t(stage)]),
                  record.dpi_enable[std::size_t(stage)] == 1 ? "on" : "off",
                  ColourToHex(record.dpi_color[std::size_t(stage)]).c_str());
    out << line;
  }
  out << "Current stage: " << Wide(record.dpi_step) + 1 << '\n';
  const int hz = PollingRateHz(record.prate);
  out << "Polling rate: "
      << (hz ? std::to_string(hz) + " Hz" : "unknown (" + std::to_string(record.prate) + ")")
      << '\n';
  out << "Light: effect " << record.light_mode << ", brightness " << record.brightness << ", speed "
      << record.breathspeed << ", colour " << ColourToHex(record.light_color) << '\n';
  out << "Light off after: " << Minutes(Wide(record.light_off) * 0.5) << '\n';
  out << "Sleep after: " << Minutes(record.sleep_timer) << '\n';
  out << "Debounce: " << Wide(record.key_debounce) * 2 << " ms\n";
  out << "Lift-off distance: " << Wide(record.lift_of_distance) + 1 << '\n';
  out << "Ripple control: " << OnOff(record.ripple_control) << '\n';
  out << "Angle snap: " << OnOff(record.angle_snap) << '\n';
  out << "\nButtons:\n";
  for (int slot = 0; slot < kMouseButtonCount; ++slot) {
    char number[8];
    std::snprintf(number, sizeof number, "  %2d  ", slot + 1);
    out << number << ButtonFunctionText(record.buttons[std::size_t(slot)]) << '\n';
  }
}

void PrintProfileJson(std::ostream& out, const ProfileRecord& record, bool selected) {
  JsonWriter json(out);
  json.BeginObject();
  json.Field("name", Utf16ToUtf8(ProfileName(record))).Field("selected", selected);
  json.Key("dpi_stages").BeginArray();
  for (int stage = 0; stage < kDpiStageCount; ++stage) {
    const std::size_t i = std::size_t(stage);
    json.BeginObject()
        .Field("stage", stage + 1)
        .Field("dpi", StageValueToDpi(record.dpi_value[i]))
        .Field("enabled", record.dpi_enable[i] == 1)
        .Field("color", ColourToHex(record.dpi_color[i]))
        .EndObject();
  }
  json.EndArray();
  json.Field("current_stage", Wide(record.dpi_step) + 1);
  json.Key("polling_rate_hz");
  if (const int hz = PollingRateHz(record.prate)) {
    json.Number(hz);
  } else {
    json.Null();
  }
  json.Key("light")
      .BeginObject()
      .Field("effect", record.light_mode)
      .Field("brightness", record.brightness)
      .Field("speed", record.breathspeed)
      .Field("color", ColourToHex(record.light_color))
      .EndObject();
  json.Field("light_off_minutes", Wide(record.light_off) * 0.5)
      .Field("sleep_minutes", record.sleep_timer)
      .Field("debounce_ms", Wide(record.key_debounce) * 2)
      .Field("lift_off", Wide(record.lift_of_distance) + 1)
      .Field("ripple_control", record.ripple_control != 0)
      .Field("angle_snap", record.angle_snap != 0);
  json.Key("buttons").BeginArray();
  for (int slot = 0; slot < kMouseButtonCount; ++slot) {
    const ButtonAssignment& button = record.buttons[std::size_t(slot)];
    json.BeginObject().Field("button", slot + 1).Field("function", int(button.function));
    json.Field("label", LabelDisplayText(ButtonLabelText(CurrentKeyboardLayout(), button)));
    if (button.function == kFunctionShortcut) {
      json.Field("shortcut_modifiers", int(button.shortcut_modifiers))
          .Field("shortcut_key", int(button.shortcut_key));
    }
    if (button.function == kFunctionMacro) {
      json.Field("macro", Utf16ToUtf8(ReadFixedText(button.macro_name)))
          .Field("macro_mode", button.macro_mode)
          .Field("macro_repeat", button.macro_repeat);
    }
    json.EndObject();
  }
  json.EndArray().EndObject().Finish();
}

}  // namespace melko::cli
