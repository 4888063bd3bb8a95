// One copy per user: the running copy serves second launches from its event loop, never waiting
// on one of them, hands their activation to the window, and says when it cannot be reached.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cstring>
#include <thread>

#include "profiles/data_folder.h"
#include "ui/single_instance.h"
#include "ui_tests.h"

namespace melko::ui::test {

class SingleInstanceTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit()); }

  // A client that connects and says nothing holds up no one: the next launch is served, with its
  // activation, while the silent one is still waited for.
  void ALaunchIsServedWhileAnotherClientSaysNothing() {
    SingleInstance running;
    QVERIFY(running.TryLock());
    QVERIFY2(running.error().isEmpty(), qPrintable(running.error()));
    std::vector<LaunchActivation> served;
    running.Serve([&](const LaunchActivation& activation) { served.push_back(activation); });
    const int silent = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{AF_UNIX, {}};
    std::strcpy(address.sun_path, running.socket_path().c_str());
    QCOMPARE(::connect(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    SingleInstance second;
    QVERIFY(!second.TryLock());
    std::atomic<bool> answered{false};
    std::string unreached = "not asked";
    std::thread launch([&] {
      unreached = second.AskRunningCopyToShow({"wayland-token", "launcher-7_TIME42"});
      answered = true;
    });
    QTRY_VERIFY(answered);
    launch.join();
    QCOMPARE(unreached, std::string());
    QCOMPARE(served.size(), 1u);
    QCOMPARE(served[0].token, std::string("wayland-token"));
    QCOMPARE(served[0].startup_id, std::string("launcher-7_TIME42"));
    char byte = 0;
    QCOMPARE(::recv(silent, &byte, 1, MSG_DONTWAIT), ssize_t(-1));  // still open, not answered
    ::close(silent);
  }

  void AFailedListenIsReportedAndASecondLaunchSaysSo() {
    QDir(runtime_.path()).mkpath(QString::fromUtf8(kDataFolderName) + QStringLiteral(".socket"));
    SingleInstance running;
    QVERIFY(running.TryLock());
    QVERIFY(running.error().startsWith(QStringLiteral("cannot listen on")));
    SingleInstance second;
    QVERIFY(!second.TryLock());
    const std::string unreached = second.AskRunningCopyToShow({});
    QVERIFY(unreached.find("cannot be reached at " + running.socket_path()) != std::string::npos);
  }

 private:
  QTemporaryDir runtime_;
};

namespace {
const bool registered = RegisterSuite<SingleInstanceTest>("SingleInstanceTest");
}

}  // namespace melko::ui::test

#include "single_instance_ui_test.moc"
