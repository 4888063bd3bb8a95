// The main window, the tray's menu, the DPI popup, autostart and second launches.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScopeGuard>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <cstring>
#include <future>

#include "common/install_paths.h"
#include "common/language.h"
#include "common/locale_language.h"
#include "device/messages.h"
#include "device/status_decoder.h"
#include "ui/macro_editor/macro_editor_window.h"
#include "ui/single_instance.h"
#include "ui/widgets/button_label.h"
#include "ui/widgets/device_switch.h"
#include "ui/widgets/section_header.h"
#include "ui/widgets/svg_icon.h"
#include "ui_tests.h"

namespace melko::ui::test {
namespace {

void WriteAll(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// Texts of the window that do not fit their widget: too narrow, lower than a line, or outside the
// window (inside the scroll area, outside its width).
QStringList ClippedTexts(QWidget& window) {
  QStringList clipped;
  for (QWidget* widget : window.findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(&window)) continue;
    if (auto* area = qobject_cast<QScrollArea*>(widget);
        area && !window.rect().contains(QRect(area->mapTo(&window, QPoint()), area->size())))
      clipped << area->objectName() + QStringLiteral(" reaches past the window");
    QString text;
    int need = 0;
    if (auto* label = qobject_cast<QLabel*>(widget);
        label && !label->text().isEmpty() && label->pixmap().isNull()) {
      text = label->text();
      need = label->wordWrap() ? 0 : label->minimumSizeHint().width();
      if (label->wordWrap() && label->heightForWidth(label->width()) > label->height()) need = -1;
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget);
               button && !button->text().isEmpty()) {
      text = button->text();
      // A button's function too long for its label is shortened, and whole in the tool tip.
      need = qobject_cast<ButtonLabel*>(button) ? 0 : button->sizeHint().width();
    } else {
      continue;
    }
    QWidget* frame = &window;  // or the viewport of the scroll area it is in
    for (QWidget* up = widget->parentWidget(); up && frame == &window; up = up->parentWidget())
      if (auto* area = qobject_cast<QAbstractScrollArea*>(up)) frame = area->viewport();
    QRect place(widget->mapTo(frame, QPoint(0, 0)), widget->size());
    if (frame != &window) place = QRect(place.x(), 0, place.width(), 1);
    if (need < 0 || widget->width() < need || widget->height() < widget->fontMetrics().height() ||
        !frame->rect().contains(place)) {
      clipped << QStringLiteral("%1 '%2' %3x%4 needs %5 wide")
                     .arg(widget->objectName(), text, QString::number(widget->width()),
                          QString::number(widget->height()), QString::number(need));
    }
  }
  return clipped;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void TheWindowShowsOnlyWhileAMouseIsPresent() {
    Desktop desktop;
    desktop.app().logic().OnTrayAvailabilityChanged(true);
    desktop.app().ShowWindow();
    desktop.app().OpenDevices();  // no link: any_connected 0
    QTRY_VERIFY(!desktop.app().window().isVisible());
    desktop.app().runtime().links().any_connected = 1;
    desktop.Post(kMsgConnectedChanged);
    QVERIFY(desktop.Find<DeviceSwitch>("device_tab_switch")->isChecked() &&
            !desktop.app().window().isVisible());
    desktop.app().tray().menu()->findChild<QAction*>(QStringLiteral("configuration"))->trigger();
    QTRY_VERIFY(desktop.app().window().isVisible());
  }

  // Shown again, the bar is at once within a step of where the clock puts it, not where it stopped.
  void TheChargingBarRunsOnlyWhileSeen() {
    Desktop desktop(Desktop::Mouse::kOnCable);
    MainWindow& window = desktop.app().window();
    QtTimers& timers = desktop.app().runtime().timers();
    DeviceContext& ctx = desktop.app().runtime().context();
    auto* bar = desktop.Find<QProgressBar>("ms_1_progress_power");
    for (int round = 0; round < 2; ++round) {
      // The bar would be at 40 by now, not at 0.
      ctx.charge_started_ms = ctx.clock.Now() - kChargeAnimationMs * 5 / 2;
      bar->setValue(0);
      desktop.app().ShowWindow();
      QVERIFY(QTest::qWaitForWindowExposed(&window) && timers.IsActive(kTimerChargeAnimation));
      const std::int64_t elapsed = ctx.clock.Now() - ctx.charge_started_ms;
      QVERIFY2(bar->value() == ChargeBarAt(elapsed) ||
                   bar->value() == ChargeBarAt(elapsed - kChargeAnimationMs),
               QByteArray::number(bar->value()));
      round == 0 ? window.hide() : window.showMinimized();
      QTRY_VERIFY(!timers.IsActive(kTimerChargeAnimation));
    }
    DecodeLinkStatus(ctx, MakeStatusWord(kEventPower, 0x6402));
    window.Restore();
    QVERIFY(QTest::qWaitForWindowExposed(&window) && !timers.IsActive(kTimerChargeAnimation));
    QCOMPARE(bar->value(), 100);
  }

  void TheDpiPopupShowsTheLastChangeForTwoSeconds() {
    Desktop desktop;
    QElapsedTimer clock;
    clock.start();
    desktop.Post(kMsgDpiStageChanged, 200);
    QTest::qWait(1500);
    desktop.Post(kMsgDpiStageChanged, 201);
    QCOMPARE(desktop.app().popup().text(), QStringLiteral("DPI :10100"));
    QTest::qWait(int(3000 - clock.elapsed()));
    QVERIFY2(desktop.app().popup().visible(), "still up 2 s after the first change");
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.app().popup().visible(), 2000);
    QVERIFY(clock.elapsed() >= 3500);
  }

  void TheDesktopMouseSettingsNeedTheirTool() {
    QTemporaryDir bin;
    const QByteArray path = qgetenv("PATH");
    const auto restore = qScopeGuard([&path] { qputenv("PATH", path); });
    qputenv("PATH", bin.path().toUtf8());
    Desktop desktop;
    desktop.Find<QAbstractButton>("ms_1_check_mouse_attribute")->setChecked(true);
    auto* button = desktop.Find<QAbstractButton>("ms_1_btn_mouse_attribute");
    QVERIFY(!button->isEnabled() && !button->toolTip().isEmpty());  // which says why
    QVERIFY(QFile::copy(QStringLiteral("/bin/true"), bin.filePath("xfce4-mouse-settings")));
    desktop.app().ShowWindow();
    QTRY_VERIFY(button->isEnabled() && button->toolTip().isEmpty());
  }

  // Every button that names a skin picture shows it at any size, dimmed when disabled.
  void SkinIconsDrawAtAnySize() {
    Desktop desktop;
    const auto count = [](QImage image, const auto& test) {
      image.convertTo(QImage::Format_ARGB32);
      const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
      return std::count_if(pixels, pixels + image.width() * image.height(), test);
    };
    int named = 0;
    for (QAbstractButton* button : desktop.app().window().findChildren<QAbstractButton*>()) {
      if (button->property("svgIcon").toString().isEmpty()) continue;
      ++named;
      for (int side : {16, 48})
        QVERIFY2(count(button->icon().pixmap(side, side).toImage(),
                       [](QRgb pixel) { return qAlpha(pixel) > 0; }) > side,
                 qPrintable(button->objectName()));
    }
    QVERIFY(named >= 10);

    const QIcon icon = SvgIcon(QStringLiteral("img/add.svg"));
    QVERIFY(icon.pixmap(24, QIcon::Disabled).toImage() != icon.pixmap(24).toImage());
    desktop.app().ShowWindow();
    QTRY_VERIFY(!desktop.app().window().windowIcon().isNull());

    // The current stage's mark and ticked boxes stand out in the accent on the dark theme; the
    // other stages' marks and empty boxes do not.
    const QRgb highlight = QApplication::palette().color(QPalette::Highlight).rgb();
    for (const auto& [option, accent] : {std::pair{"ms_1_option_dpi_step_2", true},
                                         {"ms_1_option_dpi_step_1", false},
                                         {"ms_1_check_dpi_on_1", true},  // stage 8 is off
                                         {"ms_1_check_dpi_on_8", false}}) {
      const long pixels = count(desktop.Find(option)->grab().toImage(),
                                [highlight](QRgb pixel) { return pixel == highlight; });
      QVERIFY2(accent ? pixels >= 9 : pixels == 0,
               qPrintable(QString("%1: %2").arg(option).arg(pixels)));
    }
  }

  void TheWheelScrollsAndLongLabelsKeepTheirPlace() {
    Desktop desktop;
    desktop.app().ShowWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&desktop.app().window()));
    auto* scroll = desktop.Find<QScrollArea>("settings_scroll");
    auto* slider = desktop.Find<QSlider>("ms_1_slider_dpi_1");
    desktop.Find<QAbstractButton>("ms_1_check_light")->setChecked(true);
    auto* combo = desktop.Find<QComboBox>("ms_1_combo_light");
    QCoreApplication::processEvents();
    const int value = slider->value();
    const auto wheel = [](QWidget* over) {
      const QPointF at(over->width() / 2.0, over->height() / 2.0);
      QWheelEvent notch(at, over->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                        Qt::NoScrollPhase, false);
      QCoreApplication::sendEvent(over, &notch);
    };
    for (QWidget* control : std::initializer_list<QWidget*>{slider, combo}) wheel(control);
    QCOMPARE(slider->value(), value);
    QCOMPARE(combo->currentIndex(), desktop.app().runtime().session().CurrentSnapshot().light_mode);
    slider->setFocus();
    wheel(slider);
    QVERIFY(slider->value() != value);

    auto* label = desktop.Find<QAbstractButton>("ms_1_btn_key_5");
    const int width = label->width();
    desktop.app().controls().SetText("ms_1_btn_key_5", "Macro: Twenty-three letters");
    QCoreApplication::processEvents();
    QCOMPARE(label->width(), width);

    // The stages' buttons stay in sight below the scrolled column (inside the window: the clipping
    // test), and go with the stages.
    scroll->verticalScrollBar()->setValue(1 << 20);
    for (const char* name : {"ms_1_btn_reset_dpi", "ms_1_btn_apply_dpi"})
      QVERIFY2(desktop.Find(name)->isVisible() && !scroll->isAncestorOf(desktop.Find(name)), name);
    desktop.Find<QAbstractButton>("ms_1_check_dpi")->setChecked(false);
    QVERIFY(!desktop.Find("ms_1_btn_apply_dpi")->isVisible());
  }

  void NoTextIsClipped_data() {
    QTest::addColumn<double>("scale");
    QTest::addColumn<QString>("language");  // the locale that chooses it
    QTest::newRow("English 125 %") << 1.25 << QStringLiteral("C");
    for (const char* language : {"en_GB", "de_DE", "fr_FR", "zh_CN"})
      for (const double scale : {1.0, 1.5})
        QTest::addRow("%s %d %%", language, int(scale * 100)) << scale << QString(language);
  }
  void NoTextIsClipped() {
    QFETCH(double, scale);
    QFETCH(QString, language);
    if (language.startsWith(QStringLiteral("zh")) &&
        !QFontDatabase::writingSystems().contains(QFontDatabase::SimplifiedChinese)) {
      QSKIP("no font with Chinese characters is installed (scripts/deps installs one)");
    }
    std::string complaint;
    InstallLanguage(
        LoadLanguageFor({"", "", language.toStdString(), ""}, DefaultSkinFolder(), &complaint));
    const QFont original = QApplication::font();
    const auto back_to_english = qScopeGuard([original] {  // after the window has gone
      InstallLanguage(LanguageTexts::Load(DefaultSkinFolder() / "lan.xml"));
      QApplication::setFont(original);
    });
    QVERIFY2(complaint.empty(), complaint.c_str());
    QFont larger = original;
    larger.setPointSizeF(original.pointSizeF() * scale);
    QApplication::setFont(larger);
    Desktop desktop;
    desktop.app().ShowWindow();
    for (auto* header : desktop.app().window().findChildren<SectionHeader*>())
      header->setChecked(true);  // every section open
    QCoreApplication::processEvents();
    QStringList clipped = ClippedTexts(desktop.app().window());
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));

    // The macro editor, its steps too: keys and a mouse button pressed and let go.
    testing::TempDir data;
    testing::SeedStores(data.path(), {},
                        {{u"Combo",
                          "225+50 4+60 4-70 225-80 241+90 241-10000 5+1 5-1 6+1 6-1 7+1 7-1 8+1 "
                          "8-1 9+1 9-1 10+1 10-1 11+1 11-1 12+1 12-1"}});
    ProfileSession session(data.path());
    session.LoadMacroStore();
    MacroEditorWindow editor(nullptr, session, FakeHookTable(), data.path());
    editor.show();
    editor.Find<QListWidget>("ms_1_macro_list")->setCurrentRow(0);
    QTRY_VERIFY2((clipped = ClippedTexts(editor)).isEmpty(),
                 qPrintable(clipped.join(QLatin1Char('\n'))));
  }

  // The tray's check item writes and removes the autostart entry, and shows what the session will
  // find: also an entry switched off, an administrator's (hidden by the user's), a program gone.
  void TheTrayItemStartsTheProgramWithTheDesktop() {
    const QByteArray config_home = qgetenv("XDG_CONFIG_HOME");
    const auto restore = qScopeGuard([&] {
      qputenv("XDG_CONFIG_HOME", config_home);
      qunsetenv("XDG_CONFIG_DIRS");
    });
    QTemporaryDir config, system;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", system.path().toLocal8Bit());
    Desktop desktop;
    desktop.app().boxes().PresetAnswers({true});
    QMenu* menu = desktop.app().tray().menu();
    QAction* item = menu->findChild<QAction*>(QStringLiteral("autostart"));
    const auto shown_checked = [&] {
      item->setChecked(!item->isChecked());  // whatever it showed last time
      emit menu->aboutToShow();
      return item->isChecked();
    };
    const auto toggled = [&] {  // the item chosen (a posted command), then the menu opened
      item->trigger();
      QCoreApplication::processEvents();
      return shown_checked();
    };
    const QString entry = config.path() + QStringLiteral("/autostart/org.melko.Melko.desktop");
    QVERIFY(toggled() && QFile::exists(entry));  // off at first, or this would switch it off
    QVERIFY(!toggled() && !QFile::exists(entry));

    WriteAll(entry,
             "[Desktop Entry]\nType=Application\nName=Melko\nExec=melko\n"
             "X-GNOME-Autostart-enabled = false\n");
    QVERIFY(!shown_checked() && toggled());
    WriteAll(entry, QByteArray::fromStdString(testing::ReadText(entry.toStdString()))
                        .replace("TryExec=/", "TryExec=/moved away/"));
    QVERIFY(!shown_checked());

    QFile::remove(entry);
    const QString administrators = system.path() + "/autostart/org.melko.Melko.desktop";
    WriteAll(administrators, "[Desktop Entry]\nType=Application\nName=Melko\nExec=melko\n");
    QVERIFY(shown_checked() && !toggled() && QFile::exists(entry) && QFile::exists(administrators));

    // A folder that cannot take the entry: told, with the file and the reason.
    QVERIFY(QDir(config.path() + QStringLiteral("/autostart")).removeRecursively());
    WriteAll(config.path() + QStringLiteral("/autostart"), "a file in the folder's place");
    QFile::remove(administrators);
    QVERIFY(!toggled());
    QCOMPARE(desktop.app().boxes().asked(), std::vector<std::string>{"autostart_fail_text"});
    QVERIFY(desktop.app().boxes().texts()[0].find(entry.toStdString()) != std::string::npos);
  }

  // The entry names the program by its name only when PATH finds this very program by it; else by
  // its path, quoted as the Exec key needs, in a form desktop-file-validate accepts.
  void TheAutostartEntryNamesTheProgramItStarts() {
    QTemporaryDir folder;
    const std::string bin = folder.filePath("bin").toStdString(), program = bin + "/melko",
                      other_bin = folder.filePath("other").toStdString();
    for (const std::string& made : {program, other_bin + "/melko"}) {
      WriteAll(QString::fromStdString(made), "#!/bin/sh\n");
      QFile::setPermissions(QString::fromStdString(made), QFile::ReadOwner | QFile::ExeOwner);
    }
    const struct {
      std::string program, path, line;
    } forms[] = {
        {program, "relative:" + bin, "\nExec=melko --hidden\nTryExec=melko\n"},
        {program, other_bin + ":" + bin, "\nExec=" + program + " --hidden\n"},  // another first
        {R"(/opt/My "Tools"/50% $melko\)", bin,
         R"(Exec="/opt/My \\"Tools\\"/50%% \\$melko\\\\" --hidden)"},
    };
    std::string text;
    for (const auto& form : forms) {
      text = AutostartEntry(form.program, form.path).EntryText();
      QVERIFY2(text.find(form.line) != std::string::npos, text.c_str());
    }
    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
      QSKIP("desktop-file-validate is not installed: the odd entry's form is not checked");
    const QString written = folder.path() + QStringLiteral("/odd.desktop");
    WriteAll(written, QByteArray::fromStdString(text));
    // Not QProcess: its vfork-like start leaves the thread sanitizer believing that this process
    // forked while threads ran, and it then refuses every thread started afterwards.
    const testing::ProgramRun validate =
        testing::RunProgram({validator.toStdString(), written.toStdString()});
    QVERIFY2(validate.exit_code == 0, (validate.out + validate.err).c_str());
  }

  void ALaunchIsServedWhileAnotherClientSaysNothing() {
    SingleInstance running, second;  // in the run's own runtime folder
    QVERIFY(running.TryLock() && running.error().isEmpty() && !second.TryLock());
    std::vector<LaunchActivation> served;
    running.Serve([&](const LaunchActivation& activation) { served.push_back(activation); });
    const int silent = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{AF_UNIX, {}};
    std::strcpy(address.sun_path, running.socket_path().c_str());
    QCOMPARE(::connect(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    auto launch = std::async(std::launch::async, [&second] {
      return second.AskRunningCopyToShow({"wayland-token", "launcher-7_TIME42"});
    });
    QTRY_VERIFY(launch.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
    QCOMPARE(launch.get(), std::string());  // no reason: the running copy was reached
    QCOMPARE(served.size() == 1 ? served[0].token + " " + served[0].startup_id : "",
             std::string("wayland-token launcher-7_TIME42"));
    ::close(silent);
  }
};

const bool registered = RegisterSuite<MainWindowTest>("MainWindowTest");

}  // namespace melko::ui::test

#include "main_window_ui_test.moc"
