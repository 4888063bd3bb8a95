// The seven C entry points of Hook.so; the only names it exports. Loading the library starts
// nothing: the capture thread runs from installhook to removehook.
#include "desktop_hook.h"
#include "platform/hook_abi.h"

#define MELKO_EXPORT __attribute__((visibility("default")))

namespace {

// Destroyed when the library is unloaded or the program ends, which stops a running capture.
melko::hook::DesktopHook& TheHook() {
  static melko::hook::DesktopHook hook;
  return hook;
}

}  // namespace

extern "C" {

// Mouse buttons come from the same capture as keys: there is nothing to install.
MELKO_EXPORT void installmousehook(void) {}

MELKO_EXPORT void removemousehook(void) {
  TheHook().EnableMouseButtons(false);
}

MELKO_EXPORT void enablemousehook(int on) {
  TheHook().EnableMouseButtons(on != 0);
}

MELKO_EXPORT void installhook(MessageTarget* target) {
  TheHook().Install(target);
}

MELKO_EXPORT void removehook(void) {
  TheHook().Remove();
}

MELKO_EXPORT void enablehook(int on) {
  TheHook().EnableKeys(on != 0);
}

MELKO_EXPORT void mousewheelenable(int on) {
  TheHook().EnableWheel(on != 0);
}

}  // extern "C"
