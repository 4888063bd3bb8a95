// Change detection, field by field: which block each field of the profile belongs to.
#include "protocol/dirty_blocks.h"

#include <gtest/gtest.h>

#include <functional>

#include "profiles/profile_store.h"

namespace melko {
namespace {

// "rate", "dpi", "light", "buttons", "buttons macro5" or "" for nothing.
std::string Marked(const DirtyBlocks& blocks) {
  std::string text = std::string(blocks.rate ? " rate" : "") + (blocks.dpi ? " dpi" : "") +
                     (blocks.light ? " light" : "") + (blocks.buttons ? " buttons" : "");
  for (std::size_t slot = 0; slot < blocks.macro.size(); ++slot) {
    if (blocks.macro[slot]) text += " macro" + std::to_string(slot + 1);
  }
  return text.empty() ? text : text.substr(1);
}

#define ROW(edit, marked)                            \
  {                                                  \
#edit, [](ProfileRecord & r) { r.edit; }, marked \
  }

TEST(DetectChanges, EachFieldMarksExactlyItsBlock) {
  const struct {
    const char* edit;
    std::function<void(ProfileRecord&)> apply;
    const char* marked;
  } rows[] = {
      {"nothing", [](ProfileRecord&) {}, ""},
      {"name", [](ProfileRecord& r) { SetProfileName(r, u"Renamed"); }, ""},
      ROW(move_mode = 1, ""),
      ROW(reserved_2376 = 5, ""),
      ROW(reserved_2200 = 5, ""),
      ROW(reserved_colors[0] = 1, ""),
      ROW(prate = 0, "rate"),
      ROW(dpi_step = 3, "dpi"),
      ROW(reserved_2224 = 1, "dpi"),
      ROW(lift_of_distance = 1, "dpi"),
      ROW(reserved_2232 = 1, "dpi"),
      ROW(ripple_control = 0, "dpi"),
      ROW(angle_snap = 1, "dpi"),
      ROW(dpi_value[7] = 9, "dpi"),
      ROW(dpi_value_2[7] = 9, "dpi"),
      ROW(dpi_enable[0] = 0, "dpi"),
      ROW(dpi_color[7] = 0, "dpi"),
      ROW(light_mode = 3, "light"),
      ROW(light_mode_ble = 1, "light"),
      ROW(breathspeed = 1, "light"),
      ROW(brightness = 1, "light"),
      ROW(key_debounce = 1, "light"),
      ROW(light_color = 1, "light"),
      ROW(sleep_timer = 1, "light"),
      ROW(light_off = 4, "light"),
      ROW(buttons[2].function = 9, "buttons"),
      ROW(buttons[1].macro_name[0] = u'X', "buttons"),
      ROW(buttons[1].macro_index = 4, "buttons"),
      ROW(buttons[1].macro_action_count = 4, "buttons"),
      ROW(buttons[20].function = 1, "buttons"),  // a slot past the mouse's buttons
      ROW(buttons[4].macro_mode = 2, "buttons macro5"),
      ROW(buttons[17].macro_repeat = 3, "buttons macro18"),
      ROW(buttons[3].macro_reserved = 1, "buttons macro4"),
      ROW(buttons[0].gap_1085[2] = 1, "buttons macro1"),
      ROW(buttons[9].macro_actions[45].delay = 7, "buttons macro10"),
  };
  const auto before = MakeDefaultProfile(u"P");
  for (const auto& row : rows) {
    auto now = std::make_unique<ProfileRecord>(*before);
    row.apply(*now);
    EXPECT_EQ(Marked(DetectChanges(*now, *before)), row.marked) << row.edit;
  }
  EXPECT_EQ(DetectChanges(*before, *before), DirtyBlocks{});
}

}  // namespace
}  // namespace melko
