// melkoctl beside the running program leaves the mouse to it: the change shows on the page and
// reaches the mouse once, through the program (a profile switch in full).
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "ui/single_instance.h"
#include "ui_tests.h"

namespace melko::ui::test {
class HandoverTest : public QObject {
  Q_OBJECT

 private slots:
  void MelkoctlBesideTheWindowSendsThroughIt() {
    Desktop desktop(Desktop::Mouse::kOnCable, [](const std::filesystem::path& folder) {
      testing::SeedStores(folder, {u"One", u"ONE"});  // names that differ only in letter case
    });
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
