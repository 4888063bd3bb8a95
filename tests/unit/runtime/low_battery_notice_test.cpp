// The low-battery warning reaching a notification service on a private session bus: one Notify
// call at 15 %, with the level in its text and the program's icon; and nothing lost, no error and
// no wait when no service runs.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

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

void SpinFor(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
}

std::uint32_t Power(int level) {
  return MakeStatusWord(kEventPower, std::uint16_t(level << 8 | 1));
}

struct NoticeTest : ::testing::Test {
  NoticeTest() { testing::UseEnglishTexts(); }
  testing::TempDir folder;
  testing::PrivateBus bus{folder.path()};
  fakes::FakeControls controls;
  LinkState links;
};

TEST_F(NoticeTest, OneNotifyAtFifteenPercentWithLevelAndIcon) {
  QDBusConnection service =
      QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "mock-notifications");
  MockNotifications mock;
  ASSERT_TRUE(service.registerObject("/org/freedesktop/Notifications", &mock,
                                     QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(service.registerService("org.freedesktop.Notifications"));

  DbusNotifier notifier(bus.connection(), "Melko", "org.melko.Melko");
  BatteryAlerts alerts(controls, notifier);
  for (const int level : {40, 16, 15, 14, 13}) {
    alerts.OnStatusWord(LinkMode::kWireless, Power(level), links);
  }
  SpinFor(500);
  EXPECT_EQ(mock.calls, QStringList{"org.melko.Melko|Melko|"
                                    "The mouse's battery is at 15 %. Charge it soon."});
  EXPECT_TRUE(controls.IsVisible(shell_control::kLowPowerLabel));
  // The cable hides the label and arms the warning again.
  alerts.OnStatusWord(LinkMode::kWired, MakeStatusWord(kConnectionEvent, 1), links);
  EXPECT_FALSE(controls.IsVisible(shell_control::kLowPowerLabel));
  QDBusConnection::disconnectFromBus("mock-notifications");
}

TEST_F(NoticeTest, NoServiceNeitherFailsNorWaits) {
  DbusNotifier notifier(bus.connection(), "Melko", "/skin/img/app.svg");
  BatteryAlerts alerts(controls, notifier);
  QElapsedTimer timer;
  timer.start();
  alerts.OnStatusWord(LinkMode::kBle, Power(4), links);
  EXPECT_LT(timer.elapsed(), 200);
  EXPECT_TRUE(controls.IsVisible(shell_control::kLowPowerLabel));
  SpinFor(200);  // the error answer arrives and is dropped
}

}  // namespace
}  // namespace melko

#include "low_battery_notice_test.moc"
