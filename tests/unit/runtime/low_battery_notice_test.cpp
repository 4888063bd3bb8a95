#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QElapsedTimer>

#include "device/messages.h"
#include "device/status_decoder.h"
#include "qt/dbus_notifier.h"
#include "shell/battery_alerts.h"
#include "support/device_fakes.h"
#include "support/private_bus.h"
#include "support/test_support.h"

namespace melko {
namespace {

class MockNotifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  QStringList calls;  // "icon|summary|body"

 public slots:
  uint Notify(const QString&, uint, const QString& icon, const QString& summary,
              const QString& body, const QStringList&, const QVariantMap&, int) {
    calls << icon + "|" + summary + "|" + body;
    return uint(calls.size());
  }
};

TEST(NoticeTest, OneNotifyAtFifteenPercentWithLevelAndIconAndNoWaitWithoutAService) {
  testing::UseEnglishTexts();
  testing::TempDir folder;
  testing::PrivateBus bus{folder.path()};
  fakes::FakeControls controls;
  LinkState links;
  const auto Power = [](int level) {
    return MakeStatusWord(kEventPower, std::uint16_t(level << 8 | 1));
  };
  DbusNotifier notifier(bus.connection(), "Melko", "org.melko.Melko");
  BatteryAlerts alerts(controls, notifier);
  QElapsedTimer timer;
  timer.start();
  alerts.OnStatusWord(LinkMode::kWireless, Power(15), links);  // no service yet
  EXPECT_LT(timer.elapsed(), 200);
  alerts.OnStatusWord(LinkMode::kWired, MakeStatusWord(kConnectionEvent, 1), links);  // re-armed

  // Thresholds row by row are the warning's own test; here the call that reaches the service.
  QDBusConnection service =
      QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "mock-notifications");
  MockNotifications mock;
  ASSERT_TRUE(service.registerObject("/org/freedesktop/Notifications", &mock,
                                     QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(service.registerService("org.freedesktop.Notifications"));
  for (const int level : {16, 15, 14})
    alerts.OnStatusWord(LinkMode::kWireless, Power(level), links);
  testing::SpinFor(500);
  EXPECT_EQ(mock.calls, QStringList{"org.melko.Melko|Melko|"
                                    "The mouse’s battery is at 15%. Charge it soon."});
  QDBusConnection::disconnectFromBus("mock-notifications");
}

}  // namespace
}  // namespace melko

#include "low_battery_notice_test.moc"
