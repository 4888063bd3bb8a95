#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <cstdlib>

#include "common/language.h"
#include "firmware_driver.h"
#include "ui_tests.h"

namespace melko::ui::test {
namespace {

class NoDrivers final : public DriverLoader {
 public:
  DriverLibrary Load(std::string_view) override { return {}; }
  void Unload(DriverLibrary&) override {}
};

std::map<std::string, std::function<QObject*()>>& Registry() {
  static std::map<std::string, std::function<QObject*()>> suites;
  return suites;
}

}  // namespace

bool RegisterSuite(const std::string& name, std::function<QObject*()> make) {
  Registry()[name] = std::move(make);
  return true;
}

std::map<std::string, std::function<QObject*()>> Suites() {
  return Registry();
}

QByteArray PrivateRuntimeFolder() {
  static testing::TempDir folder;  // mkdtemp makes it 0700
  return QByteArray::fromStdString(folder.path().string());
}

void LoadTexts() {
  InstallLanguage(LanguageTexts::Load(DefaultSkinFolder() / "lan.xml"));
}

Desktop::Desktop(Mouse mouse, const std::function<void(const std::filesystem::path&)>& seed) {
  if (seed) seed(data_.path());
  DesktopOptions options;
  options.data_folder = data_.path();
  if (mouse == Mouse::kOnCable) {
    options.driver_loader = std::make_unique<FirmwareCableLoader>();
  } else {
    options.driver_loader = std::make_unique<NoDrivers>();
  }
  app_ = std::make_unique<DesktopApp>(std::move(options));
  app_->window().SetQuitHandler([this] { quit_requested = true; });
  const std::string error = app_->LoadStores();
  if (!error.empty()) qFatal("%s", error.c_str());
  if (mouse == Mouse::kOnCable) {
    // The first apply after the start writes everything; the tests watch what follows it.
    app_->OpenDevices();
    app_->runtime().engine().RequestApply();
    QElapsedTimer waited;
    waited.start();
    while (CableReports().size() < 5 && waited.elapsed() < 10000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    QTest::qWait(600);  // the last report's pacing
    ClearCableReports();
  }
}

Desktop::~Desktop() {
  app_.reset();
}

void Desktop::Post(std::uint32_t message, std::intptr_t lparam) {
  app_->runtime().poster().Post(message, 0, lparam);
  QCoreApplication::processEvents();
}

}  // namespace melko::ui::test
