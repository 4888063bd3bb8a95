// The desktop program's tests: each test class builds the real window from the real skin, with a
// private data folder and no device, and drives it as a user would.
#pragma once

#include <QByteArray>
#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "support/test_support.h"
#include "ui/desktop_app.h"

namespace melko::ui::test {

// A 0700 folder of this run, for the single-instance socket and Qt.
QByteArray PrivateRuntimeFolder();
void LoadTexts();
std::map<std::string, std::function<QObject*()>> Suites();
// Each test file registers its classes: `const bool registered = RegisterSuite<MyTest>("MyTest");`
bool RegisterSuite(const std::string& name, std::function<QObject*()> make);
template <class Suite>
bool RegisterSuite(const std::string& name) {
  return RegisterSuite(name, [] { return new Suite; });
}

// The desktop program on a private data folder, with no driver libraries and no Bluetooth.
class Desktop {
 public:
  enum class Mouse { kNone, kOnCable };
  // seed, when given, prepares the data folder before the program starts.
  explicit Desktop(Mouse mouse = Mouse::kNone,
                   const std::function<void(const std::filesystem::path&)>& seed = {});
  ~Desktop();
  DesktopApp& app() { return *app_; }
  QWidget* Find(const char* name) { return app_->controls().Find(name); }
  template <class Widget>
  Widget* Find(const char* name) {
    return app_->controls().Find<Widget>(name);
  }
  // Posts a message to the main window, as the device side does, and handles it.
  void Post(std::uint32_t message, std::intptr_t lparam = 0);
  bool quit_requested = false;

 private:
  testing::TempDir data_;
  std::unique_ptr<DesktopApp> app_;
};

}  // namespace melko::ui::test
