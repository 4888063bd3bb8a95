#include "vmouse/settings_reports.h"

#include <algorithm>
#include <array>

#include "vmouse/dpi_code.h"

namespace melko::vmouse {
namespace {

std::string StageText(int index) {
  return "stage " + std::to_string(index + 1);
}

// Stage value from the sensor code and range flag of one stage.
Problem DecodeStage(int index, std::uint8_t code, std::uint8_t flag, std::uint8_t& value) {
  if (flag > 1) return StageText(index) + ": range flag " + HexByte(flag) + " is neither 0 nor 1";
  if (code == 0) {
    if (flag) return StageText(index) + ": range flag set on an unset stage";
    value = 0;
    return {};
  }
  const int base = StageValueOfCode(code);
  if (base == 0) return StageText(index) + ": " + HexByte(code) + " is not a sensor code";
  if (!flag) {
    value = std::uint8_t(base);
    return {};
  }
  if (base < 101 || base > 120) {
    return StageText(index) + ": sensor code " + HexByte(code) +
           " with the range flag lies outside 10,100 to 12,000 DPI";
  }
  value = std::uint8_t(base + 100);
  return {};
}

}  // namespace

Problem ApplyResetReport(Bytes report, Settings& settings) {
  static constexpr std::array<std::uint8_t, kResetLength> kReset = {0x0C, 0x0A, 0x01, 0xFE, 0x01,
                                                                    0xFE, 0x00, 0x00, 0x00, 0x00};
  if (auto p = CheckLength(report, kResetLength)) return p;
  if (!std::equal(kReset.begin(), kReset.end(), report.begin())) {
    return "reset report is " + HexBytes(report) + ", expected " + HexBytes(kReset);
  }
  settings = FactorySettings();
  return {};
}

Problem ApplyDpiReport(Bytes r, Settings& settings) {
  if (auto p = CheckLength(r, kDpiLength)) return p;
  if (auto p = CheckByteTwo(r)) return p;
  if (auto p = CheckZero(r, 6, 7, "DPI report")) return p;
  if (auto p = CheckZero(r, 52, 55, "DPI report")) return p;
  if (auto p = CheckChecksum(r, 50)) return p;
  if (r[49] != 0x01) return "byte 49 is " + HexByte(r[49]) + ", expected 0x01";
  if (r[24] < 1 || r[24] > kStageCount) {
    return "current stage " + std::to_string(r[24]) + " is not 1 to 8";
  }
  std::array<std::uint8_t, kStageCount> values{};
  for (int i = 0; i < kStageCount; ++i) {
    if (auto p = DecodeStage(i, r[8 + i], r[16 + i], values[std::size_t(i)])) return p;
  }

  settings.angle_snap = r[3];
  settings.ripple_control = r[4];
  for (int i = 0; i < kStageCount; ++i) {
    DpiStage& stage = settings.stages[std::size_t(i)];
    stage.value = values[std::size_t(i)];
    stage.high_range = r[16 + i] == 1;
    stage.enabled = (r[5] >> i) & 1;
    const std::size_t at = 25 + 3 * std::size_t(i);
    stage.color = {r[at], r[at + 1], r[at + 2]};
  }
  settings.current_stage = r[24];
  return {};
}

Problem ApplyLightReport(Bytes r, Settings& settings) {
  if (auto p = CheckLength(r, kLightLength)) return p;
  if (auto p = CheckByteTwo(r)) return p;
  if (auto p = CheckZero(r, 13, 14, "light report")) return p;
  if (auto p = CheckChecksum(r, 11)) return p;
  if (r[3] & 0x0F) return "light mode byte " + HexByte(r[3]) + " has low bits set";
  const int mode = r[3] >> 4;
  const bool carries_brightness = mode == 1 || mode == 9;
  const int brightness_nibble = r[5] & 0x0F;
  if (!carries_brightness && brightness_nibble != 8) {
    return "light mode " + std::to_string(mode) + " carries " + std::to_string(brightness_nibble) +
           " in place of the brightness, expected 8";
  }

  settings.light_mode = mode;
  if (carries_brightness) settings.brightness = brightness_nibble;
  settings.breathspeed = 9 - (r[4] & 0x0F);
  settings.sleep_timer = std::uint8_t((r[4] & 0xF0) | (r[5] >> 4));
  settings.light_color = {r[6], r[7], r[8]};
  settings.light_off = r[9];
  settings.key_debounce = r[10];
  return {};
}

Problem ApplyRateReport(Bytes r, Settings& settings) {
  if (auto p = CheckLength(r, kRateLength)) return p;
  if (auto p = CheckByteTwo(r)) return p;
  if (auto p = CheckZero(r, 5, 8, "rate report")) return p;
  const std::uint8_t code = r[3];
  if (code != 1 && code != 2 && code != 4 && code != 8) {
    return "rate code " + HexByte(code) + " is not 1, 2, 4 or 8";
  }
  if (r[4] != std::uint8_t(~code)) {
    return "byte 4 is " + HexByte(r[4]) + ", expected the complement " +
           HexByte(std::uint8_t(~code));
  }
  settings.rate_code = code;
  return {};
}

Problem ApplyButtonsReport(Bytes r, Settings& settings) {
  if (auto p = CheckLength(r, kButtonsLength)) return p;
  if (auto p = CheckByteTwo(r)) return p;
  if (auto p = CheckChecksum(r, 57)) return p;
  std::array<ButtonEntry, kButtonCount> entries{};
  for (int slot = 0; slot < kButtonCount; ++slot) {
    const std::size_t at = 3 + 3 * std::size_t(slot);
    ButtonEntry& entry = entries[std::size_t(slot)];
    entry = {r[at], r[at + 1], r[at + 2]};
    // A macro entry names the button whose macro report it plays: its own.
    const ButtonEntry own_macro = {0x12, 0x00, std::uint8_t(slot + 1)};
    if (entry[0] == 0x12 && entry != own_macro) {
      return "button " + std::to_string(slot + 1) + ": macro entry " + HexBytes(entry) +
             ", expected " + HexBytes(own_macro);
    }
  }
  settings.buttons = entries;
  return {};
}

}  // namespace melko::vmouse
