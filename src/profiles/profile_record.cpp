#include "profiles/profile_record.h"

#include <cstdio>
#include <cstring>

#include "common/text.h"

namespace melko {
namespace {

constexpr std::array<std::int32_t, kDpiStageCount> kDefaultStageValues = {16, 32,  48,  64,
                                                                          96, 144, 220, 0};
constexpr std::array<std::int32_t, kDpiStageCount> kDefaultStageEnable = {1, 1, 1, 1, 1, 1, 1, 0};
constexpr std::array<Colour, kDpiStageCount> kDefaultStageColours = {
    MakeColour(255, 0, 0),     MakeColour(0, 255, 0),    MakeColour(0, 0, 255),
    MakeColour(0, 255, 255),   MakeColour(255, 255, 0),  MakeColour(255, 0, 255),
    MakeColour(255, 255, 255), MakeColour(255, 255, 255)};
constexpr std::array<Colour, kDpiStageCount> kDefaultReservedColours = {
    MakeColour(255, 0, 0),     MakeColour(0, 255, 0),   MakeColour(0, 0, 255),
    MakeColour(255, 0, 255),   MakeColour(255, 255, 0), MakeColour(255, 255, 255),
    MakeColour(255, 255, 255), MakeColour(255, 128, 0)};

}  // namespace

ProfileRecord ZeroProfileRecord() {
  ProfileRecord record;
  std::memset(static_cast<void*>(&record), 0, sizeof record);
  return record;
}

void SetDefaults(ProfileRecord& record) {
  record.reserved_text_1.fill(u'\0');
  record.reserved_text_2.fill(u'\0');
  record.reserved_2200 = 420;
  record.reserved_2204 = 3;
  record.reserved_2208 = 0;
  record.reserved_2212 = 6;
  record.reserved_2224 = 0;
  record.lift_of_distance = 0;
  record.reserved_2232 = 0;
  record.brightness = 8;
  record.breathspeed = 6;
  record.sleep_timer = 10;
  record.light_off = 1;
  record.prate = 3;
  record.move_mode = 0;
  record.ripple_control = 1;
  record.angle_snap = 0;
  record.reserved_2376 = 1;
  record.light_mode = 0;
  record.light_mode_ble = 3;
  record.reserved_2388 = 1;
  record.key_debounce = 4;
  record.light_color = MakeColour(0, 0, 255);
  record.reserved_colors = kDefaultReservedColours;
  ResetDpiDefaults(record);

  std::memset(static_cast<void*>(record.buttons.data()), 0, sizeof record.buttons);
  for (int slot = 0; slot < kMouseButtonCount; ++slot) {
    ButtonAssignment& button = record.buttons[std::size_t(slot)];
    button.index = std::uint8_t(slot);
    button.function = kDefaultButtonFunctions[std::size_t(slot)];
    button.reserved_arg = 0;
    button.macro_index = -1;
    button.reserved_1076 = -1;
    button.reserved_562 = 562;
  }
}

void ResetDpiDefaults(ProfileRecord& record) {
  record.dpi_step = 1;
  record.dpi_value = kDefaultStageValues;
  record.dpi_value_2 = kDefaultStageValues;
  record.dpi_enable = kDefaultStageEnable;
  record.dpi_color = kDefaultStageColours;
}

const char* StageOffRefusal(const ProfileRecord& record, int i) {
  if (i == record.dpi_step) return "it is the current stage";
  for (int other = 0; other < kDpiStageCount; ++other) {
    if (other != i && StageIsOn(record, other)) return nullptr;
  }
  return "it is the last stage on";
}

bool SwitchStage(ProfileRecord& record, int i, bool on) {
  const auto at = std::size_t(i);
  if (!on) {
    if (StageOffRefusal(record, i)) return false;
    record.dpi_enable[at] = 0;
    return true;
  }
  record.dpi_enable[at] = 1;
  if (record.dpi_value[at] == 0) record.dpi_value[at] = kDefaultStageValues[0];
  return true;
}

std::u16string ProfileName(const ProfileRecord& record) {
  return ReadFixedText(record.name);
}

void SetProfileName(ProfileRecord& record, std::u16string_view name) {
  WriteFixedText(record.name, name);
}

int ClampStageValue(int stage_value) {
  return stage_value < 0 ? 0 : stage_value > kMaxStageValue ? kMaxStageValue : stage_value;
}

int StageValueToDpi(int stage_value) {
  const int value = ClampStageValue(stage_value);
  return value > 200 ? value * 100 - 10000 : value * 50;
}

int DpiToStageValue(int dpi) {
  if (dpi >= 12000) return kMaxStageValue;
  if (dpi <= 50) return 1;
  if (dpi > 10000) return 200 + (dpi - 10000) / 100;
  return dpi / 50;
}

std::string ColourToHex(Colour colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", RedOf(colour), GreenOf(colour), BlueOf(colour));
  return text;
}

bool ParseHexColour(std::string_view text, Colour& out) {
  if (!text.empty() && text.front() == '#') text.remove_prefix(1);
  if (text.size() != 6) return false;
  std::uint32_t rgb = 0;
  for (char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return false;
    rgb = rgb << 4 | std::uint32_t(digit);
  }
  out = ArgbToColour(rgb);
  return true;
}

}  // namespace melko
