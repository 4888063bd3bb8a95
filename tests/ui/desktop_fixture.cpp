// The fixture of the window tests and their main: runs the test class named on the command line
// (all of them without a name), on Qt's offscreen platform unless told otherwise.
#include <QApplication>
#include <QTest>
#include <future>
#include <mutex>
#include <thread>

#include "common/install_paths.h"
#include "common/language.h"
#include "platform/hook_abi.h"
#include "ui/theme.h"
#include "ui_tests.h"

namespace melko::ui::test {
namespace {

// The firmware behind the cable, and its lock: the apply thread writes, the test reads.
vmouse::Firmware firmware;
std::mutex firmware_mutex;

// The cable's library only, connected to the firmware; or no library at all.
struct Loader final : DriverLoader {
  static void SetVidPid(std::uint32_t, std::uint32_t) {}
  static void OpenMonitor(MessageTarget*, std::uint32_t, std::uint32_t) {}
  static void Close() {}
  static std::int32_t OpenDevice() { return 1; }
  static std::int32_t SetFeature(const std::uint8_t* bytes, std::int32_t length) {
    std::lock_guard lock(firmware_mutex);
    firmware.Receive(vmouse::Link::kWired, {bytes, std::size_t(length)});
    return 1;
  }
  static std::int32_t GetFeature(std::uint8_t*, std::int32_t) { return 0; }

  explicit Loader(bool cable) : cable(cable) {}
  DriverLibrary Load(std::string_view file_name) override {
    static int module;
    if (!cable || file_name != kWiredDriverFile) return {};
    return {&module, SetVidPid, OpenMonitor, Close, OpenDevice, Close, SetFeature, GetFeature};
  }
  void Unload(DriverLibrary&) override {}
  bool cable;
};

}  // namespace

FakeHook& Hook() {
  static FakeHook hook;
  return hook;
}

HookTable FakeHookTable() {
  Hook() = {};
  HookTable table;
  table.install_hook = [](MessageTarget* target) {
    Hook().target = target, Hook().installed = true;
  };
  table.remove_hook = [] { Hook().installed = false; };
  table.enable_hook = [](int on) { Hook().keys = on != 0; };
  table.enable_mouse_hook = [](int on) { Hook().mouse = on != 0; };
  table.remove_mouse_hook = [] { Hook().mouse = false; };
  table.mouse_wheel_enable = [](int on) { Hook().wheel = on != 0; };
  return table;
}

void PostHookEvent(std::uint32_t wparam, std::intptr_t lparam) {
  MessageTarget* target = Hook().target;
  std::thread([=] { target->post(target->context, MELKO_HOOK_MESSAGE, wparam, lparam); }).join();
  QCoreApplication::processEvents();
}

std::vector<vmouse::WriteRecord> CableReports() {
  std::lock_guard lock(firmware_mutex);
  return firmware.log();
}

vmouse::Settings CableSettings() {
  std::lock_guard lock(firmware_mutex);
  return firmware.settings();
}

void PressCableDpiButton() {
  std::lock_guard lock(firmware_mutex);
  firmware.PressDpiButton();
}

Desktop::Desktop(Mouse mouse, const std::vector<std::u16string>& profiles,
                 const std::vector<std::pair<std::u16string, std::string>>& macros) {
  testing::SeedStores(data_.path(), profiles, macros);
  DesktopOptions options;
  options.data_folder = data_.path();
  options.driver_loader = std::make_unique<Loader>(mouse == Mouse::kOnCable);
  app_ = std::make_unique<DesktopApp>(std::move(options));
  app_->window().SetQuitHandler([] {});  // the test program goes on
  const std::string error = app_->LoadStores();
  if (!error.empty()) qFatal("%s", error.c_str());
  if (mouse == Mouse::kOnCable) {
    // The first apply after the start writes everything, five reports 500 ms apart; the tests
    // watch what follows it, and nothing that an earlier test left in the log.
    const auto clear_log = [] {
      std::lock_guard lock(firmware_mutex);
      firmware.ClearLog();
    };
    clear_log();
    app_->OpenDevices();
    app_->runtime().engine().RequestApply();
    if (!QTest::qWaitFor([] { return CableReports().size() >= 5; }, 10000))
      qFatal("the first apply did not reach the mouse");
    QTest::qWait(600);  // the last report's pacing
    clear_log();
  }
}

void Desktop::Post(std::uint32_t message, std::intptr_t lparam) {
  app_->runtime().poster().Post(message, 0, lparam);
  QCoreApplication::processEvents();
}

testing::ProgramRun Melkoctl(Desktop& desktop, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(),
                   {MELKO_BIN_DIR "/melkoctl", "--data-dir", desktop.data().string()});
  auto run = std::async(std::launch::async,
                        [&arguments] { return testing::RunProgram(arguments, {}, 30000); });
  (void)QTest::qWaitFor(  // RunProgram has its own limit
      [&run] { return run.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 40000);
  return run.get();
}

}  // namespace melko::ui::test

int main(int argc, char** argv) {
  using namespace melko;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // A 0700 folder of this run (mkdtemp makes it so), for the single-instance socket and Qt.
  const testing::TempDir runtime;
  qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.path().string()));
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  ui::ApplyTheme(app);
  InstallLanguage(LanguageTexts::Load(DefaultSkinFolder() / "lan.xml"));

  const std::string only = argc > 1 ? argv[1] : "";
  int failed = 0;
  for (const auto& [name, make] : ui::test::Suites()) {
    if (!only.empty() && only != name) continue;
    const std::unique_ptr<QObject> suite(make());
    char* qtest_argv[] = {argv[0]};
    failed += QTest::qExec(suite.get(), 1, qtest_argv);
  }
  return failed == 0 ? 0 : 1;
}
