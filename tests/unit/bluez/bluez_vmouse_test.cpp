// The BlueZ adapter against melko-vmouse's mock BlueZ on a private bus: finding the mouse, writes
// reaching its firmware, the cost of a write, notifications, presence, and no mouse at all.
#include <gtest/gtest.h>

#include <QDBusMessage>
#include <QDBusVariant>
#include <atomic>
#include <chrono>
#include <thread>

#include "bluez/bluez_ble_transport.h"
#include "protocol/settings_reports.h"
#include "unit/bluez/bluez_harness.h"

namespace melko::bluez::test {
namespace {

using std::chrono::steady_clock;

constexpr const char* kWritePath = "/org/bluez/hci0/dev_F4_5E_AB_04_5E_40/service0010/char0011";
constexpr const char* kNotifyPath = "/org/bluez/hci0/dev_F4_5E_AB_04_5E_40/service0010/char0013";
constexpr int kCallTimeoutMs = 1000;

ProfileRecord DefaultRecord() {
  ProfileRecord record{};
  SetDefaults(record);
  return record;
}

// A report with a macro of a few steps, 131 bytes: it must go in one write.
Report MacroReport() {
  ProfileRecord record = DefaultRecord();
  ButtonAssignment& button = record.buttons[2];
  button.function = kFunctionMacro;
  return BuildMacroReport(3, button);
}

class BluezOverVmouse : public ::testing::Test {
 protected:
  void Start(const std::vector<std::string>& options) {
    vmouse_ = std::make_unique<Vmouse>(folder_.path(), bus_.address(), options);
    ASSERT_TRUE(vmouse_->started());
    transport_ = std::make_unique<BluezBleTransport>(bus_.connection(), recorder_.Handlers(),
                                                     kCallTimeoutMs);
  }
  void Attach() { transport_->SetMatch(kBleVendorMatch, kBleProductMatch); }

  std::int32_t Write(const Report& report) { return transport_->Write(report); }
  // The bus calls `action` made.
  std::uint64_t CallsOf(const std::function<void()>& action) {
    const std::uint64_t before = transport_->bus_calls();
    action();
    return transport_->bus_calls() - before;
  }
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
  void Mouse(const std::string& command) { ASSERT_EQ(vmouse_->Command(command), "ok") << command; }
  bool WaitForWrites(std::size_t count) {
    return SpinUntil([&] { return vmouse_->BleWrites().size() >= count; });
  }

  melko::testing::TempDir folder_;
  PrivateBus bus_{folder_.path()};
  Recorder recorder_;
  std::unique_ptr<Vmouse> vmouse_;
  std::unique_ptr<BluezBleTransport> transport_;
};

TEST_F(BluezOverVmouse, FindsTheConnectedMouseByItsModalias) {
  Start({"--ble"});
  EXPECT_TRUE(transport_->MousePresentNow());
  EXPECT_TRUE(transport_->mouse_present());
  // Taking the state at start calls no handler.
  EXPECT_EQ(recorder_.arrived, 0);

  Mouse("ble off");
  EXPECT_FALSE(transport_->MousePresentNow());
}

TEST_F(BluezOverVmouse, ReportsReachTheFirmwareWholeAndASecondWriteCostsOneCall) {
  Start({"--ble"});
  Attach();
  const Report dpi = BuildDpiReport(DefaultRecord());
  const Report macro = MacroReport();
  ASSERT_EQ(macro.size(), 131u);
  // The first write looks the characteristic up, later ones only write.
  EXPECT_EQ(CallsOf([&] { EXPECT_EQ(Write(dpi), 1); }), 2u);
  EXPECT_EQ(CallsOf([&] { EXPECT_EQ(Write(macro), 1); }), 1u);
  EXPECT_EQ(CallsOf([&] { EXPECT_EQ(Write(BuildResetReport()), 1); }), 1u);

  ASSERT_TRUE(WaitForWrites(3));
  EXPECT_EQ(vmouse_->BleWrites(),
            (std::vector<std::string>{Hex(dpi), Hex(macro), Hex(BuildResetReport())}));
  for (const std::string& line : vmouse_->LogLines()) {
    EXPECT_NE(line.find("\"valid\":true"), std::string::npos) << line;
  }
}

TEST_F(BluezOverVmouse, ASecondWriteSendsOneMessageOnTheBus) {
  // Seen from outside: dbus-monitor shows every method call of the adapter's connection.
  Start({"--ble"});
  Attach();
  QDBusConnection connection = bus_.connection();
  const std::string sender = connection.baseService().toStdString();
  ChildProcess monitor({"/usr/bin/dbus-monitor", "--address", bus_.address(),
                        "type='method_call',sender='" + sender + "'"},
                       folder_ / "monitor.err");
  // A call of our own marks a point in the monitor's output.
  auto mark = [&] {
    connection.call(QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                   "org.freedesktop.DBus", "GetId"),
                    QDBus::Block, kCallTimeoutMs);
  };
  auto read_to_mark = [&](int timeout_ms) {
    std::vector<std::string> calls;
    while (auto line = monitor.output().ReadLine(timeout_ms)) {
      if (!line->starts_with("method call")) continue;
      if (line->find("member=GetId") != std::string::npos) return std::optional(calls);
      calls.push_back(*line);
    }
    return std::optional<std::vector<std::string>>();
  };
  // The monitor is listening once a mark comes through.
  bool listening = false;
  for (int attempt = 0; attempt < 20 && !listening; ++attempt) {
    mark();
    listening = read_to_mark(250).has_value();
  }
  ASSERT_TRUE(listening);

  ASSERT_EQ(Write(BuildResetReport()), 1);
  mark();
  const auto first = read_to_mark(kWaitMs);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->size(), 2u);

  ASSERT_EQ(Write(MacroReport()), 1);
  mark();
  const auto second = read_to_mark(kWaitMs);
  ASSERT_TRUE(second);
  ASSERT_EQ(second->size(), 1u);
  EXPECT_NE(second->front().find("member=WriteValue"), std::string::npos) << second->front();
  EXPECT_NE(second->front().find(kWritePath), std::string::npos) << second->front();
}

TEST_F(BluezOverVmouse, WhileDetachedNothingIsWrittenOrAsked) {
  Start({"--ble"});
  EXPECT_EQ(CallsOf([&] { EXPECT_EQ(Write(BuildResetReport()), 0); }), 0u);
  Attach();
  EXPECT_EQ(Write(BuildResetReport()), 1);
  transport_->SetMatch("", "");
  EXPECT_EQ(CallsOf([&] {
              EXPECT_EQ(Write(BuildResetReport()), 0);
              transport_->OpenNotifications();
            }),
            0u);
  EXPECT_TRUE(transport_->subscribed().isEmpty());
  SpinFor(100);
  EXPECT_EQ(vmouse_->BleWrites().size(), 1u);
}

TEST_F(BluezOverVmouse, AfterTheMouseReconnectsTheWritePathIsLookedUpAgain) {
  Start({"--ble"});
  transport_->MousePresentNow();
  Attach();
  ASSERT_EQ(Write(BuildResetReport()), 1);

  Mouse("ble off");
  ASSERT_TRUE(SpinUntil([&] { return recorder_.gone == 1; }));
  // The cached path went with the device: the write looks for the mouse and finds none.
  EXPECT_EQ(CallsOf([&] { EXPECT_EQ(Write(BuildResetReport()), 0); }), 1u);

  Mouse("ble on");
  ASSERT_TRUE(SpinUntil([&] { return recorder_.arrived == 1; }));
  EXPECT_EQ(CallsOf([&] { EXPECT_EQ(Write(BuildResetReport()), 1); }), 2u);
  EXPECT_EQ(CallsOf([&] { EXPECT_EQ(Write(BuildResetReport()), 1); }), 1u);
  EXPECT_TRUE(WaitForWrites(3));
}

TEST_F(BluezOverVmouse, AWriteOnAStalePathLooksUpAgainAndWrites) {
  // The device goes and comes back before the adapter hears of it (no event loop ran): the old
  // path is tried once, then looked up again.
  Start({"--ble"});
  Attach();
  ASSERT_EQ(Write(BuildResetReport()), 1);
  Mouse("ble off");
  EXPECT_EQ(CallsOf([&] { EXPECT_EQ(Write(BuildResetReport()), 0); }), 2u);
  Mouse("ble on");
  EXPECT_EQ(CallsOf([&] { EXPECT_EQ(Write(BuildResetReport()), 1); }), 2u);
  EXPECT_TRUE(WaitForWrites(2));
}

TEST_F(BluezOverVmouse, WritesFromAnotherThreadWork) {
  // The apply thread writes while the event loop handles BlueZ's signals.
  Start({"--ble"});
  Attach();
  std::atomic<int> written{0};
  std::thread writer([&] {
    for (int i = 0; i < 5; ++i) written += transport_->Write(BuildResetReport());
  });
  SpinUntil([&] { return written.load() == 5; });
  writer.join();
  EXPECT_EQ(written.load(), 5);
  EXPECT_TRUE(WaitForWrites(5));
}

TEST_F(BluezOverVmouse, NotificationsDeliverEachValueUnchanged) {
  Start({"--ble"});
  Attach();
  ASSERT_TRUE(OpenAndWait(*transport_));
  EXPECT_EQ(transport_->subscribed(), QStringList{kNotifyPath});

  Mouse("stage 3");
  ASSERT_TRUE(SpinUntil([&] { return !recorder_.EventValues().empty(); }));
  EXPECT_EQ(recorder_.EventValues(), std::vector<std::string>{"10100300"});

  Mouse("dpi-button");
  ASSERT_TRUE(SpinUntil([&] { return recorder_.EventValues().size() == 2; }));
  EXPECT_EQ(recorder_.EventValues()[1], "10100400");

  // Opening again only lists the objects: the one subscription stays.
  const std::uint64_t calls = CallsOf([&] {
    transport_->OpenNotifications();
    SpinFor(200);
  });
  EXPECT_EQ(calls, 1u);
  EXPECT_EQ(transport_->subscribed().size(), 1);
}

TEST_F(BluezOverVmouse, ClosingNotificationsEndsTheSubscription) {
  Start({"--ble"});
  Attach();
  ASSERT_TRUE(OpenAndWait(*transport_));
  EXPECT_TRUE(Notifying());
  transport_->CloseNotifications();
  EXPECT_TRUE(transport_->subscribed().isEmpty());
  // The mock BlueZ hears the StopNotify: nobody is subscribed any more.
  EXPECT_TRUE(SpinUntil([&] { return !Notifying(); }));

  Mouse("stage 5");
  SpinFor(300);
  EXPECT_TRUE(recorder_.EventValues().empty());
}

TEST_F(BluezOverVmouse, ADisconnectEndsTheSubscriptionAndItCanBeMadeAgain) {
  Start({"--ble"});
  transport_->MousePresentNow();
  Attach();
  ASSERT_TRUE(OpenAndWait(*transport_));
  Mouse("ble off");
  ASSERT_TRUE(SpinUntil([&] { return recorder_.gone == 1; }));
  EXPECT_TRUE(transport_->subscribed().isEmpty());
  // Nothing left to stop.
  EXPECT_EQ(CallsOf([&] { transport_->CloseNotifications(); }), 0u);

  Mouse("ble on");
  ASSERT_TRUE(SpinUntil([&] { return recorder_.arrived == 1; }));
  ASSERT_TRUE(OpenAndWait(*transport_));
  Mouse("stage 2");
  ASSERT_TRUE(SpinUntil([&] { return !recorder_.EventValues().empty(); }));
  EXPECT_EQ(recorder_.EventValues(), std::vector<std::string>{"10100200"});
}

TEST_F(BluezOverVmouse, PresenceHandlersFireOncePerChange) {
  Start({"--ble"});
  ASSERT_TRUE(transport_->MousePresentNow());
  Mouse("ble off");
  ASSERT_TRUE(SpinUntil([&] { return recorder_.gone == 1; }));
  Mouse("ble on");
  ASSERT_TRUE(SpinUntil([&] { return recorder_.arrived == 1; }));
  Mouse("ble off");
  Mouse("ble on");
  ASSERT_TRUE(SpinUntil([&] { return recorder_.arrived == 2; }));
  SpinFor(200);
  EXPECT_EQ(recorder_.gone, 2);
  EXPECT_EQ(recorder_.arrived, 2);
  EXPECT_TRUE(transport_->mouse_present());
}

TEST_F(BluezOverVmouse, TheMouseArrivingAfterStartIsAnnounced) {
  Start({});
  EXPECT_FALSE(transport_->MousePresentNow());
  Mouse("ble on");
  ASSERT_TRUE(SpinUntil([&] { return recorder_.arrived == 1; }));
  EXPECT_EQ(recorder_.gone, 0);
}

TEST_F(BluezOverVmouse, BluezLeavingTheBusTakesTheMouseWithIt) {
  Start({"--ble"});
  ASSERT_TRUE(transport_->MousePresentNow());
  Attach();
  ASSERT_TRUE(OpenAndWait(*transport_));
  EXPECT_EQ(vmouse_->Stop(), 0);
  ASSERT_TRUE(SpinUntil([&] { return recorder_.gone == 1; }));
  EXPECT_TRUE(transport_->subscribed().isEmpty());
  EXPECT_EQ(Write(BuildResetReport()), 0);
}

TEST_F(BluezOverVmouse, WithNoMouseConnectedWritesFailAtOnce) {
  Start({});
  Attach();
  const auto start = steady_clock::now();
  EXPECT_EQ(Write(BuildResetReport()), 0);
  EXPECT_LT(steady_clock::now() - start, std::chrono::milliseconds(kCallTimeoutMs));
  const std::uint64_t calls = CallsOf([&] {
    transport_->OpenNotifications();
    SpinFor(200);
  });
  EXPECT_EQ(calls, 1u);  // the listing, with nothing in it to subscribe to
  EXPECT_TRUE(transport_->subscribed().isEmpty());
  EXPECT_TRUE(vmouse_->BleWrites().empty());
}

// No BlueZ on the bus, or no bus any more: defined answers, quickly.
class BluezMissing : public ::testing::Test {
 protected:
  melko::testing::TempDir folder_;
  PrivateBus bus_{folder_.path()};
  Recorder recorder_;
};

TEST_F(BluezMissing, NoBluezOnTheBusMeansNoMouse) {
  BluezBleTransport transport(bus_.connection(), recorder_.Handlers(), kCallTimeoutMs);
  transport.SetMatch(kBleVendorMatch, kBleProductMatch);
  const auto start = steady_clock::now();
  EXPECT_FALSE(transport.MousePresentNow());
  EXPECT_EQ(transport.Write(BuildResetReport()), 0);
  transport.OpenNotifications();
  transport.CloseNotifications();
  EXPECT_LT(steady_clock::now() - start, std::chrono::milliseconds(kCallTimeoutMs));
  SpinFor(200);
  EXPECT_TRUE(transport.subscribed().isEmpty());
}

TEST_F(BluezMissing, ABusThatGoesAwayAnswersEveryCallWithFailure) {
  Vmouse vmouse(folder_.path(), bus_.address(), {"--ble"});
  ASSERT_TRUE(vmouse.started());
  BluezBleTransport transport(bus_.connection(), recorder_.Handlers(), kCallTimeoutMs);
  ASSERT_TRUE(transport.MousePresentNow());
  transport.SetMatch(kBleVendorMatch, kBleProductMatch);
  ASSERT_TRUE(OpenAndWait(transport));
  ASSERT_EQ(transport.Write(BuildResetReport()), 1);

  bus_.Kill();
  SpinFor(200);
  const auto start = steady_clock::now();
  EXPECT_EQ(transport.Write(BuildResetReport()), 0);
  transport.CloseNotifications();
  transport.OpenNotifications();
  EXPECT_FALSE(transport.MousePresentNow());
  EXPECT_LT(steady_clock::now() - start, std::chrono::milliseconds(kCallTimeoutMs));
  SpinFor(200);
  EXPECT_TRUE(transport.subscribed().isEmpty());
  vmouse.Stop();
}

}  // namespace
}  // namespace melko::bluez::test
