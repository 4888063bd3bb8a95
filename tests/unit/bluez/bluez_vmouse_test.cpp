// The BlueZ adapter against melko-vmouse's mock BlueZ on a private bus: presence and writes across
// reconnections, the subscription, and no BlueZ or no bus at all. melkoctl_ble_test.cpp runs the
// same adapter end to end, its writes from the apply thread included.
#include <gtest/gtest.h>

#include <QDBusMessage>
#include <QDBusVariant>
#include <chrono>

#include "bluez/bluez_ble_transport.h"
#include "protocol/settings_reports.h"
#include "unit/bluez/bluez_harness.h"

namespace melko::bluez::test {
namespace {

using std::chrono::steady_clock;

constexpr const char* kNotifyPath = "/org/bluez/hci0/dev_F4_5E_AB_04_5E_40/service0010/char0013";
constexpr int kCallTimeoutMs = 1000;

class BluezOverVmouse : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(vmouse_.started()); }
  void Attach() { transport_.SetMatch(kBleVendorMatch, kBleProductMatch); }
  std::int32_t WriteReset() { return transport_.Write(BuildResetReport()); }
  // Notifying of the mock's notify characteristic, as another client sees it.
  bool Notifying() {
    QDBusMessage get = QDBusMessage::createMethodCall("org.bluez", kNotifyPath,
                                                      "org.freedesktop.DBus.Properties", "Get");
    get.setArguments(
        {QStringLiteral("org.bluez.GattCharacteristic1"), QStringLiteral("Notifying")});
    const QDBusMessage reply = bus_.connection().call(get, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage &&
           reply.arguments().at(0).value<QDBusVariant>().variant().toBool();
  }
  void Mouse(const std::string& command) { ASSERT_EQ(vmouse_.Command(command), "ok") << command; }

  melko::testing::TempDir folder_;
  PrivateBus bus_{folder_.path()};
  Recorder recorder_;
  VmouseProcess vmouse_{{"--ble"}, bus_.address()};
  // Made once the mouse is there, so that its presence at the start is no change.
  BluezBleTransport transport_{bus_.connection(), recorder_.Handlers(), kCallTimeoutMs};
};

// Also: presence handlers are called once per change, and not for the state taken at start.
TEST_F(BluezOverVmouse, AfterTheMouseReconnectsWritesFindItAgain) {
  ASSERT_TRUE(transport_.MousePresentNow());
  EXPECT_EQ(WriteReset(), 0) << "detached";
  Attach();
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
  EXPECT_TRUE(transport_.mouse_present());
  // Detached again, nothing is written.
  transport_.SetMatch("", "");
  EXPECT_EQ(WriteReset(), 0);
  EXPECT_EQ(BleWrites(vmouse_).size(), 3u);
}

// That values arrive, also after a reconnection, is melkoctl_ble_test's watch; here a second
// opening keeps one subscription and closing ends it.
TEST_F(BluezOverVmouse, OpeningTwiceKeepsOneSubscriptionAndClosingEndsIt) {
  Attach();
  ASSERT_TRUE(OpenAndWait(transport_));
  EXPECT_TRUE(Notifying());
  transport_.OpenNotifications();
  SpinFor(200);
  EXPECT_EQ(transport_.subscribed(), QStringList{kNotifyPath});
  transport_.CloseNotifications();
  EXPECT_TRUE(transport_.subscribed().isEmpty());
  EXPECT_TRUE(SpinUntil([&] { return !Notifying(); }));
  Mouse("stage 5");
  SpinFor(300);
  EXPECT_TRUE(recorder_.EventValues().empty());
}

// No BlueZ on the bus, BlueZ leaving it, or no bus any more: no mouse, defined answers, quickly.
TEST(BluezMissing, NoBluezOrNoBusMeansNoMouseAndNothingWaits) {
  melko::testing::TempDir folder;
  PrivateBus bus(folder.path());
  Recorder recorder;
  BluezBleTransport transport(bus.connection(), recorder.Handlers(), kCallTimeoutMs);
  transport.SetMatch(kBleVendorMatch, kBleProductMatch);
  const auto failing_fast = [&] {
    const auto start = steady_clock::now();
    EXPECT_EQ(transport.Write(BuildResetReport()), 0);
    transport.CloseNotifications();
    transport.OpenNotifications();
    EXPECT_FALSE(transport.MousePresentNow());
    EXPECT_LT(steady_clock::now() - start, std::chrono::milliseconds(kCallTimeoutMs));
    SpinFor(200);
    EXPECT_TRUE(transport.subscribed().isEmpty());
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

}  // namespace
}  // namespace melko::bluez::test
