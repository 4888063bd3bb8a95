// The settings of one profile. The struct mirrors the 32,992-byte record of the profile store and
// of profile files field for field, gaps included, so that every byte read from a file is written
// back unchanged; profile_codec.h converts it to and from bytes explicitly little-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "macros/macro_action.h"

namespace melko {

// 0x00BBGGRR: red in the lowest byte.
using Colour = std::uint32_t;

inline constexpr int kDpiStageCount = 8;
inline constexpr int kButtonSlotCount = 24;
inline constexpr int kMouseButtonCount = 18;
inline constexpr int kProfileNameUnits = 100;  // 99 characters and a NUL
inline constexpr int kMacroNameUnits = 24;     // 23 characters and a NUL

// Function codes used by the record itself; the full table lives with the button functions.
inline constexpr std::uint8_t kFunctionShortcut = 16;
inline constexpr std::uint8_t kFunctionMacro = 17;

struct ButtonAssignment {
  std::uint8_t index;
  std::uint8_t function;
  std::uint8_t reserved_arg;
  std::uint8_t shortcut_key;
  std::array<std::uint8_t, 3> gap_4;  // cleared together with shortcut_key
  std::uint8_t shortcut_modifiers;    // bit 0 Ctrl, 1 Shift, 2 Alt, 3 Super
  std::uint16_t reserved_562;
  std::array<std::uint8_t, 2> gap_10;
  std::int32_t macro_mode;
  std::array<char16_t, kMacroNameUnits> macro_name;
  std::int32_t macro_repeat;
  std::uint16_t macro_action_count;
  std::array<std::uint8_t, 1002> gap_70;
  std::int32_t macro_index;
  std::int32_t reserved_1076;
  std::array<std::uint8_t, 4> gap_1080;
  std::uint8_t macro_reserved;
  std::array<std::uint8_t, 3> gap_1085;
  std::array<MacroAction, kMaxMacroSteps> macro_actions;

  // The number of macro steps to use: the stored count limited to the slots there are.
  int MacroStepCount() const { return ClampStepCount(macro_action_count); }
};

struct ProfileRecord {
  std::array<char16_t, kProfileNameUnits> name;
  std::array<char16_t, 500> reserved_text_1;
  std::array<char16_t, 500> reserved_text_2;
  std::int32_t reserved_2200;
  std::int32_t reserved_2204;
  std::uint8_t reserved_2208;
  std::array<std::uint8_t, 3> gap_2209;
  std::int32_t reserved_2212;
  std::array<std::uint8_t, 8> gap_2216;
  std::int32_t reserved_2224;
  std::int32_t lift_of_distance;
  std::int32_t reserved_2232;
  std::array<std::uint8_t, 8> gap_2236;
  std::array<std::int32_t, kDpiStageCount> dpi_value;
  std::array<std::int32_t, kDpiStageCount> dpi_value_2;
  std::array<std::int32_t, kDpiStageCount> dpi_enable;
  std::int32_t brightness;
  std::int32_t breathspeed;
  std::int32_t sleep_timer;
  std::int32_t light_off;
  std::int32_t dpi_step;
  std::int32_t prate;
  std::int32_t move_mode;
  std::int32_t ripple_control;
  std::int32_t angle_snap;
  std::int32_t reserved_2376;
  std::int32_t light_mode;
  std::int32_t light_mode_ble;
  std::uint8_t reserved_2388;
  std::array<std::uint8_t, 3> gap_2389;
  std::int32_t key_debounce;
  Colour light_color;
  std::array<Colour, kDpiStageCount> dpi_color;
  std::array<Colour, kDpiStageCount> reserved_colors;
  std::array<ButtonAssignment, kButtonSlotCount> buttons;
};

inline constexpr std::size_t kButtonAssignmentSize = 1272;
inline constexpr std::size_t kProfileRecordSize = 32992;

// The struct is the file layout on every host we build for; the codec still encodes field by field.
static_assert(sizeof(ButtonAssignment) == kButtonAssignmentSize);
static_assert(sizeof(ProfileRecord) == kProfileRecordSize);
static_assert(offsetof(ButtonAssignment, shortcut_modifiers) == 7);
static_assert(offsetof(ButtonAssignment, reserved_562) == 8);
static_assert(offsetof(ButtonAssignment, macro_mode) == 12);
static_assert(offsetof(ButtonAssignment, macro_name) == 16);
static_assert(offsetof(ButtonAssignment, macro_repeat) == 64);
static_assert(offsetof(ButtonAssignment, macro_action_count) == 68);
static_assert(offsetof(ButtonAssignment, macro_index) == 1072);
static_assert(offsetof(ButtonAssignment, reserved_1076) == 1076);
static_assert(offsetof(ButtonAssignment, macro_reserved) == 1084);
static_assert(offsetof(ButtonAssignment, macro_actions) == 1088);
static_assert(offsetof(ProfileRecord, reserved_text_1) == 200);
static_assert(offsetof(ProfileRecord, reserved_text_2) == 1200);
static_assert(offsetof(ProfileRecord, reserved_2200) == 2200);
static_assert(offsetof(ProfileRecord, reserved_2208) == 2208);
static_assert(offsetof(ProfileRecord, reserved_2212) == 2212);
static_assert(offsetof(ProfileRecord, reserved_2224) == 2224);
static_assert(offsetof(ProfileRecord, lift_of_distance) == 2228);
static_assert(offsetof(ProfileRecord, dpi_value) == 2244);
static_assert(offsetof(ProfileRecord, dpi_value_2) == 2276);
static_assert(offsetof(ProfileRecord, dpi_enable) == 2308);
static_assert(offsetof(ProfileRecord, brightness) == 2340);
static_assert(offsetof(ProfileRecord, dpi_step) == 2356);
static_assert(offsetof(ProfileRecord, prate) == 2360);
static_assert(offsetof(ProfileRecord, move_mode) == 2364);
static_assert(offsetof(ProfileRecord, ripple_control) == 2368);
static_assert(offsetof(ProfileRecord, angle_snap) == 2372);
static_assert(offsetof(ProfileRecord, light_mode) == 2380);
static_assert(offsetof(ProfileRecord, light_mode_ble) == 2384);
static_assert(offsetof(ProfileRecord, reserved_2388) == 2388);
static_assert(offsetof(ProfileRecord, key_debounce) == 2392);
static_assert(offsetof(ProfileRecord, light_color) == 2396);
static_assert(offsetof(ProfileRecord, dpi_color) == 2400);
static_assert(offsetof(ProfileRecord, reserved_colors) == 2432);
static_assert(offsetof(ProfileRecord, buttons) == 2464);

// Default function code of button slots 0 to 17.
inline constexpr std::array<std::uint8_t, kMouseButtonCount> kDefaultButtonFunctions = {
    1, 2, 3, 6, 121, 6, 4, 5, 121, 0, 0, 0, 0, 0, 0, 0, 12, 11};

// A record with every byte zero, as a new record starts before its defaults.
ProfileRecord ZeroProfileRecord();
// Writes the defaults of every field except the name and the gaps before the button area; the
// whole button area is rewritten.
void SetDefaults(ProfileRecord& record);
// Restores the DPI stages (values, second copy, switches, colours) and the current stage.
void ResetDpiDefaults(ProfileRecord& record);

std::u16string ProfileName(const ProfileRecord& record);

// Whether DPI stage i (0 to 7) is in the mouse's cycle: switched on and given a value.
inline bool StageIsOn(const ProfileRecord& record, int i) {
  return record.dpi_enable[std::size_t(i)] == 1 && record.dpi_value[std::size_t(i)] != 0;
}
// Why stage i (0 to 7) cannot be switched off, or nullptr when it can: the current stage must stay
// in the cycle, and the cycle keeps one stage at least.
const char* StageOffRefusal(const ProfileRecord& record, int i);
// Switches stage i in or out of the cycle; false, changing nothing, when StageOffRefusal refuses.
// A stage switched on without a value gets that of stage 1's default, 800 DPI.
bool SwitchStage(ProfileRecord& record, int i, bool on);
void SetProfileName(ProfileRecord& record, std::u16string_view name);

// DPI stage values: 1..200 are value x 50 DPI, 201..220 are value x 100 - 10,000 DPI, 0 is unset.
inline constexpr int kMaxStageValue = 220;
int ClampStageValue(int stage_value);  // a stored value above 220 counts as 220, below 0 as 0
int StageValueToDpi(int stage_value);
int DpiToStageValue(int dpi);

constexpr Colour MakeColour(int red, int green, int blue) {
  return Colour(red & 0xFF) | Colour(green & 0xFF) << 8 | Colour(blue & 0xFF) << 16;
}
constexpr int RedOf(Colour colour) {
  return int(colour & 0xFF);
}
constexpr int GreenOf(Colour colour) {
  return int((colour >> 8) & 0xFF);
}
constexpr int BlueOf(Colour colour) {
  return int((colour >> 16) & 0xFF);
}
// Controls take 0xFFRRGGBB.
constexpr std::uint32_t ColourToArgb(Colour colour) {
  return 0xFF000000u | std::uint32_t(RedOf(colour)) << 16 | std::uint32_t(GreenOf(colour)) << 8 |
         std::uint32_t(BlueOf(colour));
}
constexpr Colour ArgbToColour(std::uint32_t argb) {
  return MakeColour(int((argb >> 16) & 0xFF), int((argb >> 8) & 0xFF), int(argb & 0xFF));
}
std::string ColourToHex(Colour colour);                   // "#RRGGBB"
bool ParseHexColour(std::string_view text, Colour& out);  // "#RRGGBB" or "RRGGBB"

}  // namespace melko
