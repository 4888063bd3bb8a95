#include "protocol/settings_reports.h"

#include <cstddef>

#include "protocol/button_codes.h"
#include "protocol/dpi_code.h"
#include "protocol/macro_entries.h"

namespace melko {
namespace {

// Fields are 32-bit signed; arithmetic on them is done unsigned so that no stored value overflows.
constexpr std::uint32_t Bits(std::int32_t value) {
  return std::uint32_t(value);
}
constexpr std::uint8_t Low(std::uint32_t value) {
  return std::uint8_t(value & 0xFF);
}

// Every byte not written later is 0; byte 2 is 0x01 except in the macro report.
Report NewReport(std::uint8_t id, std::size_t length) {
  Report report(length, 0);
  report[0] = id;
  report[1] = std::uint8_t(length);
  report[2] = 0x01;
  return report;
}

// The 16-bit sum of bytes first..last, written high byte first right after last.
void WriteChecksum(Report& report, std::size_t first, std::size_t last) {
  std::uint16_t sum = 0;
  for (std::size_t i = first; i <= last; ++i) sum = std::uint16_t(sum + report[i]);
  report[last + 1] = std::uint8_t(sum >> 8);
  report[last + 2] = std::uint8_t(sum & 0xFF);
}

void WriteColour(Report& report, std::size_t at, Colour colour) {
  report[at] = std::uint8_t(RedOf(colour));
  report[at + 1] = std::uint8_t(GreenOf(colour));
  report[at + 2] = std::uint8_t(BlueOf(colour));
}

}  // namespace

Report BuildResetReport() {
  Report report = NewReport(kResetReportId, kResetReportLength);
  report[3] = 0xFE;
  report[4] = 0x01;
  report[5] = 0xFE;
  return report;
}

Report BuildDpiReport(const ProfileRecord& record) {
  Report report = NewReport(kDpiReportId, kDpiReportLength);
  report[3] = Low(Bits(record.angle_snap));
  report[4] = Low(Bits(record.ripple_control));
  for (std::size_t stage = 0; stage < kDpiStageCount; ++stage) {
    if (record.dpi_enable[stage] == 1) report[5] |= std::uint8_t(1u << stage);
    // A value read from a damaged file may lie outside the table.
    const int value = ClampStageValue(record.dpi_value[stage]);
    report[8 + stage] = Low(Bits(DpiCode(value)));
    report[16 + stage] = value > 200 ? 1 : 0;
    WriteColour(report, 25 + 3 * stage, record.dpi_color[stage]);
  }
  report[24] = Low(Bits(record.dpi_step) + 1);
  report[49] = 0x01;
  WriteChecksum(report, 3, 49);
  return report;
}

Report BuildLightReport(const ProfileRecord& record) {
  Report report = NewReport(kLightReportId, kLightReportLength);
  // Bytes 3 to 5 are computed in 8 bits: the sleep timer's high nibble goes to byte 4, its low
  // nibble to the high half of byte 5.
  const bool shows_brightness = record.light_mode == 1 || record.light_mode == 9;
  report[3] = Low(Bits(record.light_mode) << 4);
  report[4] = Low((Bits(record.sleep_timer) & 0xF0) | (9u - Bits(record.breathspeed)));
  report[5] =
      Low(Bits(record.sleep_timer) << 4 | (shows_brightness ? Bits(record.brightness) : 8u));
  WriteColour(report, 6, record.light_color);
  report[9] = Low(Bits(record.light_off));
  report[10] = Low(Bits(record.key_debounce));
  WriteChecksum(report, 3, 10);
  return report;
}

namespace {
constexpr std::uint8_t kRateCodes[] = {8, 4, 2, 1};
}  // namespace

int PrateOfRateCode(int code) {
  for (int prate = 0; prate < 4; ++prate) {
    if (kRateCodes[prate] == code) return prate;
  }
  return -1;
}

Report BuildRateReport(const ProfileRecord& record) {
  Report report = NewReport(kRateReportId, kRateReportLength);
  const std::uint8_t code =
      record.prate >= 0 && record.prate <= 3 ? kRateCodes[std::size_t(record.prate)] : 2;
  report[3] = code;
  report[4] = std::uint8_t(~code);
  return report;
}

Report BuildButtonsReport(const ProfileRecord& record) {
  Report report = NewReport(kButtonsReportId, kButtonsReportLength);
  for (int slot = 0; slot < kMouseButtonCount; ++slot) {
    const ButtonBytes bytes = ButtonReportBytes(record.buttons[std::size_t(slot)], slot);
    for (std::size_t i = 0; i < bytes.size(); ++i) report[3 + 3 * std::size_t(slot) + i] = bytes[i];
  }
  WriteChecksum(report, 3, 56);
  return report;
}

Report BuildMacroReport(int button_number, const ButtonAssignment& button) {
  Report report = NewReport(kMacroReportId, kMacroReportLength);
  report[2] = Low(Bits(button_number));
  report[3] = Low(Bits(button.macro_mode));
  report[4] = report[5] = report[6] = button.macro_reserved;
  const std::uint8_t repeat = Low(Bits(button.macro_repeat));
  report[7] = repeat == 0 ? 1 : repeat;
  // The count matches the entries actually written, also for a macro cut to fit.
  const std::vector<MacroEntry> entries = MacroEntries(button);
  report[28] = std::uint8_t(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    report[29 + 2 * i] = entries[i].first;
    report[30 + 2 * i] = entries[i].second;
  }
  WriteChecksum(report, 3, 128);
  return report;
}

}  // namespace melko
