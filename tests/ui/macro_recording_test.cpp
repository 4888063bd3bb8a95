// The macro editor recording through the real Hook.so on a private X server, driven with xdotool.
// Its own program: it runs on xcb, the other window tests offscreen.

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <cstdlib>

#include "common/install_paths.h"
#include "common/language.h"
#include "input/keyboard_layout.h"
#include "input/xkb/xkb_layout.h"
#include "macros/macro_editor_controls.h"
#include "platform/hook_library.h"
#include "support/test_support.h"
#include "support/x_server.h"
#include "ui/macro_editor/macro_editor_window.h"
#include "ui/theme.h"
#include "ui/window_capture.h"

namespace melko::ui::test {
const testing::TempDir run_folder;  // the logs of Xvfb and xdotool

class MacroRecordingTest : public QObject {
  Q_OBJECT

 private slots:
  // In the mode without delays (the delays are the editor's own tests), every step gets 10 ms.
  void KeysAndAClickAreRecorded() {
    // On an X11 session the program records through the hook, and says nothing of its windows.
    QVERIFY(DesktopHookHearsAll(DisplaySession::Current()));
    HookTable hooks = LoadHookLibrary({MELKO_BIN_DIR});
    const auto unload = qScopeGuard([&hooks] { UnloadHookLibrary(hooks); });  // after the window
    QVERIFY2(hooks.install_hook && hooks.enable_mouse_hook,
             "cannot load " MELKO_BIN_DIR "/Hook.so");
    const auto xdotool = [](const std::vector<std::string>& arguments) {
      return testing::RunXdotool(arguments, run_folder / "xdotool.log");
    };
    const auto point_at = [&xdotool](QWidget* widget) {  // its middle
      const QPoint at = widget->mapToGlobal(widget->rect().center());
      return xdotool({"mousemove", std::to_string(at.x()), std::to_string(at.y())});
    };
    testing::TempDir data;
    ProfileSession session(data.path());
    session.LoadMacroStore();
    MacroEditorWindow window(nullptr, session, hooks, data.path());
    window.show();
    window.move(0, 0);  // the window is larger than the server's screen; its top left shows
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QVERIFY(!window.Find("window_capture_note")->isVisible());
    QTest::mouseClick(window.Find<QAbstractButton>(macro_control::kNoDelayMode), Qt::LeftButton, {},
                      QPoint(8, 8));

    auto* record = window.Find<QAbstractButton>(macro_control::kRecord);
    QVERIFY(point_at(record) && xdotool({"click", "1"}));
    QTRY_VERIFY(record->isChecked());
    // Away from the record button, on a label, clicks are recorded.
    QVERIFY(point_at(window.Find<QLabel>("step_list_title")));
    QTRY_VERIFY(!record->underMouse());
    QVERIFY(xdotool({"key", "a", "b"}) && xdotool({"click", "1"}));
    QTRY_COMPARE(window.Find<QListWidget>(macro_control::kStepList)->count(), 6);
    QVERIFY(point_at(record));
    QTRY_VERIFY(record->underMouse());
    QVERIFY(xdotool({"click", "1"}));
    QTRY_VERIFY(!record->isChecked());
    QTest::qWait(100);  // anything the stopping click might still have posted

    QCOMPARE(session.WithStores([](const ProfileStore&, const MacroStore& macros) {
      return testing::MacroStepsText(*macros.macros.at(0));  // none: an exception, and a failure
    }),
             "4+10 4-10 5+10 5-10 241+10 241-10");
    window.reject();
  }
};

}  // namespace melko::ui::test

// A private Xvfb for the whole run, and the window on it.
int main(int argc, char** argv) {
  using namespace melko;
  const testing::XServer server(ui::test::run_folder / "xvfb.log");  // or it throws, and says why
  const testing::TempDir runtime;                                    // 0700, as mkdtemp makes it
  setenv("DISPLAY", server.display().c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("XDG_SESSION_TYPE");
  setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  QApplication app(argc, argv);
  ui::ApplyTheme(app);
  InstallLanguage(LanguageTexts::Load(DefaultSkinFolder() / "lan.xml"));
  InstallKeyboardLayout(LoadSessionLayout());
  ui::test::MacroRecordingTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "macro_recording_test.moc"
