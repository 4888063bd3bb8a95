#include "profiles/profile_codec.h"

#include <concepts>
#include <vector>

#include "common/layout_codec.h"
#include "macros/macro_layout.h"

namespace melko {
namespace {

template <class Visitor, class Button>
requires std::same_as<std::remove_const_t<Button>, ButtonAssignment>
void VisitButton(Visitor& visit, std::size_t base, Button& button) {
  visit(base + 0, button.index);
  visit(base + 1, button.function);
  visit(base + 2, button.reserved_arg);
  visit(base + 3, button.shortcut_key);
  visit(base + 4, button.gap_4);
  visit(base + 7, button.shortcut_modifiers);
  visit(base + 8, button.reserved_562);
  visit(base + 10, button.gap_10);
  visit(base + 12, button.macro_mode);
  visit(base + 16, button.macro_name);
  visit(base + 64, button.macro_repeat);
  visit(base + 68, button.macro_action_count);
  visit(base + 70, button.gap_70);
  visit(base + 1072, button.macro_index);
  visit(base + 1076, button.reserved_1076);
  visit(base + 1080, button.gap_1080);
  visit(base + 1084, button.macro_reserved);
  visit(base + 1085, button.gap_1085);
  VisitMacroActions(visit, base + 1088, button.macro_actions);
}

template <class Visitor, class Record>
requires std::same_as<std::remove_const_t<Record>, ProfileRecord>
void VisitProfile(Visitor& visit, Record& record) {
  visit(0, record.name);
  visit(200, record.reserved_text_1);
  visit(1200, record.reserved_text_2);
  visit(2200, record.reserved_2200);
  visit(2204, record.reserved_2204);
  visit(2208, record.reserved_2208);
  visit(2209, record.gap_2209);
  visit(2212, record.reserved_2212);
  visit(2216, record.gap_2216);
  visit(2224, record.reserved_2224);
  visit(2228, record.lift_of_distance);
  visit(2232, record.reserved_2232);
  visit(2236, record.gap_2236);
  visit(2244, record.dpi_value);
  visit(2276, record.dpi_value_2);
  visit(2308, record.dpi_enable);
  visit(2340, record.brightness);
  visit(2344, record.breathspeed);
  visit(2348, record.sleep_timer);
  visit(2352, record.light_off);
  visit(2356, record.dpi_step);
  visit(2360, record.prate);
  visit(2364, record.move_mode);
  visit(2368, record.ripple_control);
  visit(2372, record.angle_snap);
  visit(2376, record.reserved_2376);
  visit(2380, record.light_mode);
  visit(2384, record.light_mode_ble);
  visit(2388, record.reserved_2388);
  visit(2389, record.gap_2389);
  visit(2392, record.key_debounce);
  visit(2396, record.light_color);
  visit(2400, record.dpi_color);
  visit(2432, record.reserved_colors);
  for (std::size_t slot = 0; slot < record.buttons.size(); ++slot) {
    VisitButton(visit, 2464 + kButtonAssignmentSize * slot, record.buttons[slot]);
  }
}

}  // namespace

void EncodeProfile(const ProfileRecord& record, std::span<std::uint8_t, kProfileRecordSize> out) {
  LayoutEncoder encoder(out.data());
  VisitProfile(encoder, record);
}

void DecodeProfile(std::span<const std::uint8_t, kProfileRecordSize> bytes, ProfileRecord& record) {
  LayoutDecoder decoder(bytes.data());
  VisitProfile(decoder, record);
}

}  // namespace melko
