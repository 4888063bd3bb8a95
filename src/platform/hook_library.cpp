#include "platform/hook_library.h"

#include <dlfcn.h>

#include "common/install_paths.h"

namespace melko {
namespace {

template <typename Function>
void Resolve(void* module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(module, name));
}

}  // namespace

HookTable LoadHookLibrary(const std::vector<std::string>& folders) {
  HookTable table;
  table.module = OpenLibrary(folders.empty() ? LibraryFolders() : folders, kHookLibraryFile);
  if (!table.module) return table;
  Resolve(table.module, MELKO_HOOK_INSTALL_MOUSE_HOOK, table.install_mouse_hook);
  Resolve(table.module, MELKO_HOOK_REMOVE_MOUSE_HOOK, table.remove_mouse_hook);
  Resolve(table.module, MELKO_HOOK_ENABLE_MOUSE_HOOK, table.enable_mouse_hook);
  Resolve(table.module, MELKO_HOOK_INSTALL_HOOK, table.install_hook);
  Resolve(table.module, MELKO_HOOK_REMOVE_HOOK, table.remove_hook);
  Resolve(table.module, MELKO_HOOK_ENABLE_HOOK, table.enable_hook);
  Resolve(table.module, MELKO_HOOK_MOUSE_WHEEL_ENABLE, table.mouse_wheel_enable);
  return table;
}

void UnloadHookLibrary(HookTable& table) {
  table.RemoveMouseHook();
  table.RemoveHook();
  if (table.module) dlclose(table.module);
  table = HookTable{};
}

}  // namespace melko
