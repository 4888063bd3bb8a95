// Giving a mouse button the function of a chosen assignment menu item. The dialogs it opens and
// the apply it requests are ports: the settings page answers them with its windows, the command
// line from its arguments, tests with fakes.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "macros/macro_store.h"
#include "profiles/profile_record.h"

namespace melko {

// The shortcut capture: modifier flags in the order Ctrl, Shift, Alt, Win, and the HID usage of
// the key (0 for none).
struct ShortcutFields {
  std::array<bool, 4> modifiers;
  std::uint8_t key;
};

class ShortcutCapture {
 public:
  virtual ~ShortcutCapture() = default;
  // Runs the capture preset with fields; true when the user confirmed, fields then hold the result.
  virtual bool Capture(ShortcutFields& fields) = 0;
};

// The macro choice: a position in the macro store (-1 for none), the repeat mode (0 to 2) and the
// repeat count of mode 0 (1 to 255).
struct MacroChoiceFields {
  std::int32_t macro_index;
  std::int32_t mode;
  std::int32_t repeat_count;
};

class MacroChoice {
 public:
  virtual ~MacroChoice() = default;
  // Runs the choice among the macros preset with fields; true when confirmed, fields then hold it.
  virtual bool Choose(const MacroStore& macros, MacroChoiceFields& fields) = 0;
};

class WarningMessage {
 public:
  virtual ~WarningMessage() = default;
  // Shows a modal message with a title and a text, both language keys.
  virtual void Show(std::string_view title_key, std::string_view text_key) = 0;
};

class ApplyRequester {
 public:
  virtual ~ApplyRequester() = default;
  // Asks for the changed settings to be written to the mouse.
  virtual void RequestApply() = 0;
};

struct AssignmentPorts {
  ShortcutCapture& shortcut;
  MacroChoice& macro;
  WarningMessage& warning;
  ApplyRequester& apply;
};

enum class AssignmentOutcome {
  kAssigned,           // the function changed and an apply was requested: refresh the label
  kLeftClickRequired,  // refused with "one_click_text": no left click would remain
  kUnchanged,          // a dialog was cancelled or gave nothing to assign
  kNoSuchButton,       // the button index is not one of the mouse's buttons
};

// Maps the menu item to a function code (Left click for an unknown name), keeps a left click among
// the first sixteen buttons, runs the shortcut capture for code 16 and the macro choice for code
// 17, stores a desktop action's item as a shortcut with the action's keys, and stores the result in
// the profile's button. Fields the new function does not use keep their values, so a button that
// held a macro keeps its copy of it.
AssignmentOutcome AssignButtonFunction(ProfileRecord& profile, int button,
                                       std::string_view menu_item, const MacroStore& macros,
                                       const AssignmentPorts& ports);

}  // namespace melko
