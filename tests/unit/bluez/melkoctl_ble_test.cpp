// melkoctl over Bluetooth LE: the real binary finds melko-vmouse's mock BlueZ through
// DBUS_SYSTEM_BUS_ADDRESS, with neither the cable nor the receiver there.
#include <gtest/gtest.h>

#include "profiles/profile_store.h"
#include "protocol/settings_reports.h"
#include "unit/bluez/bluez_harness.h"

namespace melko::bluez::test {
namespace {

using ::melko::testing::ProgramRun;

class MelkoctlOverBluetooth : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(vmouse_.started()); }
  // The private bus as the system bus and the mouse's socket (with no cable nor receiver in), or
  // neither a bus nor a mouse.
  std::map<std::string, std::string> Environment(bool mouse = true) const {
    return {{"DBUS_SYSTEM_BUS_ADDRESS",
             mouse ? bus_.address() : "unix:path=" + (folder_ / "no-bus").string()},
            {"MELKO_VMOUSE", mouse ? vmouse_.socket_path() : (folder_ / "no-mouse").string()},
            {"XDG_CONFIG_HOME", (folder_ / "config").string()}};
  }
  std::vector<std::string> Command(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{MELKO_BIN_DIR "/melkoctl", "--data-dir",
                                  (folder_ / "data").string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
  }
  ProgramRun Run(const std::vector<std::string>& args, bool mouse = true) {
    return ::melko::testing::RunProgram(Command(args), Environment(mouse), 30000);
  }

  melko::testing::TempDir folder_;
  PrivateBus bus_{folder_.path()};
  VmouseProcess vmouse_{{"--ble"}, bus_.address()};
};

TEST_F(MelkoctlOverBluetooth, StatusAndApplyOverBluetoothLeWriteEveryReportButTheRateAndOnlyThere) {
  const ProgramRun status = Run({"status", "--wait", "0"});
  EXPECT_EQ(status.exit_code, 0);
  EXPECT_NE(status.out.find("Bluetooth LE: connected\n"), std::string::npos) << status.out;
  // A button that plays a macro, so that the 131-byte macro report goes too.
  ASSERT_EQ(Run({"macro", "add", "M1"}, false).exit_code, 0);
  ASSERT_EQ(Run({"set", "--wait", "0", "button", "3", "macro", "M1"}, false).out,
            "saved; not sent (no link to the mouse can take settings); run melkoctl apply\n");

  const ProgramRun applied = Run({"apply"});
  EXPECT_EQ(applied.exit_code, 0);
  EXPECT_EQ(applied.out, "applied Profile1 over the Bluetooth LE\n");

  ProfileStore stored = ::melko::testing::StoredProfiles(folder_ / "data");
  const ProfileRecord& record = *stored.Selected();
  const std::vector<std::string> expected{
      Hex(BuildResetReport()), Hex(BuildDpiReport(record)), Hex(BuildLightReport(record)),
      Hex(BuildButtonsReport(record)), Hex(BuildMacroReport(3, record.buttons[2]))};
  EXPECT_EQ(BleWrites(vmouse_), expected);
  // Every write went over Bluetooth LE and the mouse took it.
  EXPECT_EQ(vmouse_.Writes().size(), expected.size());
  for (const auto& write : vmouse_.Writes()) EXPECT_TRUE(write.valid) << write.hex;

  // Without the mouse, or without a system bus, apply refuses and nothing hangs.
  ASSERT_EQ(vmouse_.Command("ble off"), "ok");
  EXPECT_EQ(Run({"apply", "--wait", "0.5"}).exit_code, 1);
  EXPECT_EQ(vmouse_.LogLines().size(), expected.size());
  const ProgramRun no_bus = Run({"status", "--wait", "0"}, false);
  EXPECT_EQ(no_bus.exit_code, 0);
  EXPECT_NE(no_bus.out.find("Bluetooth LE: not connected\n"), std::string::npos) << no_bus.out;
  EXPECT_EQ(Run({"apply", "--wait", "0"}, false).exit_code, 1);
}

TEST_F(MelkoctlOverBluetooth, WatchPrintsNotificationsAndTheMouseComingAndGoing) {
  ChildProcess watch(Command({"watch", "--seconds", "60"}), folder_ / "watch.err", Environment());
  auto line_starting = [&](const std::string& start) {
    while (auto line = watch.output().ReadLine(10000)) {
      if (line->starts_with(start)) return *line;
    }
    return std::string("(none)");
  };
  EXPECT_EQ(watch.output().ReadLine(10000), "links: cable down, receiver down, bluetooth up");
  // Notifications are opened once the link attached; the power event repeats.
  EXPECT_EQ(line_starting("bluetooth: battery"), "bluetooth: battery 100%");
  ASSERT_EQ(vmouse_.Command("stage 4"), "ok");
  EXPECT_TRUE(line_starting("bluetooth: dpi stage").starts_with("bluetooth: dpi stage 4 ("));
  ASSERT_EQ(vmouse_.Command("ble off"), "ok");
  EXPECT_EQ(line_starting("bluetooth: removed"), "bluetooth: removed");
  ASSERT_EQ(vmouse_.Command("ble on"), "ok");
  EXPECT_EQ(line_starting("bluetooth: connected"), "bluetooth: connected");
  // And the notifications come again after the reconnection.
  EXPECT_EQ(line_starting("bluetooth: battery"), "bluetooth: battery 100%");
  ASSERT_EQ(vmouse_.Command("stage 2"), "ok");
  EXPECT_TRUE(line_starting("bluetooth: dpi stage").starts_with("bluetooth: dpi stage 2 ("));
  watch.Stop();
}

}  // namespace
}  // namespace melko::bluez::test
