// melko as a Wayland client on a private headless weston: the program maps its window as a
// native client, an apply from the window reaches the mouse, the macro editor and the shortcut
// field take what is typed and clicked in the program's windows and say that only that is heard,
// and key names follow the session's layout. Input comes from inside the client (the headless
// compositor has no devices), but through the windows' Wayland platform objects as real input
// does. Its own program, on the wayland platform.
#include <QAbstractButton>
#include <QApplication>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QWindow>
#include <cstdlib>

#include "common/install_paths.h"
#include "common/language.h"
#include "input/keyboard_layout.h"
#include "input/xkb/xkb_layout.h"
#include "macros/macro_editor_controls.h"
#include "platform/dl_driver_loader.h"
#include "support/test_support.h"
#include "support/vmouse_process.h"
#include "support/weston_server.h"
#include "ui/desktop_app.h"
#include "ui/dialogs/shortcut_dialog.h"
#include "ui/macro_editor/macro_editor_window.h"
#include "ui/theme.h"
#include "ui/window_capture.h"

namespace melko::ui::test {
namespace {

testing::TempDir& RunFolder() {
  static testing::TempDir folder;
  return folder;
}

// The pointer onto the middle of a widget, and a click there, as the compositor would send them.
QPoint MoveTo(QWidget* widget) {
  const QPoint at = widget->mapTo(widget->window(), widget->rect().center());
  QTest::mouseMove(widget->window()->windowHandle(), at);
  return at;
}
void Click(QWidget* widget) {
  const QPoint at = MoveTo(widget);
  QTest::mouseClick(widget->window()->windowHandle(), Qt::LeftButton, {}, at);
}
// A key pressed and released at this evdev position, with the key code the compositor gives.
void Type(QWidget* window, quint32 evdev_code, Qt::Key key) {
  for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
    QKeyEvent event(type, key, Qt::NoModifier, evdev_code + 8, 0, 0);
    QCoreApplication::sendEvent(window->windowHandle(), &event);
  }
}

}  // namespace

class WaylandTest : public QObject {
  Q_OBJECT

 private slots:
  void TheProgramIsAWaylandClientWhereTheSessionIsWayland() {
    testing::VmouseProcess mouse({"--cable"});
    // Nothing chooses the platform for it: the Wayland display alone makes it a Wayland client.
    testing::ChildProcess melko({MELKO_BIN_DIR "/melko", "--debug"}, RunFolder() / "melko.err",
                                {{"QT_QPA_PLATFORM", ""},
                                 {"MELKO_VMOUSE", mouse.socket_path()},
                                 {"XDG_CONFIG_HOME", (RunFolder() / "config").string()}});
    melko.CloseInput();
    const auto said = [](const char* line) {
      return testing::ReadText(RunFolder() / "melko.err").find(line) != std::string::npos;
    };
    QTRY_VERIFY_WITH_TIMEOUT(said("the window is on screen (Qt platform wayland)"), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(said("keys are recorded in melko's windows only"), 20000);
    QCOMPARE(melko.Stop(), 0);
    // Where the X server hears only its own clients, the hook is not used either.
    QVERIFY(!DesktopHookHearsAll({"xcb", ":0", "wayland-0", "wayland"}));
    QVERIFY(!DesktopHookHearsAll({"xcb", ":0", "", "wayland"}));
  }

  void AnApplyFromTheWindowReachesTheMouse() {
    testing::VmouseProcess mouse({"--cable"});
    qputenv("MELKO_VMOUSE", QByteArray::fromStdString(mouse.socket_path()));
    testing::TempDir data;
    DesktopOptions options;
    options.data_folder = data.path();
    options.driver_loader =
        std::make_unique<DlDriverLoader>(std::vector<std::string>{MELKO_BIN_DIR});
    DesktopApp desktop(std::move(options));
    QVERIFY(desktop.LoadStores().empty());
    desktop.ShowWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&desktop.window()));
    desktop.OpenDevices();
    QVERIFY(desktop.hooks().window_only);
    auto* apply = desktop.controls().Find<QWidget>("ms_1_apply_btn");
    QTRY_VERIFY(apply->isEnabled());
    const std::size_t before = mouse.LogLines().size();
    Click(apply);
    QTRY_VERIFY_WITH_TIMEOUT(mouse.LogLines().size() >= before + 5, 20000);
    desktop.Shutdown();
    qunsetenv("MELKO_VMOUSE");
  }

  void TheEditorRecordsWhatIsTypedAndClickedInItsWindow() {
    testing::TempDir data;
    ProfileSession session(data.path());
    session.LoadProfileStore();
    session.LoadMacroStore();
    HookTable capture = LoadCaptureTable();
    QVERIFY(capture.window_only);
    MacroEditorWindow window(nullptr, session, capture, data.path());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.Find("window_capture_note")->isVisible());

    auto* record = window.Find<QAbstractButton>(macro_control::kRecord);
    Click(record);
    QVERIFY(record->isChecked());
    // Away from the record button clicks are steps; keys are, wherever the pointer is.
    Click(window.Find("step_list_title"));
    Type(&window, 30, Qt::Key_A);
    Type(&window, 48, Qt::Key_B);
    auto* steps = window.Find<QListWidget>(macro_control::kStepList);
    QTRY_COMPARE(steps->count(), 6);
    Click(record);  // ends the recording, and is no step
    QVERIFY(!record->isChecked());
    QTest::qWait(100);
    const std::string stored =
        session.WithStores([](const ProfileStore&, const MacroStore& macros) {
          return testing::MacroStepsText(*macros.macros.at(0));
        });
    QCOMPARE(QString::fromStdString(stored), QStringLiteral("241+10 241-10 4+10 4-10 5+10 5-10"));
    window.reject();
    UnloadHookLibrary(capture);
  }

  // The session's layout is French (XKB_DEFAULT_LAYOUT): the key where US keyboards have Q types
  // A, and is named so.
  void TheShortcutFieldTakesTheKeyTypedIntoIt() {
    HookTable capture = LoadCaptureTable();
    ShortcutDialog dialog(nullptr, capture);
    dialog.Open({});
    QVERIFY(QTest::qWaitForWindowExposed(dialog.window()));
    // The headless compositor has no keyboard to give a window the focus: the test gives it.
    QApplication::setActiveWindow(dialog.window());
    QVERIFY(dialog.window()->findChild<QWidget*>("window_capture_note")->isVisible());
    auto* key = dialog.window()->findChild<QLineEdit*>("edit_key");
    key->setFocus();
    QTRY_VERIFY(dialog.capturing());
    Type(dialog.window(), 16, Qt::Key_A);
    QTRY_COMPARE(key->text(), QStringLiteral("A"));
    QCOMPARE(dialog.fields().key, 0x14);  // the usage of that position
    dialog.window()->reject();
    UnloadHookLibrary(capture);
  }
};

}  // namespace melko::ui::test

// A private weston for the whole run; skipped (77) without weston or Qt's Wayland plug-in.
int main(int argc, char** argv) {
  using namespace melko;
  const QString plugin =
      QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/libqwayland-generic.so";
  if (access(testing::kWestonProgram, X_OK) != 0 || !QFile::exists(plugin)) {
    std::fprintf(stderr,
                 "SKIP: weston or qt6-wayland is not installed (scripts/deps installs them)\n");
    return 77;
  }
  std::unique_ptr<testing::WestonServer> weston;
  try {
    weston = std::make_unique<testing::WestonServer>(ui::test::RunFolder() / "weston.log");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  const testing::TempDir runtime;  // 0700, as mkdtemp makes it
  setenv("WAYLAND_DISPLAY", weston->socket_path().c_str(), 1);
  setenv("QT_QPA_PLATFORM", "wayland", 1);
  setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  setenv("XKB_DEFAULT_LAYOUT", "fr", 1);
  unsetenv("DISPLAY");
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  ui::ApplyTheme(app);
  InstallLanguage(LanguageTexts::Load(DefaultSkinFolder() / "lan.xml"));
  InstallKeyboardLayout(LoadSessionLayout());
  ui::test::WaylandTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "wayland_test.moc"
