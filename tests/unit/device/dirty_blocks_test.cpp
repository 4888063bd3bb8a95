#include "protocol/dirty_blocks.h"

#include <gtest/gtest.h>

#include <functional>

#include "profiles/profile_store.h"

namespace melko {
namespace {

struct Change {
  const char* what;
  std::function<void(ProfileRecord&)> edit;
  DirtyBlocks expected;
};

DirtyBlocks Only(bool DirtyBlocks::*flag) {
  DirtyBlocks blocks;
  blocks.*flag = true;
  return blocks;
}

DirtyBlocks ButtonsAndMacro(int slot) {
  DirtyBlocks blocks;
  blocks.buttons = true;
  blocks.macro[std::size_t(slot)] = true;
  return blocks;
}

TEST(DetectChanges, EachFieldMarksExactlyItsBlock) {
  const std::vector<Change> changes = {
      {"nothing", [](ProfileRecord&) {}, {}},
      {"name", [](ProfileRecord& r) { SetProfileName(r, u"Renamed"); }, {}},
      {"move_mode", [](ProfileRecord& r) { r.move_mode = 1; }, {}},
      {"reserved_2376", [](ProfileRecord& r) { r.reserved_2376 = 5; }, {}},
      {"prate", [](ProfileRecord& r) { r.prate = 0; }, Only(&DirtyBlocks::rate)},
      {"dpi_step", [](ProfileRecord& r) { r.dpi_step = 3; }, Only(&DirtyBlocks::dpi)},
      {"lift-off", [](ProfileRecord& r) { r.lift_of_distance = 1; }, Only(&DirtyBlocks::dpi)},
      {"second stage copy", [](ProfileRecord& r) { r.dpi_value_2[7] = 9; },
       Only(&DirtyBlocks::dpi)},
      {"stage colour", [](ProfileRecord& r) { r.dpi_color[7] = 0; }, Only(&DirtyBlocks::dpi)},
      {"ble light mode", [](ProfileRecord& r) { r.light_mode_ble = 1; }, Only(&DirtyBlocks::light)},
      {"debounce", [](ProfileRecord& r) { r.key_debounce = 1; }, Only(&DirtyBlocks::light)},
      {"light off", [](ProfileRecord& r) { r.light_off = 4; }, Only(&DirtyBlocks::light)},
      {"function", [](ProfileRecord& r) { r.buttons[2].function = 9; },
       Only(&DirtyBlocks::buttons)},
      {"macro name only", [](ProfileRecord& r) { r.buttons[1].macro_name[0] = u'X'; },
       Only(&DirtyBlocks::buttons)},
      {"macro index only", [](ProfileRecord& r) { r.buttons[1].macro_index = 4; },
       Only(&DirtyBlocks::buttons)},
      {"macro count only", [](ProfileRecord& r) { r.buttons[1].macro_action_count = 4; },
       Only(&DirtyBlocks::buttons)},
      {"unused slot 20", [](ProfileRecord& r) { r.buttons[20].function = 1; },
       Only(&DirtyBlocks::buttons)},
      {"macro mode", [](ProfileRecord& r) { r.buttons[4].macro_mode = 2; }, ButtonsAndMacro(4)},
      {"macro repeat", [](ProfileRecord& r) { r.buttons[17].macro_repeat = 3; },
       ButtonsAndMacro(17)},
      {"byte after macro_reserved", [](ProfileRecord& r) { r.buttons[0].gap_1085[2] = 1; },
       ButtonsAndMacro(0)},
      {"last macro step slot", [](ProfileRecord& r) { r.buttons[9].macro_actions[45].delay = 7; },
       ButtonsAndMacro(9)},
  };
  const auto before = MakeDefaultProfile(u"P");
  for (const Change& change : changes) {
    auto now = std::make_unique<ProfileRecord>(*before);
    change.edit(*now);
    EXPECT_EQ(DetectChanges(*now, *before), change.expected) << change.what;
  }
}

}  // namespace
}  // namespace melko
