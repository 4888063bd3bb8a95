// The page's dialogs, opened without their modal loop and driven from here (the accessibility
// test runs them modally).
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <string>
#include <vector>

#include "ui/dialogs/colour_dialog.h"
#include "ui/dialogs/macro_choice_dialog.h"
#include "ui/dialogs/profile_name_dialog.h"
#include "ui/dialogs/shortcut_dialog.h"
#include "ui/file_dialogs.h"
#include "ui/widgets/hue_sat_picker.h"
#include "ui_tests.h"

namespace melko::ui::test {
namespace {

template <class Widget = QWidget>
Widget* Child(QDialog* window, const char* name) {
  auto* found = window ? window->findChild<Widget*>(QLatin1String(name)) : nullptr;
  if (!found) qFatal("the skin lacks %s", name);
  return found;
}

bool Activate(QWidget* window) {
  window->activateWindow();
  return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, 1000);
}

void Retype(QLineEdit* edit, const QString& text) {
  edit->clear();
  QTest::keyClicks(edit, text);
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private:
  QWidget owner;

 private slots:
  void initTestCase() {
    owner.setGeometry(100, 100, 500, 400);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
  }

  void TheColourDialogClampsTakesSwatchesAndThePaletteAndOpensBelowItsControl() {
    ColourDialog dialog(&owner);
    dialog.Open(nullptr, 0xFF102030);
    QDialog* window = dialog.window();
    auto* red = Child<QLineEdit>(window, "r_edit");
    auto* green = Child<QLineEdit>(window, "g_edit");
    Retype(green, "300");  // corrected at once; the rules are the dialog logic's, row by row
    QCOMPARE(green->text(), QStringLiteral("255"));

    // Dragging reports the colour at each step; the top-left corner is pure red.
    auto* palette = Child<HueSatPicker>(window, "ColorPallet");
    QTest::mousePress(palette, Qt::LeftButton, {}, palette->rect().center());
    QTest::mouseMove(palette, QPoint(palette->width() / 3, 10));
    QCOMPARE(dialog.colour(), 0xFF000000u | palette->colour().rgb());
    QCOMPARE(red->text().toInt(), palette->colour().red());
    QTest::mouseRelease(palette, Qt::LeftButton, {}, QPoint(-20, -20));
    QCOMPARE(dialog.colour(), 0xFFFF0000u);

    // Black is shown at the palette's nearest point, white, and stays the dialog's colour.
    Retype(red, "0");
    QCOMPARE(dialog.colour(), 0xFF000000u);
    QCOMPARE(palette->colour().rgb(), 0xFFFFFFFFu);
    // A swatch (white); confirming is the keyboard test's.
    Child<QPushButton>(window, "mouse_dpi_color_16")->click();
    QCOMPARE(Child<QLineEdit>(window, "b_edit")->text(), QStringLiteral("255"));
    QCOMPARE(dialog.colour(), 0xFFFFFFFFu);

    // Opened again from a control: left below it, and inside the screen.
    const QRect screen = owner.screen()->availableGeometry();
    QPushButton control(&owner);
    control.setGeometry(300, 40, 30, 20);
    dialog.Open(&control, 0xFF000000);
    QCOMPARE(dialog.window()->pos(), control.mapToGlobal(QPoint(0, 20)) - QPoint(200, 0));
    control.move(0, owner.height() - 20);  // near the left edge, at the screen's bottom
    owner.move(screen.left(), screen.bottom() - owner.height());
    dialog.Open(&control, 0xFF000000);
    const QRect placed = dialog.window()->frameGeometry();
    QVERIFY2(screen.contains(placed) && placed.left() == screen.left(), "kept on the screen");
  }

  void TheMacroChoiceSelectsByIndexAndBoundsTheRepeatCount() {
    MacroStore macros;
    for (const char16_t* name : {u"Jump", u"Reload", u"Build"})
      macros.macros.push_back(MakeEmptyMacro(name));
    MacroChoiceDialog dialog(&owner);
    dialog.Open(macros, {-1, 0, 5});
    QDialog* window = dialog.window();
    QVERIFY(Activate(window));
    auto* list = Child<QListWidget>(window, "list_macro");
    // Nothing looks chosen, though the list has the focus, and OK waits for a choice.
    auto* ok = Child<QPushButton>(window, "btn_ok");
    QVERIFY(list->hasFocus() && !list->currentItem() && !ok->isEnabled());
    auto* count = Child<QLineEdit>(window, "edit_loop_time");
    count->setFocus();
    Retype(count, "999");
    list->setFocus();  // the count is taken when its edit loses the focus
    QCOMPARE(count->text() + QString::number(dialog.fields().repeat_count), "255255");
    auto* loop_row = Child(window, "hor_loop_time");
    Child<QRadioButton>(window, "repeat_2")->click();
    QVERIFY(loop_row->isHidden() && dialog.fields().mode == 1);
    Child<QRadioButton>(window, "repeat_1")->click();
    QVERIFY(!loop_row->isHidden());

    dialog.Open(macros, {1, 2, 300});  // shown as preset: row 1, the loop row hidden, 255
    QVERIFY(list->currentRow() == 1 && count->text() == "255" && loop_row->isHidden());
  }

  void TheShortcutListensWhileFocusedAndTakesKeysAsTyped() {
    const HookTable hooks = FakeHookTable();
    ShortcutDialog dialog(&owner, hooks);
    dialog.Open({{false, true, false, false}, 0});
    QDialog* window = dialog.window();
    const auto taken = [&] {  // the key's usage in hex and the boxes ticked: "4 0100", Shift+A
      QString shown = QString::number(dialog.fields().key, 16) + ' ';
      for (const char* box : {"check_flag_1", "check_flag_2", "check_flag_3", "check_flag_4"})
        shown += Child<QCheckBox>(window, box)->isChecked() ? '1' : '0';
      return shown;
    };
    QVERIFY(Activate(window) && !Capturing());
    auto* key = Child<QLineEdit>(window, "edit_key");
    key->setFocus();      // listening: the keys below are taken
    Events({{0x09, 1}});  // the Tab that moved the focus here is let go: not a key to take
    QCOMPARE(int(dialog.fields().key), 0);
    Events({{0x41, 0}, {0x41, 1}});  // A alone keeps the ticked Shift
    QCOMPARE(key->text() + ' ' + taken(), QStringLiteral("A 4 0100"));
    Events({{0xA2, 0}, {0x74, 0}, {0x74, 1}, {0xA2, 1}});  // Ctrl+F5, Ctrl let go last
    QCOMPARE(taken(), QStringLiteral("3e 1000"));
    Events({{0xA2, 0}, {0xA2, 0}, {0xA2, 1}});  // Ctrl alone, with a repeat
    QCOMPARE(int(dialog.fields().key), 224);
    Events({{0xA0, 0}, {0xA4, 0}, {0x4B, 0}, {0xA0, 1}, {0x4B, 1}, {0xA4, 1}});  // Shift+Alt+K
    QCOMPARE(taken(), QStringLiteral("e 0110"));
    QTest::keyClick(key, Qt::Key_Escape);  // a key to capture, not a cancel
    QVERIFY(window->isVisible());

    Child(window, "check_flag_3")->setFocus();
    QVERIFY(!Capturing());
    key->setFocus();
    QWidget other(window, Qt::Window);  // a window the modal dialog does not block
    other.show();
    QVERIFY(Activate(&other) && !Capturing());
    PostHookEvent(0x41, 0);  // queued before the hook stopped: not taken
    QCOMPARE(int(dialog.fields().key), 0x0E);
    QVERIFY(Activate(window) && Capturing());

    Child<QCheckBox>(window, "check_flag_1")->click();
    Child<QCheckBox>(window, "check_flag_2")->click();
    Child<QPushButton>(window, "btn_ok")->click();
    QVERIFY(!Capturing() && dialog.confirmed());
    QVERIFY((dialog.fields().modifiers == std::array<bool, 4>{true, false, true, false}));

    dialog.Open({});  // a cancel ends the capture too
    QVERIFY(Activate(window));
    key->setFocus();
    Child<QToolButton>(window, "btn_exit")->click();
    QVERIFY(!Hook().installed && !dialog.confirmed());
  }

  void TheProfileNameRefusesEmptyAndTakenNamesAndKeepsTheText() {
    ProfileNameDialog dialog(&owner);
    dialog.Open("profile_name_2_text", {u"Profile1", u"Gaming"}, u"");
    QDialog* window = dialog.window();
    QCOMPARE(Child<QLabel>(window, "title_string")->text(), QStringLiteral("Rename Profile"));
    dialog.boxes()->PresetAnswers({true});
    auto* name = Child<QLineEdit>(window, "edit_name");
    name->insert("gaming");  // taken (the refusals are the dialog logic's, row by row)
    Child<QPushButton>(window, "btn_ok")->click();
    QCOMPARE(dialog.boxes()->asked(), std::vector<std::string>{"warn_name_2_text"});
    QVERIFY(window->isVisible() && name->text() == "gaming");
    name->setText(QString(98, 'p'));  // an emoji pasted where one unit is left leaves no half
    name->setCursorPosition(0);
    name->insert(QString::fromUtf8("\xF0\x9F\x98\x80"));
    QCOMPARE(name->text(), QString(98, 'p'));
  }

  // Never in the folder the program was started from.
  void TheProfileFileChoosersOpenAtHomeThenWhereTheLastFileWas() {
    QTemporaryDir home, elsewhere;
    const QByteArray old_home = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    const QString file = elsewhere.filePath("mine.pro");
    QVERIFY(QFile(file).open(QIODevice::WriteOnly));
    QStringList opened_in;
    const auto answer = [&opened_in](const QString& typed) {  // in the dialog's loop, once it is up
      QTimer::singleShot(0, [&opened_in, typed] {
        auto* dialog = static_cast<QFileDialog*>(QApplication::activeModalWidget());
        opened_in << dialog->directory().absolutePath();
        // Typed: selectFile leaves the name field alone while it has the focus.
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(typed);
        typed.isEmpty() ? dialog->reject() : static_cast<QDialog*>(dialog)->accept();
      });
    };
    answer(file);
    const auto chosen = ChooseFileToOpen(&owner, FileKind::kProfile);
    QCOMPARE(QString::fromStdString(chosen.value_or("").string()), file);
    answer({});
    QVERIFY(!ChooseFileToSave(&owner, FileKind::kProfile));
    QCOMPARE(opened_in, (QStringList{home.path(), elsewhere.path()}));
    qputenv("HOME", old_home);
  }
};

const bool registered = RegisterSuite<DialogsTest>("DialogsTest");

}  // namespace melko::ui::test

#include "dialogs_ui_test.moc"
