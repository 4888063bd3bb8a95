#include <QCoreApplication>
#include <QDir>
#include <cstdlib>

#include "common/language.h"
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

Desktop::Desktop() {
  DesktopOptions options;
  options.data_folder = data_.path();
  options.driver_loader = std::make_unique<NoDrivers>();
  app_ = std::make_unique<DesktopApp>(std::move(options));
  app_->window().SetQuitHandler([this] { quit_requested = true; });
  const std::string error = app_->LoadStores();
  if (!error.empty()) qFatal("%s", error.c_str());
}

Desktop::~Desktop() {
  app_.reset();
}

void Desktop::Post(std::uint32_t message, std::intptr_t lparam) {
  app_->runtime().poster().Post(message, 0, lparam);
  QCoreApplication::processEvents();
}

}  // namespace melko::ui::test
