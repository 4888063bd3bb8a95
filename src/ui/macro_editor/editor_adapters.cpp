#include "ui/macro_editor/editor_adapters.h"

namespace melko::ui {

QtHookControl::QtHookControl(const HookTable& table, Deliver deliver)
    : table_(table), deliver_(std::move(deliver)), target_{this, &QtHookControl::Post} {}

QtHookControl::~QtHookControl() {
  if (installed_) RemoveHook();
}

void QtHookControl::InstallMouseHook() {
  if (table_.install_mouse_hook) table_.install_mouse_hook();
}

void QtHookControl::InstallHook() {
  table_.InstallHook(&target_);
  installed_ = true;
}

void QtHookControl::RemoveHook() {
  table_.RemoveHook();  // returns once the capture thread posts no more
  installed_ = false;
}

// On the capture thread. The queued call belongs to this object, so it is dropped with it.
void QtHookControl::Post(void* context, std::uint32_t message, std::uintptr_t wparam,
                         std::intptr_t lparam) {
  if (message != MELKO_HOOK_MESSAGE) return;
  auto* self = static_cast<QtHookControl*>(context);
  self->calls_.Post([self, wparam, lparam] { self->deliver_(std::uint32_t(wparam), lparam); });
}

}  // namespace melko::ui
