// melko on a private headless weston, French layout. The compositor has no devices: input is made
// in the client, through the windows' Wayland platform objects.
#include <QAbstractButton>
#include <QApplication>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QWindow>

#include "common/install_paths.h"
#include "common/language.h"
#include "input/xkb/xkb_layout.h"
#include "macros/macro_editor_controls.h"
#include "support/vmouse_process.h"
#include "ui/dialogs/shortcut_dialog.h"
#include "ui/macro_editor/macro_editor_window.h"
#include "ui/theme.h"
#include "ui/window_capture.h"

namespace melko::ui::test {

const testing::TempDir run;  // the runtime folder of weston and the program, and the data folder

void Click(QWidget* widget) {
  const QPoint at = widget->mapTo(widget->window(), widget->rect().center());
  QTest::mouseMove(widget->window()->windowHandle(), at);  // the pointer enters, then presses
  QTest::mouseClick(widget->window()->windowHandle(), Qt::LeftButton, {}, at);
}
// The key at this evdev position pressed and released, with the key code the compositor sends.
void Type(QWidget* window, quint32 evdev_code) {
  for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
    QKeyEvent event(type, Qt::Key_unknown, Qt::NoModifier, evdev_code + 8, 0, 0);
    QCoreApplication::sendEvent(window->windowHandle(), &event);
  }
}

class WaylandTest : public QObject {
  Q_OBJECT

 private slots:
  void TheProgramIsAWaylandClient() {
    testing::VmouseProcess mouse({"--cable"});
    // Nothing chooses the platform: the session's Wayland display alone makes melko a client.
    testing::ChildProcess melko({MELKO_BIN_DIR "/melko", "--debug"}, run / "melko.err",
                                {{"QT_QPA_PLATFORM", ""}, {"MELKO_VMOUSE", mouse.socket_path()}});
    QTRY_VERIFY_WITH_TIMEOUT(
        testing::ReadText(run / "melko.err").find("on screen (Qt platform wayland)") !=
            std::string::npos,
        20000);
    QCOMPARE(melko.Stop(), 0);
    QVERIFY(!DesktopHookHearsAll({"xcb", ":0", "wayland-0", ""}));  // through Xwayland
  }

  // The key is named on the session's layout; both windows say that only they are heard.
  void TheEditorAndTheShortcutFieldTakeWhatIsTypedInTheirWindow() {
    HookTable capture = LoadCaptureTable();
    ProfileSession session(run.path());
    session.LoadMacroStore();
    MacroEditorWindow editor(nullptr, session, capture, run.path());
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QVERIFY(editor.Find("window_capture_note")->isVisible());
    auto* record = editor.Find<QAbstractButton>(macro_control::kRecord);
    Click(record);
    Click(editor.Find("step_list_title"));  // away from the record button, a click is a step
    for (quint32 key : {30, 48}) Type(&editor, key);  // A, B
    QTRY_COMPARE(editor.Find<QListWidget>(macro_control::kStepList)->count(), 6);
    Click(record);  // ends the recording, and is no step
    QCOMPARE(session.WithStores([](const ProfileStore&, const MacroStore& store) {
      return testing::MacroStepsText(*store.macros.at(0));
    }),
             "241+10 241-10 4+10 4-10 5+10 5-10");
    editor.reject();

    ShortcutDialog dialog(nullptr, capture);
    dialog.Open({});
    QVERIFY(QTest::qWaitForWindowExposed(dialog.window()));
    QVERIFY(dialog.window()->findChild<QWidget*>("window_capture_note")->isVisible());
    QApplication::setActiveWindow(dialog.window());  // as a compositor with a keyboard would
    auto* key = dialog.window()->findChild<QLineEdit*>("edit_key");
    key->setFocus();
    Type(dialog.window(), 16);  // where US keyboards have Q, French ones have A
    QTRY_COMPARE(key->text(), QStringLiteral("A"));
    QCOMPARE(dialog.fields().key, 0x14);  // the usage of the position
    dialog.window()->reject();
    UnloadHookLibrary(capture);
  }
};

}  // namespace melko::ui::test

// A private weston for the whole run; skipped (77) without weston or Qt's Wayland plug-in.
int main(int argc, char** argv) {
  using namespace melko;
  const QString plugin = QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms";
  if (access("/usr/bin/weston", X_OK) != 0 || !QFile::exists(plugin + "/libqwayland-generic.so")) {
    std::fprintf(stderr, "SKIP: weston or qt6-wayland is missing (scripts/deps installs them)\n");
    return 77;
  }
  setenv("XDG_RUNTIME_DIR", ui::test::run.path().c_str(), 1);
  testing::ChildProcess weston({"/usr/bin/weston", "--backend=headless-backend.so",
                                "--socket=wayland-melko", "--idle-time=0"},
                               ui::test::run / "weston.err",
                               {{"WAYLAND_DISPLAY", ""}, {"DISPLAY", ""}});
  for (int i = 0; i < 100 && !std::filesystem::exists(ui::test::run / "wayland-melko"); ++i)
    usleep(100000);
  setenv("WAYLAND_DISPLAY", "wayland-melko", 1);
  setenv("QT_QPA_PLATFORM", "wayland", 1);
  setenv("XKB_DEFAULT_LAYOUT", "fr", 1);
  unsetenv("DISPLAY");
  QApplication app(argc, argv);
  ui::ApplyTheme(app);
  InstallLanguage(LanguageTexts::Load(DefaultSkinFolder() / "lan.xml"));
  InstallKeyboardLayout(LoadSessionLayout());
  ui::test::WaylandTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "wayland_test.moc"
