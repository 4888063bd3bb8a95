#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "device/messages.h"
#include "profiles/data_folder.h"
#include "unit/device/apply_rig.h"

namespace melko {
namespace {

using testing::ApplyRig;

std::vector<std::uint8_t> Hex(const char* text) {
  std::vector<std::uint8_t> bytes;
  for (const char* p = text; *p;) {
    if (*p == ' ') {
      ++p;
      continue;
    }
    bytes.push_back(std::uint8_t(std::stoi(std::string(p, 2), nullptr, 16)));
    p += 2;
  }
  return bytes;
}

std::vector<std::string> ReportIds(const vmouse::Firmware& firmware) {
  std::vector<std::string> ids;
  for (const auto& write : firmware.log()) {
    char id[8];
    std::snprintf(id, sizeof id, "%02x%s", write.bytes.empty() ? 0 : write.bytes[0],
                  write.valid ? "" : "!");
    ids.push_back(id);
  }
  return ids;
}

class ApplyEngineTest : public ::testing::Test {
 protected:
  void CableUp() { rig.links.wired_state = kLinkConnected; }
  ApplyRig rig;
};

// The reports a full apply of the default profile must put on the mouse, in order.
TEST_F(ApplyEngineTest, FullApplyOfTheDefaultsSendsTheDocumentedReportsWithTheirPacing) {
  CableUp();
  rig.session.full_apply = 1;
  ASSERT_TRUE(rig.engine.Apply());

  const std::vector<std::vector<std::uint8_t>> expected = {
      Hex("0C 0A 01 FE 01 FE 00 00 00 00"),
      Hex("04 38 01 00 01 7F 00 00 12 25 38 4B 70 A9 8D 00 00 00 00 00 00 00 01 00 02"
          " FF 00 00 00 FF 00 00 00 FF 00 FF FF FF FF 00 FF 00 FF FF FF FF FF FF FF 01 11 D5"
          " 00 00 00 00"),
      Hex("05 0F 01 00 03 A8 00 00 FF 01 04 01 AF 00 00"),
      Hex("06 09 01 01 FE 00 00 00 00"),
      Hex("08 3B 01 02 00 00 03 00 00 04 00 00 0D 00 00 3C 00 00 0D 00 00 06 00 00 05 00 00"
          " 3C 00 00 01 00 00 01 00 00 01 00 00 01 00 00 01 00 00 01 00 00 01 00 00"
          " 0A 00 00 09 00 00 00 C0"),
  };
  const auto& log = rig.firmware.log();
  ASSERT_EQ(log.size(), expected.size());
  for (std::size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(log[i].bytes, expected[i]) << "report " << i;
    EXPECT_TRUE(log[i].valid) << log[i].reason;
    EXPECT_EQ(log[i].link, vmouse::Link::kWired);
    EXPECT_EQ(log[i].t_ms, std::int64_t(500 * i)) << "each report waits 500 ms after the last";
  }
  EXPECT_EQ(rig.clock.Now(), 2500);
  EXPECT_EQ(rig.session.full_apply, 0);

  // Around the reports: watchdog stopped then restarted, the ring shown then hidden.
  const auto timer_calls = rig.timers.Calls();
  ASSERT_EQ(timer_calls.size(), 2u);
  EXPECT_EQ(timer_calls[0], "stop 512");
  EXPECT_EQ(timer_calls[1], "start 512 6000");
  EXPECT_EQ(rig.controls.Calls(), (std::vector<std::string>{"show apply_ring", "hide apply_ring"}));
}

TEST_F(ApplyEngineTest, OnlyTheChangedBlockIsSentAndTheStoreIsSaved) {
  CableUp();
  rig.session.WithCurrent([](ProfileRecord& current) { current.prate = 1; });
  rig.engine.Apply();
  EXPECT_EQ(ReportIds(rig.firmware), (std::vector<std::string>{"06"}));
  EXPECT_EQ(rig.session.AppliedSnapshot().prate, 1);

  // move_mode belongs to no block: nothing is sent, but the store is written.
  rig.firmware.ClearLog();
  rig.session.WithCurrent([](ProfileRecord& current) { current.move_mode = 1; });
  rig.engine.Apply();
  EXPECT_TRUE(rig.firmware.log().empty());
  ProfileStore stored;
  LoadProfiles(stored, rig.dir.path());
  EXPECT_EQ(stored.profiles[0]->move_mode, 1);
  EXPECT_EQ(stored.profiles[0]->prate, 1);
}

TEST_F(ApplyEngineTest, OverBluetoothTheRateReportIsNeverSent) {
  rig.links.ble_present = 1;
  rig.session.WithCurrent([](ProfileRecord& current) {
    current.prate = 0;
    current.brightness = 2;
  });
  rig.engine.Apply();
  EXPECT_EQ(ReportIds(rig.firmware), (std::vector<std::string>{"05"}));
  EXPECT_EQ(rig.firmware.log()[0].link, vmouse::Link::kBle);
}

TEST_F(ApplyEngineTest, ProfileSwitchSendsEverythingAndTheMacroOfEachMacroButton) {
  CableUp();
  rig.session.Sync([](ProfileStore& store, MacroStore&) {
    auto other = MakeDefaultProfile(u"Other");
    ButtonAssignment& button = other->buttons[3];
    button.function = kFunctionMacro;
    button.macro_action_count = 2;
    button.macro_actions[0] = {4, 1, 30};
    button.macro_actions[1] = {4, 2, 30};
    store.profiles.push_back(std::move(other));
    store.selected_index = 1;
  });
  rig.session.full_apply = 1;
  rig.engine.Apply();
  // Reset, the four blocks, then the macro of button 4 in its three chunks.
  EXPECT_EQ(ReportIds(rig.firmware),
            (std::vector<std::string>{"0c", "04", "05", "06", "08", "09", "09", "09"}));
  EXPECT_TRUE(rig.firmware.settings().macros[3].has_value());
}

TEST_F(ApplyEngineTest, ReassigningTheSameMacroSendsOnlyTheButtons) {
  CableUp();
  auto assign = [](int index) {
    return [index](ProfileRecord& current) {
      ButtonAssignment& button = current.buttons[5];
      button.function = kFunctionMacro;
      button.macro_index = index;
      button.macro_action_count = 1;
      button.macro_actions[0] = {5, 1, 10};
    };
  };
  rig.session.WithCurrent(assign(0));
  rig.engine.Apply();
  EXPECT_EQ(ReportIds(rig.firmware), (std::vector<std::string>{"08", "09", "09", "09"}));
  rig.firmware.ClearLog();
  rig.session.WithCurrent(assign(2));
  rig.engine.Apply();
  EXPECT_EQ(ReportIds(rig.firmware), (std::vector<std::string>{"08"}));
}

TEST_F(ApplyEngineTest, BlockedApplySendsSavesAndShowsNothing) {
  CableUp();
  rig.links.apply_blocked = 1;
  rig.session.WithCurrent([](ProfileRecord& current) { current.prate = 0; });
  const auto stored_before = testing::ReadAll(ProfileStorePath(rig.dir.path()));
  EXPECT_FALSE(rig.engine.Apply());
  EXPECT_TRUE(rig.firmware.log().empty());
  EXPECT_TRUE(rig.controls.Calls().empty());
  EXPECT_TRUE(rig.timers.Calls().empty());
  EXPECT_EQ(testing::ReadAll(ProfileStorePath(rig.dir.path())), stored_before);
  EXPECT_EQ(rig.session.AppliedSnapshot().prate, 3);
}

TEST_F(ApplyEngineTest, AnEditDuringAnApplyIsSentByTheNextOne) {
  CableUp();
  rig.session.WithCurrent([](ProfileRecord& current) { current.dpi_step = 4; });
  // While the first report's wait runs, the user moves the brightness slider.
  bool edited = false;
  rig.clock.SetSleepHook([&](std::int64_t) {
    if (edited) return;
    edited = true;
    rig.session.WithCurrent([](ProfileRecord& current) { current.brightness = 1; });
  });
  rig.engine.Apply();
  EXPECT_EQ(ReportIds(rig.firmware), (std::vector<std::string>{"04"}));
  EXPECT_EQ(rig.session.AppliedSnapshot().brightness, 8);  // the edit is not recorded as applied

  rig.firmware.ClearLog();
  rig.engine.Apply();
  EXPECT_EQ(ReportIds(rig.firmware), (std::vector<std::string>{"05"}));
}

// The user presses the DPI button while a full apply runs: the stage the mouse chose stays in both
// copies, so the next apply has nothing to send back.
TEST_F(ApplyEngineTest, AStageTheMouseChoosesDuringAnApplyIsNotSentBack) {
  CableUp();
  rig.session.full_apply = 1;
  rig.clock.SetSleepHook([&](std::int64_t now) {
    if (now != 1000) return;
    rig.firmware.PressDpiButton();
    rig.session.TakeOverMouseChange([](ProfileRecord& record) { record.dpi_step = 2; });
  });
  rig.engine.Apply();
  rig.clock.SetSleepHook({});
  EXPECT_EQ(rig.session.AppliedSnapshot().dpi_step, 2);
  EXPECT_EQ(rig.session.CurrentSnapshot().dpi_step, 2);
  rig.firmware.ClearLog();
  rig.engine.Apply();
  EXPECT_TRUE(rig.firmware.log().empty());
}

TEST_F(ApplyEngineTest, AFullApplyRequestedDuringAnApplyIsKeptForTheNextOne) {
  CableUp();
  rig.session.full_apply = 1;
  rig.clock.SetSleepHook([&](std::int64_t now) {
    if (now == 500) rig.session.full_apply = 1;  // a profile switch while the reset waits
  });
  rig.engine.Apply();
  EXPECT_EQ(rig.session.full_apply, 1);
}

TEST_F(ApplyEngineTest, OverTheReceiverAReportRepeatsUntilTheMouseAcknowledges) {
  rig.links.wireless_state = kLinkConnected;
  rig.links.wireless_online = 1;
  rig.firmware.SetAckPolicy({vmouse::AckMode::kAfterCopies, 3});
  rig.session.WithCurrent([](ProfileRecord& current) { current.prate = 2; });
  rig.engine.Apply();
  EXPECT_EQ(ReportIds(rig.firmware), (std::vector<std::string>{"06", "06", "06"}));

  rig.firmware.ClearLog();
  rig.firmware.SetAckPolicy({vmouse::AckMode::kNever, 1});
  rig.session.WithCurrent([](ProfileRecord& current) { current.prate = 1; });
  const std::int64_t start = rig.clock.Now();
  rig.engine.Apply();
  EXPECT_EQ(rig.firmware.log().size(), 10u);
  EXPECT_EQ(rig.clock.Now() - start, 10 * 500 + 500);
}

TEST_F(ApplyEngineTest, ThreadRunsQueuedRequestsInTurnAndDropsThemWhileNoLinkIsUp) {
  std::mutex mutex;
  std::condition_variable done;
  std::vector<bool> runs;
  rig.engine.SetRunObserver([&](bool applied) {
    std::lock_guard lock(mutex);
    runs.push_back(applied);
    done.notify_all();
  });
  auto wait_for_runs = [&](std::size_t count) {
    std::unique_lock lock(mutex);
    return done.wait_for(lock, std::chrono::seconds(20), [&] { return runs.size() >= count; });
  };
  rig.engine.StartApplyThread();
  rig.engine.RequestApply();  // no link: dropped
  ASSERT_TRUE(wait_for_runs(1));
  CableUp();
  rig.session.WithCurrent([](ProfileRecord& current) { current.light_mode = 2; });
  rig.engine.RequestApply();
  rig.session.WithCurrent([](ProfileRecord& current) { current.angle_snap = 1; });
  rig.engine.RequestApply();
  ASSERT_TRUE(wait_for_runs(3));
  rig.engine.StopApplyThread();
  EXPECT_EQ(runs, (std::vector<bool>{false, true, true}));
  EXPECT_EQ(rig.firmware.settings().angle_snap, 1);
}

}  // namespace
}  // namespace melko
