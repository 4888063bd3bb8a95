// The macro editor window from the real skin over a real profile session, with a hook library of
// test functions: each control reaches the editor, and what the editor shows reaches the widgets.
// The editor's own rules are tested in tests/unit/macros.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>
#include <QTest>
#include <algorithm>
#include <map>

#include "common/text.h"
#include "macros/macro_files.h"
#include "ui/file_dialogs.h"
#include "ui/macro_editor/macro_editor_window.h"
#include "ui/widgets/svg_view.h"
#include "ui_tests.h"

namespace melko::ui::test {
namespace {

bool Capturing() {
  return Hook().installed && Hook().keys;
}
// Posted only while the library would: keys while keys are on, buttons while buttons are on.
void Event(std::uint32_t wparam, std::intptr_t lparam) {
  if (Hook().installed && (wparam >= 512 ? Hook().mouse : Hook().keys))
    PostHookEvent(wparam, lparam);
}
constexpr std::uint32_t kKeyA = 0x41, kKeyB = 0x42, kLeftDown = 513, kLeftUp = 514;
constexpr std::intptr_t kPress = 0, kRelease = 1;

// The editor window on a private data folder holding these macros, shown and active.
class Bench {
 public:
  explicit Bench(const std::map<std::u16string, std::string>& macros = {}) {
    session_.LoadProfileStore();
    session_.LoadMacroStore();
    session_.Sync([&](ProfileStore&, MacroStore& store) {
      for (const auto& [name, steps] : macros)
        store.macros.push_back(testing::MakeMacro(name, steps));
    });
    window_ = std::make_unique<MacroEditorWindow>(nullptr, session_, FakeHookTable(), data_.path());
    window_->show();
    window_->activateWindow();
    if (!QTest::qWaitForWindowActive(window_.get())) qFatal("the window is not active");
  }
  MacroEditorWindow& window() { return *window_; }
  ProfileSession& session() { return session_; }
  std::filesystem::path File(const std::string& name) const { return data_ / name; }

  template <class Widget = QWidget>
  Widget* Find(const char* name) {
    auto* widget = window_->Find<Widget>(name);
    if (!widget) qFatal("no control %s", name);
    return widget;
  }
  // Near the left edge, where a check box has its box.
  void Click(const char* name) {
    auto* button = Find<QAbstractButton>(name);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
  }
  // Types into a field and leaves it with Return.
  void Type(const char* name, const QString& text) {
    auto* edit = Find<QLineEdit>(name);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }
  void Pointer(QEvent::Type type) {  // onto or off the record button
    QEvent event(type);
    QCoreApplication::sendEvent(Find("ms_1_macro_record_btn"), &event);
  }
  QStringList Items(const char* list_name) {
    QStringList items;
    auto* list = Find<QListWidget>(list_name);
    for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
    return items;
  }
  // Each step row as "key action delay", and a picture of a row.
  QStringList Steps() {
    QStringList rows;
    for (int i = 0; i < steps()->count(); ++i) {
      QWidget* row = steps()->itemWidget(steps()->item(i));
      QStringList parts;
      for (const char* part : {"key", "action", "delay"}) {
        parts << row->findChild<QLabel*>(QString::fromLatin1(part))->text();
      }
      rows << parts.join(QLatin1Char(' '));
    }
    return rows;
  }
  QListWidget* steps() { return Find<QListWidget>("ms_1_macro_action_list"); }
  QString Picture(int row, const char* name) {
    return steps()->itemWidget(steps()->item(row))->findChild<SvgView*>(name)->file();
  }

  // A macro's steps as the session holds them, "code+delay" or "code-delay".
  QStringList Stored(const std::u16string& name) {
    return session_.WithStores([&](const ProfileStore&, const MacroStore& macros) {
      const int index = FindMacro(macros, name);
      if (index < 0) return QStringList{QStringLiteral("missing")};
      return QString::fromStdString(testing::MacroStepsText(*macros.macros[std::size_t(index)]))
          .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    });
  }

 private:
  testing::TempDir data_;
  ProfileSession session_{data_.path()};
  std::unique_ptr<MacroEditorWindow> window_;
};

}  // namespace

class MacroEditorTest : public QObject {
  Q_OBJECT

 private slots:
  // A key held (repeats), a click away from the record button, and the click that stops it.
  void RecordingFillsTheRowsWithTheDelaysOfTheMode() {
    Bench bench;
    QVERIFY(!bench.Find("ms_1_macro_clear_action_btn")->isEnabled());  // no macro selected
    bench.Type("ms_1_default_delay_edit", QStringLiteral("50"));
    QCOMPARE(bench.Find<QLineEdit>("ms_1_default_delay_edit")->text(), QStringLiteral("50"));

    bench.Click("ms_1_macro_record_btn");  // no macro selected: one is added
    QCOMPARE(bench.Items("ms_1_macro_list"), QStringList{"Macro1"});
    QCOMPARE(bench.Find<QLineEdit>("ms_1_macro_name_edit")->text(), QStringLiteral("Macro1"));
    auto* record = bench.Find<QAbstractButton>("ms_1_macro_record_btn");
    QVERIFY(record->isChecked());
    QCOMPARE(record->text(), QStringLiteral("Stop Recording"));
    QVERIFY(Capturing() && !Hook().wheel);
    QVERIFY(!bench.Find("ms_1_macro_add_btn")->isEnabled());

    bench.Pointer(QEvent::Enter);
    QVERIFY(!Hook().mouse);
    bench.Pointer(QEvent::Leave);
    QVERIFY(Hook().mouse);
    for (std::intptr_t lparam : {kPress, kPress, kPress, kRelease}) Event(kKeyA, lparam);
    Event(kLeftDown, 0);
    Event(kLeftUp, 0);
    // Keys typed into the window while recording are for the recorder only: Esc does not close it.
    QTest::keyClick(record, Qt::Key_Escape);
    QVERIFY(bench.window().isVisible());

    bench.Pointer(QEvent::Enter);
    QVERIFY(!Hook().mouse);
    Event(kLeftDown, 0);  // the stopping click, never delivered
    bench.Click("ms_1_macro_record_btn");
    QVERIFY(!record->isChecked());
    QCOMPARE(record->text(), QStringLiteral("Start Recording"));
    QVERIFY(!Hook().installed && !Hook().keys && !Hook().mouse);
    QCOMPARE(bench.Steps(), (QStringList{"A Press 50", "A Release 50", "Left Button Press 50",
                                         "Left Button Release 10"}));
    QCOMPARE(bench.Picture(1, "key_picture"), QStringLiteral("img/key.svg"));
    QCOMPARE(bench.Picture(1, "action_picture"), QStringLiteral("img/release.svg"));
    QCOMPARE(bench.Picture(2, "key_picture"), QStringLiteral("img/mouse_small.svg"));
    QCOMPARE(bench.Picture(2, "action_picture"), QStringLiteral("img/press.svg"));
    QCOMPARE(bench.steps()->currentRow(), 3);
    QCOMPARE(bench.Stored(u"Macro1"), (QStringList{"4+50", "4-50", "241+50", "241-10"}));
    QVERIFY(bench.Find("ms_1_macro_add_btn")->isEnabled());

    // Closing while recording keeps the steps and ends the capture.
    bench.Click("ms_1_macro_record_btn");
    Event(kKeyB, kPress);
    bench.Click("btn_exit");
    QVERIFY(!bench.window().isVisible());
    QVERIFY(!Hook().installed && !Hook().keys && !Hook().mouse && !Hook().wheel);
    QCOMPARE(bench.Stored(u"Macro1").size(), 5);
    QVERIFY(bench.Stored(u"Macro1").last().startsWith(QStringLiteral("5+")));
    // Installed once for each recording.
    QCOMPARE(int(std::count(Hook().calls.begin(), Hook().calls.end(), "install")), 2);
  }

  void StepsAreEditedMovedInsertedAndDeleted() {
    Bench bench({{u"Jump", "4+50 4-60 241+70 241-80"}});
    bench.Find<QListWidget>("ms_1_macro_list")->setCurrentRow(0);
    QCOMPARE(bench.Steps(), (QStringList{"A Press 50", "A Release 60", "Left Button Press 70",
                                         "Left Button Release 10"}));
    auto* pages = bench.Find<QStackedWidget>("ms_1_macro_action_edit_tab");
    bench.steps()->setCurrentRow(0);
    bench.Click("ms_1_macro_action_edit_check");
    QCOMPARE(pages->currentIndex(), 1);
    QCOMPARE(bench.Find<QLineEdit>("ms_1_macro_action_edit")->text(), QStringLiteral("A"));
    QCOMPARE(bench.Find<QLineEdit>("ms_1_macro_delay_edit")->text(), QStringLiteral("50"));

    // The key field takes the next key from the desktop while it has the focus.
    QVERIFY(!Capturing());
    bench.Find("ms_1_macro_action_edit")->setFocus();
    QVERIFY(Capturing());
    Event(kKeyB, kPress);
    QCOMPARE(bench.Find<QLineEdit>("ms_1_macro_action_edit")->text(), QStringLiteral("B"));
    bench.Type("ms_1_macro_delay_edit", QStringLiteral("5"));
    QVERIFY(!Capturing());
    QCOMPARE(bench.Find<QLineEdit>("ms_1_macro_delay_edit")->text(), QStringLiteral("5"));
    QCOMPARE(bench.Steps().first(), QStringLiteral("B Press 10"));
    QCOMPARE(bench.Stored(u"Jump").first(), QStringLiteral("5+10"));

    bench.Click("ms_1_macro_down_btn");
    QCOMPARE(bench.steps()->currentRow(), 1);
    QCOMPARE(bench.Steps().mid(0, 2), (QStringList{"A Release 60", "B Press 10"}));
    bench.steps()->setCurrentRow(2);
    QCOMPARE(pages->currentIndex(), 2);
    auto* combo = bench.Find<QComboBox>("ms_1_macro_mouse_action_combo");
    QCOMPARE(combo->currentText(), QStringLiteral("Left Button"));
    combo->activated(1);
    QCOMPARE(bench.Steps().at(2), QStringLiteral("Right Button Press 70"));
    bench.Click("ms_1_macro_save_btn");
    QCOMPARE(pages->currentIndex(), 0);

    // Clicks go in after the selected step, from the panel the check box shows.
    QVERIFY(!bench.Find("ms_1_macro_mouse_event_tab")->isVisible());
    bench.Click("ms_1_macro_insert_mouse_btn");
    QVERIFY(bench.Find("ms_1_macro_mouse_event_tab")->isVisible());
    QVERIFY(!bench.Find("ms_1_macro_name_tab")->isVisible());
    bench.steps()->setCurrentRow(0);
    bench.Click("ms_1_macro_key3_btn");
    QCOMPARE(bench.Steps().mid(1, 2),
             (QStringList{"Middle Button Press 10", "Middle Button Release 10"}));
    QCOMPARE(bench.steps()->currentRow(), 2);

    bench.Click("ms_1_macro_delete_action_btn");
    QCOMPARE(bench.Steps().size(), 5);
    QCOMPARE(bench.Stored(u"Jump").size(), 5);
    bench.Click("ms_1_macro_clear_action_btn");
    QVERIFY(bench.Steps().isEmpty());
    QVERIFY(bench.Stored(u"Jump").isEmpty());
  }

  void MacrosAreAddedRenamedDeletedExportedAndImported() {
    Bench bench;
    bench.session().Sync([](ProfileStore& profiles, MacroStore&) {
      profiles.Selected()->buttons[3].function = kFunctionMacro;
      WriteFixedText(profiles.Selected()->buttons[3].macro_name, u"Macro2");
    });
    bench.Click("ms_1_macro_add_btn");
    bench.Click("ms_1_macro_add_btn");
    QCOMPARE(bench.Items("ms_1_macro_list"), (QStringList{"Macro1", "Macro2"}));
    QCOMPARE(bench.Find<QListWidget>("ms_1_macro_list")->currentRow(), 1);

    // A rename takes the buttons that play the macro along.
    bench.Type("ms_1_macro_name_edit", QStringLiteral("Dash"));
    QCOMPARE(bench.Items("ms_1_macro_list"), (QStringList{"Macro1", "Dash"}));
    QCOMPARE(bench.session().CurrentSnapshot().buttons[3].macro_name[0], u'D');
    bench.Type("ms_1_macro_name_edit", QStringLiteral("macro1"));  // taken, without regard to case
    QCOMPARE(bench.Find<QLineEdit>("ms_1_macro_name_edit")->text(), QStringLiteral("Dash"));

    PresetFileAnswers({bench.File("dash.macro")});
    bench.Click("ms_1_macro_export_btn");
    QCOMPARE(std::filesystem::file_size(bench.File("dash.macro")),
             std::uintmax_t(kMacroRecordSize));

    bench.window().boxes().PresetAnswers({false, true});
    bench.Click("ms_1_macro_delete_btn");
    QCOMPARE(bench.Items("ms_1_macro_list"), (QStringList{"Macro1", "Dash"}));
    bench.Click("ms_1_macro_delete_btn");
    QCOMPARE(bench.window().boxes().asked(),
             (std::vector<std::string>{"delete_macro_text", "delete_macro_text"}));
    QCOMPARE(bench.Items("ms_1_macro_list"), QStringList{"Macro1"});
    QCOMPARE(bench.Find<QListWidget>("ms_1_macro_list")->currentRow(), 0);

    PresetFileAnswers({std::filesystem::path()});  // cancelled
    bench.Click("ms_1_macro_import_btn");
    QCOMPARE(bench.Items("ms_1_macro_list"), QStringList{"Macro1"});
    PresetFileAnswers({bench.File("dash.macro")});
    bench.Click("ms_1_macro_import_btn");
    QCOMPARE(bench.Items("ms_1_macro_list"), (QStringList{"Macro1", "Dash"}));
    QCOMPARE(bench.Find<QLineEdit>("ms_1_macro_name_edit")->text(), QStringLiteral("Dash"));
  }
};

namespace {
const bool registered = RegisterSuite<MacroEditorTest>("MacroEditorTest");
}

}  // namespace melko::ui::test

#include "macro_editor_ui_test.moc"
