#include <gtest/gtest.h>

#include <QDBusObjectPath>
#include <chrono>

#include "bluez/bluez_ble_transport.h"
#include "bluez/modalias.h"
#include "bluez/object_snapshot.h"
#include "profiles/profile_store.h"
#include "protocol/settings_reports.h"
#include "support/child_process.h"
#include "support/private_bus.h"
#include "support/test_support.h"
#include "support/vmouse_process.h"

namespace melko::bluez::test {
namespace {

using namespace ::melko::testing;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

const QString kWriteUuid = QStringLiteral("0000fee3-0000-1000-8000-00805f9b34fb");
const QString kMouseIds = QStringLiteral("usb:v045Ep0040d0001");

QVariant Path(const QString& path) {
  return QVariant::fromValue(QDBusObjectPath(path));
}

TEST(Modalias, ReadsBothFormsInAnyCaseAndNothingElse) {
  for (const char* text : {"usb:v045Ep0040d0001", "USB:V045EP0040D0001", "Bluetooth:V045eP0040"}) {
    EXPECT_EQ(ParseModalias(text), (DeviceIds{0x045E, 0x0040})) << text;
  }
  for (const char* text : {"", "usb:", "usb:v045E", "usb:v045Ep004", "usb:v45Ep0040d0001",
                           "usb:v045Gp0040d0001", "usb:p0040v045E", "pci:v045Ep0040d0001",
                           "usbv045Ep0040d0001", " usb:v045Ep0040d0001", "usb:x045Ep0040"}) {
    EXPECT_FALSE(ParseModalias(text)) << text;
  }
}

// Passed over: other devices than the connected mouse, properties of another type, and the
// mouse's characteristics of another UUID (known by all of its first 32 bits, whatever base
// follows), of no usable flag or of a service not listed.
TEST(ObjectSnapshot, TakesOnlyUsableCharacteristicsOfTheConnectedMouse) {
  const QStringList flags{"write", "write-without-response"};
  ObjectSnapshot snapshot;
  int devices = 0;
  const auto add = [&](const QVariant& modalias, const QVariant& connected,
                       const QVariant& uuid = kWriteUuid,
                       const QStringList& its_flags = {"write"}) {
    const QString device =
        QStringLiteral("/org/bluez/hci0/dev_%1").arg(++devices, 2, 10, QChar('0'));
    const QString service = device + "/service1", path = service + "/char2";
    snapshot.Add(device,
                 {{"org.bluez.Device1", {{"Modalias", modalias}, {"Connected", connected}}}});
    snapshot.Add(service, {{"org.bluez.GattService1", {{"Device", Path(device)}}}});
    snapshot.Add(path, {{"org.bluez.GattCharacteristic1",
                         {{"UUID", uuid}, {"Service", Path(service)}, {"Flags", its_flags}}}});
    return path;
  };
  add("usb:v046Dp0040d0001", true);  // another vendor's
  add(kMouseIds, false);
  add(kMouseIds, "yes");
  add(QStringList{kMouseIds}, true);
  for (const char* uuid : {"0000fee30000-1000-8000-00805f9b34fb",
                           "1000fee3-0000-1000-8000-00805f9b34fb", "0000fee", ""}) {
    add(kMouseIds, true, uuid);
  }
  add(kMouseIds, true, kWriteUuid, {"read"});
  snapshot.Add(add(kMouseIds, true), {{"org.bluez.GattCharacteristic1",
                                       {{"UUID", kWriteUuid}, {"Service", Path("/nowhere")}}}});
  EXPECT_TRUE(snapshot.MouseCharacteristics("0000fee3", flags).isEmpty());

  // Any case and base; no flags named is tried; without Service and Device properties the object
  // paths tell where things belong.
  const QString bare = "/org/bluez/hci0/dev_99";
  snapshot.Add(bare, {{"org.bluez.Device1", {{"Modalias", kMouseIds}, {"Connected", true}}}});
  snapshot.Add(bare + "/s", {{"org.bluez.GattService1", {{"Device", "not a path"}}}});
  snapshot.Add(bare + "/s/c", {{"org.bluez.GattCharacteristic1", {{"UUID", "0000FEE3"}}}});
  const QStringList found{add(kMouseIds, true, "0000FEE3-0000-1000-8000-00805F9B34FC", {}),
                          bare + "/s/c"};
  EXPECT_EQ(snapshot.MouseCharacteristics("0000fee3", flags), found);
}

bool OpenAndWait(BluezBleTransport& transport) {
  transport.OpenNotifications();
  return SpinUntil([&] { return transport.subscribed().size() == 1; });
}

struct Recorder {
  std::vector<std::vector<std::uint8_t>> values;
  int arrived = 0, gone = 0;

  BluezHandlers Handlers() {
    return {.on_notification = [this](std::vector<std::uint8_t> value) { values.push_back(value); },
            .on_mouse_arrived = [this] { ++arrived; },
            .on_mouse_gone = [this] { ++gone; },
            .on_debug = {}};
  }
};

std::vector<Report> BleWrites(const VmouseProcess& mouse) {
  std::vector<Report> writes;
  for (const auto& write : mouse.Writes()) {
    const QByteArray bytes = QByteArray::fromHex(QByteArray::fromStdString(write.hex));
    if (write.link == "ble") writes.emplace_back(bytes.begin(), bytes.end());
  }
  return writes;
}

constexpr int kCallTimeoutMs = 300;
constexpr const char* kMouseNotify = "/org/bluez/hci0/dev_11_22_33_44_55_66/service0020/char0023";
const std::vector<std::uint8_t> kReport{0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0, 0, 0, 0};

class MisbehavingBluez : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fake_.output().ReadLine() == "ready");
    // Made once BlueZ is there, so that BlueZ's arrival is not part of what the tests count.
    transport_ = std::make_unique<BluezBleTransport>(bus_.connection(), recorder_.Handlers(),
                                                     kCallTimeoutMs);
    transport_->SetMatch(kBleVendorMatch, kBleProductMatch);
  }
  void Fake(const std::string& command) { ASSERT_EQ(fake_.Ask(command), "ok") << command; }
  std::string Count() { return fake_.Ask("count"); }

  TempDir folder_;
  PrivateBus bus_{folder_.path()};
  ChildProcess fake_{{MELKO_BIN_DIR "/melko_fake_bluez", bus_.address()}, folder_ / "fake.err"};
  Recorder recorder_;
  std::unique_ptr<BluezBleTransport> transport_;
};

TEST_F(MisbehavingBluez, AFailedWriteIsTriedOnceMoreOnlyWhenRefused) {
  ASSERT_EQ(transport_->Write(kReport), 1);
  // Never answered: it fails after the call timeout and, since the value may have reached the
  // mouse, is not sent a second time.
  Fake("write silent");
  const auto start = steady_clock::now();
  EXPECT_EQ(transport_->Write(kReport), 0);
  EXPECT_LT(steady_clock::now() - start, milliseconds(3 * kCallTimeoutMs));
  Fake("write answer");
  EXPECT_EQ(transport_->Write(kReport), 1);

  // Refused: tried once more.
  Fake("write refuse");
  EXPECT_EQ(transport_->Write(kReport), 0);
  EXPECT_EQ(Count(), "calls 8 writes 5 stops 0");
}

TEST_F(MisbehavingBluez, AListingOfAnotherShapeOrNothingAnsweredHoldsNothingUp) {
  Fake("listing garbage");
  EXPECT_FALSE(transport_->MousePresentNow());
  EXPECT_EQ(transport_->Write(kReport), 0);
  transport_->OpenNotifications();
  SpinFor(200);
  EXPECT_TRUE(transport_->subscribed().isEmpty());
  EXPECT_TRUE(Count().ends_with("writes 0 stops 0"));

  Fake("listing good");
  Fake("notify silent");
  auto start = steady_clock::now();
  transport_->OpenNotifications();
  // The event loop's thread does not wait for the answers.
  EXPECT_LT(steady_clock::now() - start, milliseconds(kCallTimeoutMs / 2));
  SpinFor(kCallTimeoutMs + 200);
  EXPECT_TRUE(transport_->subscribed().isEmpty());
  Fake("emit value 10100200");

  Fake("listing silent");
  start = steady_clock::now();
  transport_->OpenNotifications();
  transport_->CloseNotifications();
  EXPECT_LT(steady_clock::now() - start, milliseconds(kCallTimeoutMs / 2));
  // The writing thread waits for one call timeout each, no more.
  start = steady_clock::now();
  EXPECT_EQ(transport_->Write(kReport), 0);
  EXPECT_FALSE(transport_->MousePresentNow());
  EXPECT_LT(steady_clock::now() - start, milliseconds(4 * kCallTimeoutMs));
  SpinFor(kCallTimeoutMs);
  EXPECT_TRUE(recorder_.values.empty());
}

// Only values of a held subscription are delivered, whole.
TEST_F(MisbehavingBluez, ASubscriptionIsHeldOnceAndStoppedOnClosingEvenWhenAnsweredLate) {
  ASSERT_TRUE(transport_->MousePresentNow());
  Fake("emit value 10100300");  // not subscribed yet
  ASSERT_TRUE(OpenAndWait(*transport_));
  transport_->OpenNotifications();
  ASSERT_TRUE(SpinUntil([&] { return Count().starts_with("calls 4 "); }));
  SpinFor(100);
  EXPECT_EQ(transport_->subscribed(), QStringList{kMouseNotify});
  Fake("emit odd");
  Fake("emit value 1010020055");
  ASSERT_TRUE(SpinUntil([&] { return !recorder_.values.empty(); }));
  transport_->CloseNotifications();

  Fake("notify late");
  transport_->OpenNotifications();
  // The listing is answered and StartNotify sent, not answered yet.
  ASSERT_TRUE(SpinUntil([&] { return Count().starts_with("calls 7 "); }));
  transport_->CloseNotifications();
  EXPECT_TRUE(SpinUntil([&] { return Count().ends_with(" stops 2"); }));
  Fake("emit value 10100200");
  SpinFor(200);
  EXPECT_EQ(recorder_.values, (decltype(recorder_.values){{0x10, 0x10, 0x02, 0x00, 0x55}}));
  // The malformed signals changed nothing.
  EXPECT_EQ(std::pair(recorder_.gone, recorder_.arrived), std::pair(0, 0));
}

TEST_F(MisbehavingBluez, ADeviceNotListedBeforeIsAskedForWhenItConnects) {
  Fake("listing adapter-only");
  ASSERT_FALSE(transport_->MousePresentNow());
  Fake("emit connected /org/bluez/hci0/dev_77_77_77_77_77_77");
  EXPECT_TRUE(SpinUntil([&] { return recorder_.arrived == 1; }));
}

// BlueZ resolves the mouse's services some time after the connection: the notify characteristic
// appears after the first subscription found none, announced by InterfacesAdded or by
// ServicesResolved, and is subscribed to without being asked.
class LateCharacteristic : public MisbehavingBluez,
                           public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(LateCharacteristic, IsSubscribedWhenItAppears) {
  Fake("listing unresolved");
  transport_->OpenNotifications();
  ASSERT_TRUE(SpinUntil([&] { return Count().starts_with("calls 1 "); }));
  for (const std::string& command : GetParam()) Fake(command);
  ASSERT_TRUE(SpinUntil([&] { return !transport_->subscribed().isEmpty(); }));
  Fake("emit value 10100300");
  ASSERT_TRUE(SpinUntil([&] { return !recorder_.values.empty(); }));
  EXPECT_EQ(recorder_.values, (decltype(recorder_.values){{0x10, 0x10, 0x03, 0x00}}));
}

INSTANTIATE_TEST_SUITE_P(MisbehavingBluez, LateCharacteristic,
                         ::testing::Values(std::vector<std::string>{"emit characteristic"},
                                           std::vector<std::string>{"listing good",
                                                                    "emit resolved"}));

constexpr int kVmouseTimeoutMs = 1000;

class BluezOverVmouse : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(vmouse_.started()); }
  std::int32_t WriteReset() { return transport_.Write(BuildResetReport()); }
  void Mouse(const std::string& command) { ASSERT_EQ(vmouse_.Command(command), "ok") << command; }
  std::map<std::string, std::string> Environment(bool mouse = true) const {
    return {{"DBUS_SYSTEM_BUS_ADDRESS",
             mouse ? bus_.address() : "unix:path=" + (folder_ / "no-bus").string()},
            {"MELKO_VMOUSE", mouse ? vmouse_.socket_path() : (folder_ / "no-mouse").string()},
            {"XDG_CONFIG_HOME", (folder_ / "config").string()}};
  }
  std::vector<std::string> Command(std::vector<std::string> args) const {
    args.insert(args.begin(),
                {MELKO_BIN_DIR "/melkoctl", "--data-dir", (folder_ / "data").string()});
    return args;
  }
  ProgramRun Run(const std::vector<std::string>& args, bool mouse = true) {
    return RunProgram(Command(args), Environment(mouse), 30000);
  }

  TempDir folder_;
  PrivateBus bus_{folder_.path()};
  Recorder recorder_;
  VmouseProcess vmouse_{{"--ble"}, bus_.address()};
  // Made once the mouse is there, so that its presence at the start is no change.
  BluezBleTransport transport_{bus_.connection(), recorder_.Handlers(), kVmouseTimeoutMs};
};
class MelkoctlOverBluetooth : public BluezOverVmouse {};

// Also: presence handlers are called once per change, and not for the state taken at start.
TEST_F(BluezOverVmouse, AfterTheMouseReconnectsWritesFindItAgain) {
  ASSERT_TRUE(transport_.MousePresentNow());
  transport_.SetMatch(kBleVendorMatch, kBleProductMatch);
  EXPECT_EQ(WriteReset(), 1);
  // The device goes and comes back before the adapter hears of it (no event loop ran).
  Mouse("ble off");
  EXPECT_EQ(WriteReset(), 0);
  Mouse("ble on");
  EXPECT_EQ(WriteReset(), 1);
  // Once the adapter hears the mouse went, a write finds no mouse until it comes back.
  Mouse("ble off");
  ASSERT_TRUE(SpinUntil([&] { return recorder_.gone == 2; }));
  EXPECT_EQ(WriteReset(), 0);
  Mouse("ble on");
  ASSERT_TRUE(SpinUntil([&] { return recorder_.arrived == 2; }));
  EXPECT_EQ(WriteReset(), 1);
  EXPECT_TRUE(SpinUntil([&] { return BleWrites(vmouse_).size() >= 3; }));
  SpinFor(200);
  EXPECT_EQ(std::pair(recorder_.gone, recorder_.arrived), std::pair(2, 2));
  transport_.SetMatch("", "");
  EXPECT_EQ(WriteReset(), 0);
  EXPECT_EQ(BleWrites(vmouse_).size(), 3u);
}

TEST(BluezMissing, NoBluezOrNoBusMeansNoMouseAndNothingWaits) {
  TempDir folder;
  PrivateBus bus(folder.path());
  Recorder recorder;
  BluezBleTransport transport(bus.connection(), recorder.Handlers(), kVmouseTimeoutMs);
  transport.SetMatch(kBleVendorMatch, kBleProductMatch);
  const auto failing_fast = [&] {
    const auto start = steady_clock::now();
    EXPECT_EQ(transport.Write(BuildResetReport()), 0);
    transport.CloseNotifications();
    transport.OpenNotifications();
    EXPECT_FALSE(transport.MousePresentNow());
    EXPECT_LT(steady_clock::now() - start, milliseconds(kVmouseTimeoutMs));
    SpinFor(200);
  };
  failing_fast();
  for (const bool bus_dies : {false, true}) {
    VmouseProcess vmouse({"--ble"}, bus.address());
    ASSERT_TRUE(transport.MousePresentNow());
    ASSERT_TRUE(OpenAndWait(transport));
    ASSERT_EQ(transport.Write(BuildResetReport()), 1);
    if (bus_dies) {
      bus.Kill();
      SpinFor(200);
    } else {
      EXPECT_EQ(vmouse.process().Stop(), 0);
      ASSERT_TRUE(SpinUntil([&] { return recorder.gone == 1; }));
    }
    failing_fast();
  }
}

TEST_F(MelkoctlOverBluetooth, StatusAndApplyOverBluetoothLeWriteEveryReportButTheRateAndOnlyThere) {
  const ProgramRun status = Run({"status", "--wait", "0"});
  EXPECT_EQ(status.exit_code, 0);
  EXPECT_NE(status.out.find("Bluetooth LE: connected\n"), std::string::npos) << status.out;
  // A button that plays a macro, so that the 131-byte macro report goes too.
  ASSERT_EQ(Run({"macro", "add", "M1"}, false).exit_code, 0);
  ASSERT_EQ(Run({"set", "--wait", "0", "button", "3", "macro", "M1"}, false).out,
            "saved; not sent (no link to the mouse can take settings); run melkoctl apply\n");

  const ProgramRun applied = Run({"apply"});
  EXPECT_EQ(std::tuple(applied.exit_code, applied.out),
            std::tuple(0, "applied Profile1 over the Bluetooth LE\n"));

  ProfileStore stored = StoredProfiles(folder_ / "data");
  const ProfileRecord& record = *stored.Selected();
  const std::vector<Report> expected{BuildResetReport(), BuildDpiReport(record),
                                     BuildLightReport(record), BuildButtonsReport(record),
                                     BuildMacroReport(3, record.buttons[2])};
  EXPECT_EQ(BleWrites(vmouse_), expected);

  // Without the mouse, or without a system bus, apply refuses and nothing hangs; nothing went over
  // another link.
  Mouse("ble off");
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
  // Notifications are opened once the link attached (the power event repeats), and again after a
  // reconnection.
  EXPECT_EQ(line_starting("bluetooth: battery"), "bluetooth: battery 100%");
  Mouse("ble off");
  EXPECT_EQ(line_starting("bluetooth: removed"), "bluetooth: removed");
  Mouse("ble on");
  EXPECT_EQ(line_starting("bluetooth: connected"), "bluetooth: connected");
  EXPECT_EQ(line_starting("bluetooth: battery"), "bluetooth: battery 100%");
  Mouse("stage 2");
  EXPECT_TRUE(line_starting("bluetooth: dpi stage").starts_with("bluetooth: dpi stage 2 ("));
}

}  // namespace
}  // namespace melko::bluez::test
