#include "protocol/dirty_blocks.h"

#include <cstring>

namespace melko {

DirtyBlocks DirtyBlocks::All() {
  DirtyBlocks all;
  all.dpi = all.light = all.rate = all.buttons = true;
  all.macro.fill(true);
  return all;
}

DirtyBlocks DetectChanges(const ProfileRecord& now, const ProfileRecord& before) {
  DirtyBlocks dirty;
  dirty.rate = now.prate != before.prate;
  dirty.dpi = now.dpi_step != before.dpi_step || now.reserved_2224 != before.reserved_2224 ||
              now.lift_of_distance != before.lift_of_distance ||
              now.reserved_2232 != before.reserved_2232 ||
              now.ripple_control != before.ripple_control || now.angle_snap != before.angle_snap ||
              now.dpi_value != before.dpi_value || now.dpi_value_2 != before.dpi_value_2 ||
              now.dpi_enable != before.dpi_enable || now.dpi_color != before.dpi_color;
  dirty.light = now.light_mode != before.light_mode ||
                now.light_mode_ble != before.light_mode_ble ||
                now.breathspeed != before.breathspeed || now.brightness != before.brightness ||
                now.key_debounce != before.key_debounce || now.light_color != before.light_color ||
                now.sleep_timer != before.sleep_timer || now.light_off != before.light_off;
  // The struct mirrors the record byte for byte, gaps included, so the button area compares as
  // memory.
  dirty.buttons = std::memcmp(now.buttons.data(), before.buttons.data(), sizeof now.buttons) != 0;
  for (std::size_t slot = 0; slot < dirty.macro.size(); ++slot) {
    const ButtonAssignment& a = now.buttons[slot];
    const ButtonAssignment& b = before.buttons[slot];
    dirty.macro[slot] =
        a.macro_mode != b.macro_mode || a.macro_repeat != b.macro_repeat ||
        a.macro_reserved != b.macro_reserved || a.gap_1085 != b.gap_1085 ||
        std::memcmp(a.macro_actions.data(), b.macro_actions.data(), sizeof a.macro_actions) != 0;
  }
  return dirty;
}

}  // namespace melko
