// That the mouse takes what is sent: the integration, Bluetooth LE and page tests.
#include "protocol/apply_engine.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "device/driver_links.h"
#include "profiles/data_folder.h"
#include "profiles/profile_store.h"
#include "protocol/dirty_blocks.h"
#include "protocol/report_sender.h"
#include "support/device_fakes.h"
#include "support/test_support.h"

namespace melko {
namespace {

using Ids = std::vector<int>;

class ApplyEngineTest : public ::testing::Test {
 protected:
  ApplyEngineTest() {
    testing::UseEnglishTexts();
    session.LoadProfileStore();
    session.LoadMacroStore();
    rig.links.wired_state = kLinkConnected;
  }
  void Edit(const std::function<void(ProfileRecord&)>& edit) { session.WithCurrent(edit); }
  // The report IDs written to the cable since the last call.
  Ids Received() {
    std::lock_guard lock(fakes::FakeDriver(0).mutex);
    Ids ids;
    for (const auto& write : std::exchange(fakes::FakeDriver(0).writes, {}))
      ids.push_back(write[0]);
    return ids;
  }

  fakes::DeviceRig rig;
  ProfileSession& session = rig.session;
  DriverReportLinks report_links{rig.drivers, rig.ble};
  ReportSender sender{rig.links, report_links, rig.clock, rig.log};
  ApplyEngine engine{session, rig.links, sender, rig.controls, rig.poster};
};

TEST_F(ApplyEngineTest, BlockedApplySendsSavesAndShowsNothing) {
  rig.links.apply_blocked = 1;
  Edit([](ProfileRecord& current) { current.prate = 0; });
  const auto stored_before = testing::ReadAll(ProfileStorePath(rig.dir.path()));
  EXPECT_FALSE(engine.Apply());
  EXPECT_TRUE(Received().empty() && rig.controls.Calls().empty() && rig.poster.Posted().empty());
  EXPECT_EQ(testing::ReadAll(ProfileStorePath(rig.dir.path())), stored_before);
  EXPECT_EQ(session.AppliedSnapshot().prate, 3);
}

TEST_F(ApplyEngineTest, AnEditDuringAnApplyIsSentByTheNextOne) {
  Edit([](ProfileRecord& current) { current.dpi_step = 4; });
  // While the first report's wait runs, the user moves the brightness slider.
  rig.clock.SetSleepHook([&](std::int64_t) {
    rig.clock.SetSleepHook({});
    Edit([](ProfileRecord& current) { current.brightness = 1; });
  });
  engine.Apply();
  EXPECT_EQ(Received(), Ids{0x04});
  engine.Apply();
  EXPECT_EQ(Received(), Ids{0x05});
}

// The user presses the DPI button while a full apply runs: the stage the mouse chose stays in both
// copies, so the next apply has nothing to send back; a profile switch made meanwhile asks for
// the next apply to be a full one too.
TEST_F(ApplyEngineTest, WhatHappensDuringAFullApplyIsKeptForTheNextOne) {
  session.full_apply = 1;
  rig.clock.SetSleepHook([&](std::int64_t now) {
    if (now == 500) session.full_apply = 1;
    if (now != 1000) return;
    session.TakeOverMouseChange([](ProfileRecord& record) { record.dpi_step = 2; });
  });
  engine.Apply();
  rig.clock.SetSleepHook({});
  EXPECT_EQ(session.AppliedSnapshot().dpi_step, 2);
  EXPECT_EQ(session.full_apply, 1);
  session.full_apply = 0;
  Received();
  engine.Apply();
  EXPECT_TRUE(Received().empty());
}

std::string Marked(const DirtyBlocks& blocks) {
  std::string text = std::string(blocks.rate ? " rate" : "") + (blocks.dpi ? " dpi" : "") +
                     (blocks.light ? " light" : "") + (blocks.buttons ? " buttons" : "");
  for (std::size_t slot = 0; slot < blocks.macro.size(); ++slot) {
    if (blocks.macro[slot]) text += " macro" + std::to_string(slot + 1);
  }
  return text.empty() ? text : text.substr(1);
}

using FieldEdit = std::pair<const char*, void (*)(ProfileRecord&)>;
#define EDIT(edit) FieldEdit(#edit, [](ProfileRecord& r) { r.edit; })

TEST(DetectChanges, EachFieldMarksExactlyItsBlock) {
  // The blocks marked, and the edits that each mark exactly those. A slot past the mouse's
  // buttons (20) still marks the buttons.
  const std::pair<const char*, std::vector<FieldEdit>> rows[] = {
      {"", {EDIT(move_mode = 1), EDIT(reserved_2376 = 5), EDIT(reserved_2200 = 5)}},
      {"", {EDIT(reserved_colors[0] = 1), {"name", [](auto& r) { SetProfileName(r, u"N"); }}}},
      {"rate", {EDIT(prate = 0)}},
      {"dpi",
       {EDIT(dpi_step = 3), EDIT(reserved_2224 = 1), EDIT(lift_of_distance = 1),
        EDIT(reserved_2232 = 1), EDIT(ripple_control = 0), EDIT(angle_snap = 1),
        EDIT(dpi_value[7] = 9), EDIT(dpi_value_2[7] = 9), EDIT(dpi_enable[0] = 0),
        EDIT(dpi_color[7] = 0)}},
      {"light",
       {EDIT(light_mode = 3), EDIT(light_mode_ble = 1), EDIT(breathspeed = 1), EDIT(brightness = 1),
        EDIT(key_debounce = 1), EDIT(light_color = 1), EDIT(sleep_timer = 1), EDIT(light_off = 4)}},
      {"buttons",
       {EDIT(buttons[2].function = 9), EDIT(buttons[1].macro_name[0] = u'X'),
        EDIT(buttons[1].macro_index = 4), EDIT(buttons[1].macro_action_count = 4),
        EDIT(buttons[20].function = 1)}},
      {"buttons macro5", {EDIT(buttons[4].macro_mode = 2)}},
      {"buttons macro18", {EDIT(buttons[17].macro_repeat = 3)}},
      {"buttons macro4", {EDIT(buttons[3].macro_reserved = 1)}},
      {"buttons macro1", {EDIT(buttons[0].gap_1085[2] = 1)}},
      {"buttons macro10", {EDIT(buttons[9].macro_actions[45].delay = 7)}},
  };
  const auto before = MakeDefaultProfile(u"P");
  for (const auto& [marked, edits] : rows) {
    for (const auto& [edit, apply] : edits) {
      auto now = std::make_unique<ProfileRecord>(*before);
      apply(*now);
      EXPECT_EQ(Marked(DetectChanges(*now, *before)), marked) << edit;
    }
  }
}
}  // namespace
}  // namespace melko
