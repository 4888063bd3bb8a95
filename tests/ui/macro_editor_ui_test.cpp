// The macro editor window from the real skin over a real session and a fake hook: the controls
// reach the editor and the editor the widgets (its rules: tests/unit/macros).
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "common/text.h"
#include "profiles/data_folder.h"
#include "support/child_process.h"
#include "ui/file_dialogs.h"
#include "ui/macro_editor/macro_editor_window.h"
#include "ui_tests.h"

namespace melko::ui::test {
namespace {

// The editor window on a private data folder holding these macros, shown and active.
struct Bench {
  explicit Bench(const std::vector<std::pair<std::u16string, std::string>>& macros = {}) {
    testing::SeedStores(data.path(), {}, macros);
    session.LoadProfileStore();
    session.LoadMacroStore();
    window = std::make_unique<MacroEditorWindow>(nullptr, session, FakeHookTable(), data.path());
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get())) qFatal("the window is not active");
  }

  template <class Widget = QWidget>
  Widget* Find(const char* name) {
    auto* widget = window->Find<Widget>(name);
    if (!widget) qFatal("no control %s", name);
    return widget;
  }
  // Near the left edge, where a check box has its box.
  void Click(const char* name) {
    auto* button = Find<QAbstractButton>(name);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
  }
  // Pastes over a field's text (as typing would, also a character QTest cannot type) and leaves
  // the field with Return.
  void Type(const char* name, const QString& text) {
    auto* edit = Find<QLineEdit>(name);
    edit->setFocus();
    edit->selectAll();
    edit->insert(text);
    QTest::keyClick(edit, Qt::Key_Return);
  }
  QStringList Items() { return Rows(Find<QListWidget>("ms_1_macro_list")); }
  QListWidget* steps() { return Find<QListWidget>("ms_1_macro_action_list"); }

  // A macro's steps as the session holds them, "code+delay" or "code-delay" (none: an exception).
  QString Stored(const std::u16string& name) {
    return session.WithStores([&](const ProfileStore&, const MacroStore& macros) {
      const auto index = std::size_t(FindMacro(macros, name));
      return QString::fromStdString(testing::MacroStepsText(*macros.macros.at(index)));
    });
  }

  testing::TempDir data;
  ProfileSession session{data.path()};
  std::unique_ptr<MacroEditorWindow> window;
};

}  // namespace

class MacroEditorTest : public QObject {
  Q_OBJECT

 private slots:
  void RecordingFillsTheRowsAndClosingEndsIt() {
    Bench bench;
    bench.Type("ms_1_default_delay_edit", QStringLiteral("50"));
    bench.Click("ms_1_macro_record_btn");  // no macro selected: one is added
    auto* record = bench.Find<QAbstractButton>("ms_1_macro_record_btn");
    QCOMPARE(bench.Items() << record->text(), (QStringList{"Macro1", "Stop Recording"}));
    QVERIFY(Capturing() && !Hook().wheel);
    // Only the buttons that end the recording can be used: a file dialog would record keys.
    for (QWidget* control : bench.window->findChildren<QWidget*>()) {
      if (control->focusPolicy() == Qt::NoFocus) continue;
      const bool stops = control == record || control->objectName() == "btn_exit";
      QVERIFY2(control->isEnabled() == stops, qPrintable(control->objectName()));
    }
    QEvent leave(QEvent::Leave), enter(QEvent::Enter);
    QCoreApplication::sendEvent(record, &leave);
    Events({{'A', 0}, {'A', 1}, {513, 0}, {514, 0}});
    // Keys typed into the window while recording are for the recorder only: Esc does not close it.
    QTest::keyClick(record, Qt::Key_Escape);
    QVERIFY(bench.window->isVisible());
    // Closing while recording keeps the steps but not a key still held; the exit button's click
    // is not recorded either (the record button's: the recording test on Xvfb).
    Events({{'B', 0}, {'B', 1}, {'C', 0}});
    QCoreApplication::sendEvent(bench.Find("btn_exit"), &enter);
    Events({{513, 0}, {514, 0}});
    bench.Click("btn_exit");
    QVERIFY(!bench.window->isVisible() && !Hook().installed && !Hook().keys && !Hook().mouse &&
            !Hook().wheel);
    QCOMPARE(bench.Stored(u"Macro1"), QStringLiteral("4+50 4-50 241+50 241-50 5+50 5-10"));
  }

  void StepControlsReachTheEditor() {
    Bench bench({{u"Jump", "4+50 4-60 241+70 241-80"}});
    // The list taking the focus picks no macro (a recording would go into it); a key does.
    auto* list = bench.Find<QListWidget>("ms_1_macro_list");
    bench.Find("ms_1_macro_add_btn")->setFocus();
    for (int tabs = 0; tabs < 50 && !list->hasFocus(); ++tabs)
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(list->hasFocus() && bench.window->editor().state().selected_row == -1);
    QTest::keyClick(list, Qt::Key_Down);
    bench.steps()->setCurrentRow(0);
    bench.Click("ms_1_macro_action_edit_check");
    QCOMPARE(bench.Find<QLineEdit>("ms_1_macro_delay_edit")->text(), QStringLiteral("50"));
    // The key field takes the next key from the desktop while it has the focus.
    bench.Find("ms_1_macro_action_edit")->setFocus();
    Events({{'B', 0}});
    // Esc is a key for the field, not the window's; Tab moves on (and is no key: the unit test).
    QTest::keyClick(bench.Find("ms_1_macro_action_edit"), Qt::Key_Escape);
    QTest::keyClick(bench.Find("ms_1_macro_action_edit"), Qt::Key_Tab);
    QVERIFY(bench.window->isVisible() && !Capturing());
    bench.Type("ms_1_macro_delay_edit", QStringLiteral("5"));
    QStringList row;  // as the list shows it
    for (const char* part : {"key", "action", "delay"})
      row << bench.steps()->itemWidget(bench.steps()->item(0))->findChild<QLabel*>(part)->text();
    QCOMPARE(row.join(' '), QStringLiteral("B Press 10"));

    bench.Click("ms_1_macro_down_btn");
    bench.steps()->setCurrentRow(2);
    bench.Find<QComboBox>("ms_1_macro_mouse_action_combo")->activated(1);
    bench.Click("ms_1_macro_save_btn");
    bench.Click("ms_1_macro_insert_mouse_btn");
    bench.steps()->setCurrentRow(0);
    bench.Click("ms_1_macro_key3_btn");
    QCOMPARE(bench.Stored(u"Jump"), QStringLiteral("4-60 243+10 243-10 5+10 242+70 241-80"));
    bench.Click("ms_1_macro_delete_action_btn");
    QCOMPARE(bench.steps()->count(), 5);
    bench.Click("ms_1_macro_clear_action_btn");
    QVERIFY(bench.steps()->count() == 0 && bench.Stored(u"Jump").isEmpty());

    // The program's end ends the modal loop without closing the window: going, it ends the
    // recording as a close does.
    bench.Click("ms_1_macro_record_btn");
    Events({{'D', 0}, {'D', 1}, {'E', 0}});
    bench.window.reset();
    QCOMPARE(bench.Stored(u"Jump"), QStringLiteral("7+10 7-10"));
    QVERIFY(!Hook().installed && !Hook().keys);
  }

  void MacrosAreAddedRenamedDeletedExportedAndImported() {
    Bench bench;
    bench.session.Sync([](ProfileStore& profiles, MacroStore&) {
      profiles.Selected()->buttons[3].function = kFunctionMacro;
      WriteFixedText(profiles.Selected()->buttons[3].macro_name, u"Macro2");
    });
    bench.Click("ms_1_macro_add_btn");
    bench.Click("ms_1_macro_add_btn");
    // A rename takes the buttons that play the macro along.
    bench.Type("ms_1_macro_name_edit", QStringLiteral("Dash"));
    QCOMPARE(bench.session.CurrentSnapshot().buttons[3].macro_name[0], u'D');

    PresetFileAnswers({bench.data / "dash.macro"});
    bench.Click("ms_1_macro_export_btn");
    bench.window->boxes().PresetAnswers({false, true});
    bench.Click("ms_1_macro_delete_btn");  // declined
    bench.Click("ms_1_macro_delete_btn");
    QCOMPARE(bench.window->boxes().texts().back(), "Delete the macro “Dash”?");
    PresetFileAnswers({bench.data / "dash.macro"});
    bench.Click("ms_1_macro_import_btn");
    QCOMPARE(bench.Items(), (QStringList{"Macro1", "Dash"}));

    // A file that cannot be written says why (one that cannot be read: fuzz_exchange_import).
    const std::filesystem::path unwritable = bench.data / "none/x.macro";
    PresetFileAnswers({unwritable});
    bench.window->boxes().PresetAnswers({true});
    bench.Click("ms_1_macro_export_btn");
    QCOMPARE(bench.window->boxes().asked().back(), "export_fail_text");
    QVERIFY(bench.window->boxes().texts().back().starts_with("“" + unwritable.string()));

    // A change the data folder cannot take (made immutable) says why; the list stays as stored.
    const std::string folder = (bench.data / kStoreFolderName).string();
    if (testing::RunProgram({"/usr/bin/chattr", "+i", folder}).exit_code != 0) QSKIP("no chattr");
    bench.window->boxes().PresetAnswers({true});
    bench.Click("ms_1_macro_add_btn");
    testing::RunProgram({"/usr/bin/chattr", "-i", folder});
    QCOMPARE(bench.window->boxes().texts().back(),
             "The change could not be saved in “" + folder +
                 "”: Operation not permitted. What you see is what is stored.");
    QCOMPARE(bench.Items(), (QStringList{"Macro1", "Dash"}));
  }
};

const bool registered = RegisterSuite<MacroEditorTest>("MacroEditorTest");

}  // namespace melko::ui::test

#include "macro_editor_ui_test.moc"
