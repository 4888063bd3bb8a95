// The apply engine through the real send routine to the mouse's firmware model, in virtual time:
// what a blocked apply and edits made during an apply leave; and which blocks each field marks.
// That a change sends only its block, and macros with their button, is run end to end by the
// integration, Bluetooth LE and page tests.
#include "protocol/apply_engine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "device/driver_links.h"
#include "profiles/data_folder.h"
#include "profiles/profile_store.h"
#include "protocol/dirty_blocks.h"
#include "protocol/report_sender.h"
#include "support/device_fakes.h"
#include "support/test_support.h"
#include "vmouse/firmware.h"

namespace melko {
namespace {

using Ids = std::vector<std::string>;

class ApplyEngineTest : public ::testing::Test {
 protected:
  ApplyEngineTest() {
    testing::UseEnglishTexts();
    session.LoadProfileStore();
    session.LoadMacroStore();
    links.wired_state = kLinkConnected;
    fakes::FakeDriver(0).on_write = [this](std::span<const std::uint8_t> bytes) {
      firmware.Receive(vmouse::Link::kWired, bytes);
      return 1;
    };
  }
  void Edit(const std::function<void(ProfileRecord&)>& edit) { session.WithCurrent(edit); }
  // The report IDs the mouse received since the last call, "!" after a rejected one.
  Ids Received() {
    Ids ids;
    for (const auto& write : firmware.log()) {
      char id[8];
      std::snprintf(id, sizeof id, "%02x%s", write.bytes.empty() ? 0 : write.bytes[0],
                    write.valid ? "" : "!");
      ids.push_back(id);
    }
    firmware.ClearLog();
    return ids;
  }

  fakes::DeviceRig rig;
  ProfileSession& session = rig.session;
  LinkState& links = rig.links;
  fakes::VirtualClock& clock = rig.clock;
  fakes::FakeControls& controls = rig.controls;
  vmouse::Firmware firmware{[this] { return clock.Now(); }};
  DriverReportLinks report_links{rig.drivers, rig.ble};
  ReportSender sender{links, report_links, clock, rig.log};
  ApplyEngine engine{session, links, sender, controls, rig.poster};
};

TEST_F(ApplyEngineTest, BlockedApplySendsSavesAndShowsNothing) {
  links.apply_blocked = 1;
  Edit([](ProfileRecord& current) { current.prate = 0; });
  const auto stored_before = testing::ReadAll(ProfileStorePath(rig.dir.path()));
  EXPECT_FALSE(engine.Apply());
  EXPECT_TRUE(Received().empty());
  EXPECT_TRUE(controls.Calls().empty());
  EXPECT_TRUE(rig.poster.Posted().empty());
  EXPECT_EQ(testing::ReadAll(ProfileStorePath(rig.dir.path())), stored_before);
  EXPECT_EQ(session.AppliedSnapshot().prate, 3);
}

TEST_F(ApplyEngineTest, AnEditDuringAnApplyIsSentByTheNextOne) {
  Edit([](ProfileRecord& current) { current.dpi_step = 4; });
  // While the first report's wait runs, the user moves the brightness slider.
  clock.SetSleepHook([&](std::int64_t) {
    clock.SetSleepHook({});
    Edit([](ProfileRecord& current) { current.brightness = 1; });
  });
  engine.Apply();
  EXPECT_EQ(Received(), Ids{"04"});
  EXPECT_EQ(session.AppliedSnapshot().brightness, 8);  // the edit is not recorded as applied
  engine.Apply();
  EXPECT_EQ(Received(), Ids{"05"});
}

// The user presses the DPI button while a full apply runs: the stage the mouse chose stays in both
// copies, so the next apply has nothing to send back; a profile switch made meanwhile asks for
// the next apply to be a full one too.
TEST_F(ApplyEngineTest, WhatHappensDuringAFullApplyIsKeptForTheNextOne) {
  session.full_apply = 1;
  clock.SetSleepHook([&](std::int64_t now) {
    if (now == 500) session.full_apply = 1;
    if (now != 1000) return;
    firmware.PressDpiButton();
    session.TakeOverMouseChange([](ProfileRecord& record) { record.dpi_step = 2; });
  });
  engine.Apply();
  clock.SetSleepHook({});
  EXPECT_EQ(session.AppliedSnapshot().dpi_step, 2);
  EXPECT_EQ(session.CurrentSnapshot().dpi_step, 2);
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

#define ROW(edit, marked)                            \
  {                                                  \
#edit, [](ProfileRecord & r) { r.edit; }, marked \
  }

TEST(DetectChanges, EachFieldMarksExactlyItsBlock) {
  const std::tuple<const char*, std::function<void(ProfileRecord&)>, const char*> rows[] = {
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
  for (const auto& [edit, apply, marked] : rows) {
    auto now = std::make_unique<ProfileRecord>(*before);
    apply(*now);
    EXPECT_EQ(Marked(DetectChanges(*now, *before)), marked) << edit;
  }
  EXPECT_EQ(DetectChanges(*before, *before), DirtyBlocks{});
}
}  // namespace
}  // namespace melko
