// The settings the mouse keeps, as it learns them from the host's reports.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace melko::vmouse {

inline constexpr int kStageCount = 8;
inline constexpr int kButtonCount = 18;
inline constexpr int kLightModeCount = 12;  // modes the light button steps through: 0 to 11

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};

struct DpiStage {
  std::uint8_t value = 0;   // stage units: 1-200 are x50 DPI, 201-220 x100 - 10,000 DPI, 0 unset
  bool high_range = false;  // the range flag that came with the sensor code
  bool enabled = false;
  Rgb color;
  bool operator==(const DpiStage&) const = default;
};

// DPI figure of a stage value; 0 for an unset stage.
int StageDpi(std::uint8_t value);

// One two-byte macro entry as the report carries it. An entry whose code is kExtraDelayCode adds
// delay_byte x 200 ms to the step before it; any other entry is a step: bit 7 of delay_byte set
// for a release, clear for a press, and bits 0 to 6 the delay in units of 10 ms (the host always
// sets bit 0, so an even number of units reads one unit longer).
inline constexpr std::uint8_t kExtraDelayCode = 3;
struct MacroEntry {
  std::uint8_t delay_byte = 0;
  std::uint8_t code = 0;

  bool is_extra_delay() const { return code == kExtraDelayCode; }
  bool is_release() const { return delay_byte & 0x80; }
  int delay_ms() const { return is_extra_delay() ? delay_byte * 200 : (delay_byte & 0x7F) * 10; }
  bool operator==(const MacroEntry&) const = default;
};

struct Macro {
  std::uint8_t mode = 0;
  std::uint8_t reserved = 0;  // the byte sent three times after the mode
  std::uint8_t repeat = 1;
  std::vector<MacroEntry> entries;
  bool operator==(const Macro&) const = default;
};

using ButtonEntry = std::array<std::uint8_t, 3>;

struct Settings {
  std::array<DpiStage, kStageCount> stages;
  int current_stage = 1;  // 1 to 8
  std::uint8_t angle_snap = 0;
  std::uint8_t ripple_control = 0;

  int light_mode = 0;   // 0 to 15
  int brightness = 0;   // only learnt from a light report of mode 1 or 9
  int breathspeed = 0;  // 9 minus the speed nibble of the report
  Rgb light_color;
  std::uint8_t light_off = 0;
  std::uint8_t sleep_timer = 0;
  std::uint8_t key_debounce = 0;

  std::uint8_t rate_code = 1;  // 1, 2, 4 or 8, as the rate report carries it

  std::array<ButtonEntry, kButtonCount> buttons{};
  std::array<std::optional<Macro>, kButtonCount> macros;  // indexed by button number - 1

  bool operator==(const Settings&) const = default;
};

// The state a new mouse has and a reset report restores.
Settings FactorySettings();

}  // namespace melko::vmouse
