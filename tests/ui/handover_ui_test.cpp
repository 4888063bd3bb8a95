// melkoctl beside the running program leaves the mouse to it: the change shows on the page and
// reaches the mouse once, through the program; a malformed request gets its answer.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "profiles/profile_store.h"
#include "support/child_process.h"
#include "ui/single_instance.h"
#include "ui_tests.h"

namespace melko::ui::test {
namespace {

// Profiles whose names differ only in letter case, the first selected.
void CaseTwins(const std::filesystem::path& folder) {
  ProfileStore store;
  for (const char16_t* name : {u"One", u"ONE", u"Two"}) {
    store.profiles.push_back(MakeDefaultProfile(name));
  }
  SaveProfiles(store, folder);
}

// melkoctl on the page's data folder, run while the test's event loop goes on serving it.
testing::ProgramRun Melkoctl(Desktop& desktop, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(),
                   {MELKO_BIN_DIR "/melkoctl", "--data-dir", desktop.data().string()});
  testing::ProgramRun run;
  std::atomic<bool> done{false};
  std::thread melkoctl([&] {
    run = testing::RunProgram(arguments, {}, 30000);
    done = true;
  });
  (void)QTest::qWaitFor([&] { return done.load(); }, 40000);  // RunProgram has its own limit
  melkoctl.join();
  return run;
}

}  // namespace

class HandoverTest : public QObject {
  Q_OBJECT

 private slots:
  void MelkoctlBesideTheWindowSendsThroughIt() {
    Desktop desktop(Desktop::Mouse::kOnCable, CaseTwins);
    SingleInstance instance;
    QVERIFY(instance.TryLock() && instance.error().isEmpty());
    instance.ServeHandover([&](const std::string& line, const InstanceReply& reply) {
      desktop.app().OnHandover(line, reply);
    });

    testing::ProgramRun run = Melkoctl(desktop, {"set", "dpi", "1", "3200"});
    QVERIFY2(run.out == "saved and sent over the cable\n", (run.out + run.err).c_str());
    QCOMPARE(desktop.Find<QLineEdit>("ms_1_edit_dpi_1")->text(), QStringLiteral("3200"));
    QTest::qWait(700);                    // the store watch's sync, and any apply it might start
    QCOMPARE(CableReports().size(), 1u);  // the DPI report, once
    QCOMPARE(int(CableSettings().stages[0].value), 3200 / 50);

    // The exact name wins; the switch is written in full, starting with the reset report.
    run = Melkoctl(desktop, {"profile", "select", "ONE"});
    QVERIFY2(run.err == "saved and sent over the cable\n", run.err.c_str());
    QCOMPARE(desktop.Find<QListWidget>("ms_1_list_profile")->currentItem()->text(),
             QStringLiteral("ONE"));
    QTest::qWait(700);
    const auto reports = CableReports();
    QCOMPARE(std::count_if(reports.begin(), reports.end(),
                           [](const auto& report) {
                             return report.bytes.size() > 1 && report.bytes[0] == 0x0c &&
                                    report.bytes[1] == 0x0a;
                           }),
             1);  // written in full once, not once more for the store watch

    // A request of a version the program does not speak is answered so, and does nothing.
    const int client = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{AF_UNIX, {}};
    std::strcpy(address.sun_path, instance.socket_path().c_str());
    QCOMPARE(::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string request = "melkoctl/9 send full\n";
    QCOMPARE(::send(client, request.data(), request.size(), 0), ssize_t(request.size()));
    std::string answer;
    QTRY_VERIFY([&] {
      char chunk[64];
      const ssize_t got = ::recv(client, chunk, sizeof chunk, MSG_DONTWAIT);
      if (got > 0) answer.append(chunk, std::size_t(got));
      return got == 0;
    }());
    ::close(client);
    QCOMPARE(answer, std::string("bad-request unsupported%20version\n"));
  }
};

namespace {
const bool registered = RegisterSuite<HandoverTest>("HandoverTest");
}

}  // namespace melko::ui::test

#include "handover_ui_test.moc"
