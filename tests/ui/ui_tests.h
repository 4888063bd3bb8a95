// The window tests: the real window from the real skin, on a private data folder.
#pragma once

#include <QListWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/hook_library.h"
#include "support/child_process.h"
#include "support/test_support.h"
#include "ui/desktop_app.h"
#include "vmouse/firmware.h"

namespace melko::ui::test {

inline QStringList Rows(QListWidget* list) {
  QStringList rows;
  for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
  return rows;
}

// The test classes by name; each test file registers its own.
inline std::map<std::string, std::function<QObject*()>>& Suites() {
  static std::map<std::string, std::function<QObject*()>> suites;
  return suites;
}
template <class Suite>
bool RegisterSuite(const std::string& name) {
  Suites()[name] = [] { return new Suite; };
  return true;
}

// Hook.so's table made of functions that keep its switches and the last message target installed;
// the mouse hook's install entry stays empty, as the programs must cope with a library without it.
struct FakeHook {
  MessageTarget* target = nullptr;
  bool installed = false, keys = false, mouse = false, wheel = true;
};
FakeHook& Hook();
HookTable FakeHookTable();  // and Hook() reset
// An event as the library posts it to the last target, from a thread of its own: a virtual key
// with lparam 0 down and 1 up, or a mouse message (512 and above).
void PostHookEvent(std::uint32_t wparam, std::intptr_t lparam);
inline bool Capturing() {  // keys
  return Hook().installed && Hook().keys;
}
// Posted only while the library would: keys while keys are on, buttons while buttons are on.
inline void Events(std::initializer_list<std::pair<std::uint32_t, std::intptr_t>> events) {
  for (const auto& [wparam, lparam] : events)
    if (Hook().installed && (wparam >= 512 ? Hook().mouse : Hook().keys))
      PostHookEvent(wparam, lparam);
}

// The mouse on its cable, in process: a cable driver library whose feature reports go to the
// virtual mouse's firmware model (one for the test program: the library has no context pointer).
std::vector<vmouse::WriteRecord> CableReports();  // written since the start's full apply
vmouse::Settings CableSettings();                 // what the firmware holds now
void PressCableDpiButton();                       // the player presses the mouse's DPI button

// The desktop program on a private data folder, without Bluetooth, with or without the mouse.
class Desktop {
 public:
  enum class Mouse { kNone, kOnCable };
  // The data folder holds these profiles and macros when the program starts (as SeedStores).
  explicit Desktop(Mouse mouse = Mouse::kNone, const std::vector<std::u16string>& profiles = {},
                   const std::vector<std::pair<std::u16string, std::string>>& macros = {});
  DesktopApp& app() { return *app_; }
  template <class Widget = QWidget>
  Widget* Find(const char* name) {
    return app_->controls().Find<Widget>(name);
  }
  // Posts a message to the main window, as the device side does, and handles it.
  void Post(std::uint32_t message, std::intptr_t lparam = 0);
  const std::filesystem::path& data() const { return data_.path(); }

 private:
  testing::TempDir data_;
  std::unique_ptr<DesktopApp> app_;
};

// melkoctl on the desktop's data folder, run while the event loop goes on (serving it, maybe).
testing::ProgramRun Melkoctl(Desktop& desktop, std::vector<std::string> arguments);

}  // namespace melko::ui::test
