#include "input/button_assignment.h"

#include "common/text.h"
#include "input/button_functions.h"
#include "input/desktop_actions.h"

namespace melko {
namespace {

// Buttons whose functions count for the rule that a left click must remain.
constexpr int kLeftClickButtons = 16;

bool KeepsALeftClick(const ProfileRecord& profile, int button, std::uint8_t new_code) {
  for (int i = 0; i < kLeftClickButtons; ++i) {
    const std::uint8_t code = i == button ? new_code : profile.buttons[std::size_t(i)].function;
    if (code == kFunctionLeftClick) return true;
  }
  return false;
}

std::uint8_t PackModifiers(const std::array<bool, 4>& flags) {
  static constexpr std::uint8_t kBits[] = {kModifierCtrl, kModifierShift, kModifierAlt,
                                           kModifierWin};
  std::uint8_t modifiers = 0;
  for (std::size_t i = 0; i < flags.size(); ++i) {
    if (flags[i]) modifiers |= kBits[i];
  }
  return modifiers;
}

// Returns whether the button now holds a shortcut. A button that did not hold one starts the
// capture with no key; the stored modifiers preset it either way.
bool CaptureShortcut(ButtonAssignment& slot, ShortcutCapture& capture) {
  const bool had_shortcut = slot.function == kFunctionShortcut;
  ShortcutFields fields{};
  for (std::size_t i = 0; i < fields.modifiers.size(); ++i) {
    fields.modifiers[i] = (slot.shortcut_modifiers >> i) & 1;
  }
  fields.key = had_shortcut ? slot.shortcut_key : 0;
  if (!capture.Capture(fields)) return false;
  if (!had_shortcut) slot.gap_4.fill(0);
  slot.shortcut_key = fields.key;
  slot.shortcut_modifiers = PackModifiers(fields.modifiers);
  // An empty capture is stored as given but does not make the button a shortcut.
  return slot.shortcut_key != 0 || slot.shortcut_modifiers != 0;
}

// Returns whether the button now plays a macro of the store.
bool ChooseMacro(ButtonAssignment& slot, const MacroStore& macros, MacroChoice& choice) {
  MacroChoiceFields fields{-1, 0, 1};
  if (slot.function == kFunctionMacro) {
    // The stored position goes stale when an earlier macro is deleted; the name does not.
    fields = {FindMacro(macros, ReadFixedText(slot.macro_name)), slot.macro_mode,
              slot.macro_repeat};
  }
  if (!choice.Choose(macros, fields)) return false;
  if (fields.macro_index < 0 || std::size_t(fields.macro_index) >= macros.macros.size()) {
    return false;
  }
  slot.macro_mode = fields.mode;
  slot.macro_repeat = fields.repeat_count;
  slot.macro_index = fields.macro_index;
  CopyMacroIntoSlot(*macros.macros[std::size_t(fields.macro_index)], slot);
  return true;
}

}  // namespace

AssignmentOutcome AssignButtonFunction(ProfileRecord& profile, int button,
                                       std::string_view menu_item, const MacroStore& macros,
                                       const AssignmentPorts& ports) {
  if (button < 0 || button >= kMouseButtonCount) return AssignmentOutcome::kNoSuchButton;
  const DesktopAction* action = DesktopActionOfMenuItem(menu_item);
  const std::uint8_t code = action ? kFunctionShortcut : FunctionCodeOfMenuItem(menu_item);
  if (!KeepsALeftClick(profile, button, code)) {
    ports.warning.Show("warning_title_text", "one_click_text");
    return AssignmentOutcome::kLeftClickRequired;
  }
  ButtonAssignment& slot = profile.buttons[std::size_t(button)];
  if (action) {
    // An ordinary shortcut with the action's keys, stored as the capture would store it.
    if (slot.function != kFunctionShortcut) slot.gap_4.fill(0);
    slot.shortcut_key = action->keys.usage;
    slot.shortcut_modifiers = action->keys.modifiers;
  } else if (code == kFunctionShortcut && !CaptureShortcut(slot, ports.shortcut)) {
    return AssignmentOutcome::kUnchanged;
  }
  if (code == kFunctionMacro && !ChooseMacro(slot, macros, ports.macro)) {
    return AssignmentOutcome::kUnchanged;
  }
  slot.function = code;
  ports.apply.RequestApply();
  return AssignmentOutcome::kAssigned;
}

}  // namespace melko
