#include "ui/dialogs/shortcut_dialog.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>

#include "input/key_names.h"
#include "platform/hook_abi.h"

namespace melko::ui {
namespace {

constexpr int kModifiers = 4;  // Ctrl, Shift, Alt, Super

QByteArray ModifierBox(int index) {
  return "check_flag_" + QByteArray::number(index + 1);
}

}  // namespace

ShortcutDialog::ShortcutDialog(QWidget* owner, const HookTable& hooks)
    : hooks_(hooks), skin_(owner, QStringLiteral("shortcut.ui")) {}

ShortcutDialog::~ShortcutDialog() {
  // The window goes after this: its last focus and hide events must not start listening again.
  closing_ = true;
  StopListening();
}

bool ShortcutDialog::Capture(ShortcutFields& fields) {
  Open(fields);
  if (!skin_.Exec()) return false;
  fields = fields_;
  return true;
}

void ShortcutDialog::Open(const ShortcutFields& fields) {
  if (!skin_.Load([this](QDialog& window) { Bind(window); })) return;
  fields_ = fields;
  ShowFields();
  if (auto* note = skin_.Find<QWidget>("window_capture_note")) note->setVisible(hooks_.window_only);
  skin_.ShowCentred();
  // The first box, not the key field: the key field would take Esc and Enter as keys at once.
  if (auto* first = skin_.Find<QWidget>(ModifierBox(0).constData())) first->setFocus();
}

void ShortcutDialog::Bind(QDialog& window) {
  for (int i = 0; i < kModifiers; ++i) {
    if (auto* box = skin_.Find<QCheckBox>(ModifierBox(i).constData())) {
      QObject::connect(box, &QCheckBox::clicked, &window,
                       [this, i](bool on) { fields_.modifiers[std::size_t(i)] = on; });
    }
  }
  WatchEvents(&window, {QEvent::WindowActivate, QEvent::WindowDeactivate, QEvent::Hide},
              [this](QEvent*) {
                FollowFocus();
                return false;
              });
  if (auto* key = skin_.Find<QLineEdit>("edit_key")) {
    WatchEvents(key, {QEvent::FocusIn, QEvent::FocusOut}, [this](QEvent*) {
      FollowFocus();
      return false;
    });
    WatchEvents(key, {QEvent::ShortcutOverride, QEvent::KeyPress, QEvent::KeyRelease},
                [this](QEvent* event) {
                  const int pressed = static_cast<QKeyEvent*>(event)->key();
                  if (!capturing_ || !hooks_.install_hook || pressed == Qt::Key_Tab ||
                      pressed == Qt::Key_Backtab) {
                    return false;
                  }
                  event->accept();
                  return true;
                });
  }
  skin_.OnClick("btn_ok", [&window] { window.accept(); });
  skin_.OnClick("btn_cancel", [&window] { window.reject(); });
  skin_.OnClick("btn_exit", [&window] { window.reject(); });
}

void ShortcutDialog::FollowFocus() {
  if (closing_) return;
  const QDialog* window = skin_.window();
  const QLineEdit* key = skin_.Find<QLineEdit>("edit_key");
  const bool listen =
      window && key && window->isVisible() && window->isActiveWindow() && key->hasFocus();
  if (listen == capturing_) return;
  if (!listen) return StopListening();
  capturing_ = true;
  typing_.Restart();
  hooks_.InstallHook(&target_);
  hooks_.EnableHook(true);
}

void ShortcutDialog::StopListening() {
  if (!capturing_) return;
  capturing_ = false;
  hooks_.RemoveHook();  // nothing is posted once it returns
  hooks_.EnableHook(false);
}

void ShortcutDialog::Post(void* context, std::uint32_t message, std::uintptr_t wparam,
                          std::intptr_t lparam) {
  auto* self = static_cast<ShortcutDialog*>(context);
  self->mailbox_.Post(
      [self, message, wparam, lparam] { self->OnHookMessage(message, wparam, lparam); });
}

void ShortcutDialog::OnHookMessage(std::uint32_t message, std::uintptr_t wparam,
                                   std::intptr_t lparam) {
  // Messages queued before the listening stopped, and mouse buttons, are not keys for us.
  if (message != MELKO_HOOK_MESSAGE || !capturing_ || wparam > 0xFF) return;
  if (typing_.Hear(CurrentKeyboardLayout(), std::uint32_t(wparam), lparam != 0, fields_)) {
    ShowFields();
  }
}

void ShortcutDialog::ShowFields() {
  for (int i = 0; i < kModifiers; ++i) {
    if (auto* box = skin_.Find<QCheckBox>(ModifierBox(i).constData())) {
      box->setChecked(fields_.modifiers[std::size_t(i)]);
    }
  }
  if (auto* key = skin_.Find<QLineEdit>("edit_key")) {
    key->setText(QString::fromStdString(UsageToKeyName(CurrentKeyboardLayout(), fields_.key)));
  }
}

}  // namespace melko::ui
