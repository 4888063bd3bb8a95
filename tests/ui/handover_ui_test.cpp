// melkoctl beside the running program leaves the mouse to it: the change shows on the page and
// reaches the mouse once, through the program (a profile switch in full).
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <atomic>
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
  for (const char16_t* name : {u"One", u"ONE"}) store.profiles.push_back(MakeDefaultProfile(name));
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
    // The exact name wins; melko writes the switch in full, starting with the reset report.
    QCOMPARE(Melkoctl(desktop, {"profile", "select", "ONE"}).err,
             "saved and sent over the cable\n");
    QCOMPARE(desktop.Find<QListWidget>("ms_1_list_profile")->currentItem()->text(), "ONE");
    QCOMPARE(CableReports().at(1).bytes.at(0), std::uint8_t(0x0c));
  }
};

namespace {
const bool registered = RegisterSuite<HandoverTest>("HandoverTest");
}

}  // namespace melko::ui::test

#include "handover_ui_test.moc"
