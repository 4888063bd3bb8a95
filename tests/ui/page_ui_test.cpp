// The settings page driven as a user would, and what reaches the mouse's firmware model, when.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include "device/messages.h"
#include "input/button_functions.h"
#include "ui/single_instance.h"
#include "ui_tests.h"

namespace melko::ui::test {
namespace {

std::vector<int> Ids(const std::vector<vmouse::WriteRecord>& reports) {
  std::vector<int> ids;
  for (const vmouse::WriteRecord& report : reports) ids.push_back(report.bytes.at(0));
  return ids;
}

// Answers the next modal dialog once it is up: clicks these controls of it in order.
void AnswerNextDialog(std::vector<QString> clicks, std::function<void(QWidget*)> before = {}) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, clicks, before] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) return;
    poll->deleteLater(), poll->stop();
    if (before) before(dialog);
    for (const QString& name : clicks)
      if (auto* button = dialog->findChild<QAbstractButton*>(name)) button->click();
  });
  poll->start(10);
}

void Assign(Desktop& desktop, int button, const char* item) {
  desktop.Find<QAbstractButton>(("ms_1_btn_key_" + std::to_string(button)).c_str())->click();
  desktop.app().dialogs().assignment_menu()->findChild<QAction*>(item)->trigger();
}

// The whole text of a list row's tool tip, or nothing when the row shows none.
QString TipOver(QListWidget* list, int row) {
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->inherits("QTipLabel")) window->hide();  // at once: hideText() takes a while
  const QPoint at = list->visualItemRect(list->item(row)).center();
  QHelpEvent event(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
  QCoreApplication::sendEvent(list->viewport(), &event);
  return QToolTip::isVisible() ? QToolTip::text() : QString();
}

}  // namespace

class PageTest : public QObject {
  Q_OBJECT

 private slots:
  void SliderMovesLightEffectsAndStageSwitchesReachTheMouse() {
    Desktop desktop(Desktop::Mouse::kOnCable);
    desktop.Find<QAbstractButton>("ms_1_check_power_setting")->setChecked(true);
    for (int value : {4, 6, 8}) {  // each move restarts the wait (its length: the unit test)
      desktop.Find<QSlider>("ms_1_slider_light_off")->setValue(value);
      QTest::qWait(300);
    }
    // One report, with the last value: a wait not restarted would send 6 first.
    QTRY_COMPARE_WITH_TIMEOUT(Ids(CableReports()), std::vector<int>{0x05}, 3000);
    QCOMPARE(int(CableReports()[0].bytes[9]), 8);  // the light-off byte of the light report

    desktop.Find<QWidget>("ms_1_check_light")->setProperty("checked", true);
    desktop.Find<QComboBox>("ms_1_combo_light")->setCurrentIndex(2);
    QTRY_COMPARE_WITH_TIMEOUT(Ids(CableReports()), (std::vector<int>{0x05, 0x05}), 2000);

    // A stage switched off leaves the mouse's cycle: its DPI button goes from stage 2 to 4.
    desktop.Find<QAbstractButton>("ms_1_check_dpi_on_3")->click();
    QCOMPARE(desktop.Find<QLabel>("ms_1_label_dpi_3")->text(), QString());
    QTRY_COMPARE_WITH_TIMEOUT(Ids(CableReports()), (std::vector<int>{0x05, 0x05, 0x04}), 3000);
    PressCableDpiButton();
    QCOMPARE(CableSettings().current_stage, 4);

    // The light sliders show their values, to the eye and to a screen reader.
    auto* speed = desktop.Find<QSlider>("ms_1_slider_breathspeed");
    speed->setValue(9);
    desktop.Find<QComboBox>("ms_1_combo_light")->setCurrentIndex(1);
    desktop.Find<QSlider>("ms_1_slider_brightness")->setValue(15);
    QCOMPARE(desktop.Find<QLabel>("ms_1_label_breathspeed")->text() +
                 speed->accessibleDescription() +
                 desktop.Find<QLabel>("ms_1_label_brightness")->text(),
             QStringLiteral("1010100%"));
  }

  void TheStatusLineFollowsSleepAndWake() {
    Desktop desktop(Desktop::Mouse::kOnCable);
    auto* status = desktop.Find<QLabel>("ms_1_apply_state_label");
    QTRY_COMPARE(status->text(), QStringLiteral("Saved to the mouse"));  // the start's apply
    MessagePoster& links = desktop.app().runtime().poster();
    links.Post(kMsgWiredConnect, 0, 0);  // the cable is pulled out
    desktop.Find<QAbstractButton>("ms_1_btn_prate_1")->click();
    QTRY_COMPARE(status->text(), QStringLiteral("Waiting for the mouse: not connected"));
    links.Post(kMsgReceiverConnect, 1, 0);  // a receiver, its mouse asleep
    desktop.Find<QAbstractButton>("ms_1_btn_prate_3")->click();
    QTRY_COMPARE(status->text(), QStringLiteral("Waiting for the mouse: asleep"));
    links.Post(kMsgWiredConnect, 1, 0);
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("Saved to the mouse"), 5000);
    QCOMPARE(Ids(CableReports()), std::vector<int>{0x06});
    desktop.Find<QSlider>("ms_1_slider_dpi_1")->setValue(40);
    QCOMPARE(status->text(), QStringLiteral("Not sent yet"));
  }

  // Also in a collapsed section built when first opened.
  void ThePageFollowsMelkoctlBesideIt() {
    Desktop desktop(Desktop::Mouse::kOnCable, {u"One", u"Two", u"ONE"}, {{u"Jump", "44+30 44-10"}});
    auto* list = desktop.Find<QListWidget>("ms_1_list_profile");
    QCOMPARE(desktop.Find("ms_1_slider_sleep_timer"), nullptr);
    QCOMPARE(Melkoctl(desktop, {"profile", "select", "ONE"}).exit_code, 0);
    QTRY_COMPARE(list->currentItem()->text(), QStringLiteral("ONE"));
    QTRY_COMPARE_WITH_TIMEOUT(CableReports().empty() ? 0 : Ids(CableReports()).front(), 0x0C, 3000);

    QCOMPARE(Melkoctl(desktop, {"set", "sleep", "7"}).exit_code, 0);
    QTRY_COMPARE(desktop.app().runtime().session().CurrentSnapshot().sleep_timer, 7);
    auto* header = desktop.Find<QAbstractButton>("ms_1_check_power_setting");
    header->click();
    auto* sleep = desktop.Find<QSlider>("ms_1_slider_sleep_timer");
    QCOMPARE(sleep ? sleep->value() : -1, 7);  // filled as the page is (labels: its unit test)
    QWidget* next = header->nextInFocusChain();
    while (!(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
    QCOMPARE(next, desktop.Find("ms_1_slider_light_off"));

    QCOMPARE(Melkoctl(desktop, {"profile", "delete", "One"}).exit_code, 0);
    QTRY_COMPARE(Rows(list), (QStringList{"Two", "ONE"}));
    list->setCurrentRow(0);  // Two, found by its name in the list as it is now
    sleep->setValue(12);
    QTRY_COMPARE_WITH_TIMEOUT(int(CableSettings().sleep_timer), 12, 10000);
    QCOMPARE(desktop.app().runtime().session().CurrentSnapshot().name[1], u'w');

    QCOMPARE(Melkoctl(desktop, {"macro", "add", "Dash"}).exit_code, 0);
    QStringList offered;
    AnswerNextDialog({"btn_cancel"}, [&offered](QWidget* dialog) {
      offered = Rows(dialog->findChild<QListWidget*>(QStringLiteral("list_macro")));
    });
    Assign(desktop, 5, "ms_1_select_macro");
    QTRY_COMPARE(offered, (QStringList{"Jump", "Dash"}));
  }

  // The change shows on the page as soon as melkoctl is done, and reaches the mouse once.
  void MelkoctlHandsItsSendToTheWindow() {
    Desktop desktop(Desktop::Mouse::kOnCable);
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
    run = Melkoctl(desktop, {"apply", "--wait", "0"});
    QVERIFY2(run.out == "applied Profile1 over the cable\n", (run.out + run.err).c_str());

    // With no link the send waits for one, as the window's own edits do.
    MessagePoster& links = desktop.app().runtime().poster();
    links.Post(kMsgWiredConnect, 0, 0);  // the cable is pulled out
    run = Melkoctl(desktop, {"set", "dpi", "1", "1600", "--wait", "0"});
    QVERIFY2(run.out.ends_with("not sent (no link to the mouse can take settings); melko sends it "
                               "once one can\n"),
             (run.out + run.err).c_str());
    QTRY_COMPARE(desktop.Find<QLabel>("ms_1_apply_state_label")->text(),
                 QStringLiteral("Waiting for the mouse: not connected"));
    links.Post(kMsgWiredConnect, 1, 0);
    QTRY_COMPARE_WITH_TIMEOUT(int(CableSettings().stages[0].value), 1600 / 50, 5000);
  }

  // A desktop action goes to the mouse as a shortcut of its keys.
  void AssignmentsThroughTheMenuReachTheMouse() {
    Desktop desktop(Desktop::Mouse::kOnCable, {}, {{u"Jump", "44+30 44-10"}});
    const auto marked = [&desktop] {
      desktop.Find<QAbstractButton>("ms_1_btn_key_7")->click();
      QStringList names;
      for (QAction* action : desktop.app().dialogs().assignment_menu()->findChildren<QAction*>())
        if (action->isChecked()) names << action->objectName() + action->text();
      names.sort();
      return names;
    };
    QCOMPARE(marked(), (QStringList{"Mouse", "ms_1_forwardForward"}));
    QMenu* menu = desktop.app().dialogs().assignment_menu();
    QCOMPARE(menu->findChild<QAction*>("ms_1_run_command")->toolTip(),
             QStringLiteral("Sends Super+R"));
    menu->findChild<QAction*>("ms_1_desktop_run_command")->trigger();
    QTRY_COMPARE(desktop.Find<QAbstractButton>("ms_1_btn_key_7")->text(),
                 QStringLiteral("Run Command"));
    QCOMPARE(marked(), (QStringList{"Linux Desktop", "ms_1_desktop_run_commandRun Command"}));

    // A menu command runs once the menu has closed: each label is awaited before the next.
    AnswerNextDialog({"check_flag_1", "btn_ok"});  // Ctrl alone
    Assign(desktop, 4, "ms_1_shortcut");
    QTRY_COMPARE(desktop.Find<QAbstractButton>("ms_1_btn_key_4")->text(), QStringLiteral("Ctrl+"));
    AnswerNextDialog({"btn_ok"}, [](QWidget* dialog) {
      dialog->findChild<QListWidget*>(QStringLiteral("list_macro"))->setCurrentRow(0);
    });
    Assign(desktop, 5, "ms_1_select_macro");
    QTRY_VERIFY_WITH_TIMEOUT(CableSettings().macros[4].has_value(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(int(CableSettings().buttons[6][2]), 0x3B, 10000);  // Alt+F2
    const vmouse::Settings on_mouse = CableSettings();
    QCOMPARE((std::vector<int>{on_mouse.buttons[6][0], on_mouse.buttons[6][1],
                               on_mouse.buttons[3][0], on_mouse.buttons[3][1]}),
             (std::vector<int>{0x11, kModifierAlt, 0x11, 0x01}));  // shortcuts: Alt, and Ctrl

    // The macro changed in the editor reaches the button once the editor closes.
    AnswerNextDialog({"ms_1_macro_key1_btn", "btn_exit"}, [](QWidget* editor) {
      editor->findChild<QListWidget*>(QStringLiteral("ms_1_macro_list"))->setCurrentRow(0);
    });
    desktop.Find<QAbstractButton>("ms_1_btn_macro")->click();
    QTRY_COMPARE_WITH_TIMEOUT(CableSettings().macros[4]->entries.size(), std::size_t(4), 10000);
  }

  // One that fits shows none.
  void LongNamesShowWholeInToolTips() {
    const std::u16string long_name = u"Long Range Profile for the Night Maps of the Season";
    Desktop desktop(Desktop::Mouse::kNone, {u"Short", long_name});
    desktop.app().ShowWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&desktop.app().window()));
    auto* profiles = desktop.Find<QListWidget>("ms_1_list_profile");
    QCOMPARE(TipOver(profiles, 1) + "|" + TipOver(profiles, 0),
             QString::fromStdU16String(long_name) + "|");
  }
};

const bool registered = RegisterSuite<PageTest>("PageTest");

}  // namespace melko::ui::test

#include "page_ui_test.moc"
