// The shortcut capture for a mouse button (shortcut.ui): four modifier check boxes and a key field
// that shows the captured key's name. Keys come from the hook library, which sees them wherever
// they are typed; the dialog listens only while it is the active window and its key field has the
// focus, and then keeps every key but Tab from the dialog itself, so Enter and Esc can be captured
// too. What is typed becomes the shortcut as ShortcutTyping reads it (Ctrl held with F5 ticks Ctrl
// and takes F5); the boxes stay the user's to change. The in-window capture of a Wayland session
// delivers the same messages, so both take keys the same way.
#pragma once

#include <QObject>
#include <cstdint>

#include "input/button_assignment.h"
#include "platform/hook_library.h"
#include "qt/posted_calls.h"
#include "shell/dialog_logic.h"
#include "ui/dialogs/skin_dialog.h"

namespace melko::ui {

class ShortcutDialog final : public ShortcutCapture {
 public:
  ShortcutDialog(QWidget* owner, const HookTable& hooks);
  ~ShortcutDialog() override;

  // Modal; on true, fields hold the modifiers and the key's usage (0 for none).
  bool Capture(ShortcutFields& fields) override;

  // For tests: shows the dialog preset and returns at once.
  void Open(const ShortcutFields& fields);
  const ShortcutFields& fields() const { return fields_; }
  bool capturing() const { return capturing_; }
  QDialog* window() const { return skin_.window(); }
  bool confirmed() const { return skin_.confirmed(); }

 private:
  void Bind(QDialog& window);
  // Starts or stops listening as the window's activation and the key field's focus change.
  void FollowFocus();
  void StopListening();
  void OnHookMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
  void ShowFields();
  // The hook's post: called on the hook's thread, handled on the user-interface thread.
  static void Post(void* context, std::uint32_t message, std::uintptr_t wparam,
                   std::intptr_t lparam);

  const HookTable& hooks_;
  ShortcutFields fields_{};
  bool capturing_ = false;
  ShortcutTyping typing_;
  bool closing_ = false;
  PostedCalls mailbox_;  // the hook's messages, on their way to the user-interface thread
  MessageTarget target_{this, &ShortcutDialog::Post};
  SkinDialog skin_;
};

}  // namespace melko::ui
