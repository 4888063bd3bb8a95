#include "input/keyboard_layout.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace melko {
namespace {

std::mutex layouts_mutex;
std::vector<std::unique_ptr<KeyboardLayout>> installed_layouts;
std::atomic<const KeyboardLayout*> current_layout{nullptr};

}  // namespace

void InstallKeyboardLayout(std::unique_ptr<KeyboardLayout> layout) {
  if (!layout) layout = std::make_unique<NoKeyboardLayout>();
  std::lock_guard lock(layouts_mutex);
  installed_layouts.push_back(std::move(layout));
  current_layout.store(installed_layouts.back().get());
}

const KeyboardLayout& CurrentKeyboardLayout() {
  static const NoKeyboardLayout none;
  const KeyboardLayout* current = current_layout.load();
  return current ? *current : none;
}

}  // namespace melko
