// Hook.so as the program holds it: its seven entry points, resolved by name when the program
// starts. An entry the library lacks (or every entry, without the library) stays empty, and the
// callers skip it: the program runs on without desktop-wide capture.
#pragma once

#include <string>
#include <vector>

#include "platform/hook_abi.h"

namespace melko {

struct HookTable {
  void* module = nullptr;
  // The entries hear only the program's own windows, not the whole desktop: the windows that
  // capture say so.
  bool window_only = false;
  MelkoInstallMouseHook install_mouse_hook = nullptr;
  MelkoRemoveMouseHook remove_mouse_hook = nullptr;
  MelkoEnableMouseHook enable_mouse_hook = nullptr;
  MelkoInstallHook install_hook = nullptr;
  MelkoRemoveHook remove_hook = nullptr;
  MelkoEnableHook enable_hook = nullptr;
  MelkoMouseWheelEnable mouse_wheel_enable = nullptr;

  // The calls, each skipped when its entry is empty.
  void RemoveMouseHook() const {
    if (remove_mouse_hook) remove_mouse_hook();
  }
  void EnableMouseHook(bool on) const {
    if (enable_mouse_hook) enable_mouse_hook(on ? 1 : 0);
  }
  void InstallHook(MessageTarget* target) const {
    if (install_hook) install_hook(target);
  }
  void RemoveHook() const {
    if (remove_hook) remove_hook();
  }
  void EnableHook(bool on) const {
    if (enable_hook) enable_hook(on ? 1 : 0);
  }
  void MouseWheelEnable(bool on) const {
    if (mouse_wheel_enable) mouse_wheel_enable(on ? 1 : 0);
  }
};

inline constexpr const char* kHookLibraryFile = "Hook.so";

// Loads Hook.so from the first folder that has it (the program's folder, then the installed
// library folder when no folders are given).
HookTable LoadHookLibrary(const std::vector<std::string>& folders = {});
// Stops any capture (removemousehook, then removehook) and unloads the library, if one was loaded.
void UnloadHookLibrary(HookTable& table);

}  // namespace melko
