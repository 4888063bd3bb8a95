// melko: the desktop program. One copy per user; a second launch brings the first one's window
// forward and ends with status 1 (saying on standard error when it could not reach it).
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <cstring>

#include "common/install_paths.h"
#include "common/language.h"
#include "common/locale_language.h"
#include "profiles/data_folder.h"
#include "qt/quit_signals.h"
#include "ui/desktop_app.h"
#include "ui/font_warm_up.h"
#include "ui/single_instance.h"
#include "ui/theme.h"

namespace {

constexpr const char* kUsage =
    "usage: melko [--hidden] [--debug]\n"
    "  --hidden   start in the tray only (for starting with the desktop session)\n"
    "  --debug    print the device layer's debug lines on standard error\n";

}  // namespace

int main(int argc, char** argv) {
  bool hidden = false;
  bool debug = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--hidden") == 0) {
      hidden = true;
    } else if (std::strcmp(argv[i], "--debug") == 0) {
      debug = true;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("melko %s\n", MELKO_VERSION);
      return 0;
    } else {
      std::fprintf(stderr, "melko: unknown argument %s\nTry 'melko --help' for more.\n", argv[i]);
      return 2;
    }
  }

  // Before anything else, and before Qt connects to the display (which takes this launch's
  // startup id for its own first window): one copy per user.
  melko::ui::SingleInstance instance;
  if (!instance.TryLock()) {
    // Started with the session while a copy runs already: nothing to show.
    if (hidden) return 1;
    // The running copy shows its window (or its no-device warning), with this launch's permission
    // to take the focus; this launch ends.
    const std::string unreached =
        instance.AskRunningCopyToShow(melko::ui::LaunchActivation::FromEnvironment());
    if (!unreached.empty()) std::fprintf(stderr, "melko: %s\n", unreached.c_str());
    return 1;
  }
  if (!instance.error().isEmpty()) {
    std::fprintf(stderr, "melko: %s\n", qPrintable(instance.error()));
  }
  // This copy goes on to build its window: the fonts load meanwhile.
  melko::ui::StartFontWarmUp();

  // In a Wayland session the program is a Wayland client, unless the user chose a platform: Qt
  // alone would take X11 there on some desktops. Where the Wayland plugin is missing or cannot
  // connect, X11 serves.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
      !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "wayland;xcb");
  }
  // The desktop finds the program's entry, its name and icon, by this id (on Wayland the window's
  // app id).
  QGuiApplication::setDesktopFileName(QStringLiteral("org.melko.Melko"));
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  // The end of the session (or a shell's Ctrl+C) ends the event loop; what follows it ends the
  // program in order, saving its edits.
  melko::QuitOnSignals quit_signals;

  melko::ui::ApplyTheme(app);
  // The font warm-up's thread goes on with the application, and ends before it does.
  melko::ui::WarmUpFontDatabase();
  const struct FontWarmUpEnd {
    ~FontWarmUpEnd() { melko::ui::FinishFontWarmUp(); }
  } font_warm_up_end;
  const melko::LocaleVariables locale = melko::LocaleVariables::FromEnvironment();
  std::string language_complaint;
  melko::InstallLanguage(
      melko::LoadLanguageFor(locale, melko::DefaultSkinFolder(), &language_complaint));
  if (!language_complaint.empty()) std::fprintf(stderr, "melko: %s\n", language_complaint.c_str());
  // Qt's own texts (the file dialog, the text fields' context menus) follow when the system has
  // Qt's translations; without them they stay English.
  QTranslator qt_texts;
  const std::string translation = melko::ChosenTranslation(locale);
  if (!translation.empty() &&
      qt_texts.load(QLocale(QString::fromStdString(translation)), QStringLiteral("qtbase"),
                    QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    app.installTranslator(&qt_texts);
  }

  std::string error;
  melko::ui::DesktopOptions options;
  options.data_folder = melko::GetDataFolder(&error);
  options.debug = debug;
  if (!error.empty()) {
    std::fprintf(stderr, "melko: %s\n", error.c_str());
    return 1;
  }
  melko::ui::DesktopApp desktop(std::move(options));
  if (const std::string load_error = desktop.LoadStores(); !load_error.empty()) {
    std::fprintf(stderr, "melko: %s\n", load_error.c_str());
    // Told from the event loop, so that the end of the session ends it as any other quit does.
    QTimer::singleShot(0, &desktop, [&desktop] {
      desktop.boxes().Tell("warning_title_text", "store_unreadable_text");
      QCoreApplication::exit(1);
    });
    app.exec();
    return 1;
  }
  instance.Serve([&desktop](const melko::ui::LaunchActivation& activation) {
    desktop.OnSecondLaunch(activation);
  });
  // melkoctl, while this copy runs, leaves the mouse to it.
  instance.ServeHandover(
      [&desktop](const std::string& line, const melko::ui::InstanceReply& reply) {
        desktop.OnHandover(line, reply);
      });
  if (hidden) {
    desktop.StartHidden();
    QTimer::singleShot(0, &desktop, [&desktop] { desktop.OpenDevices(); });
  } else {
    desktop.ShowWindow();
  }
  const int status = app.exec();
  desktop.Shutdown();
  return status;
}
