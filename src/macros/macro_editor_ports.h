// What the macro editor needs from outside: the shared macro store, the desktop hook, key codes
// and names on the user's keyboard layout, and the window that shows it all.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "macros/macro_store.h"

namespace melko {

// The macro store as the whole program shares it. Another program may change the file at any
// time, so a change is made to the store as it is then found, under the lock every writer takes,
// and saved at once; afterwards the list may hold other programs' macros too.
class MacroLibrary {
 public:
  virtual ~MacroLibrary() = default;
  virtual const MacroStore& macros() const = 0;
  // Runs change on the store as found and saves it. profiles is null for a library that does not
  // hold them; otherwise the buttons that play a macro can follow it in the same change. When
  // the save fails nothing changed, and the outcome says why.
  virtual Outcome Change(
      const std::function<void(MacroStore&, ProfileStore* profiles)>& change) = 0;
};

// The desktop hook library's seven operations. The events come back as messages to the editor's
// window, which passes them to MacroEditor::OnHookMessage.
class HookControl {
 public:
  virtual ~HookControl() = default;
  virtual void InstallMouseHook() = 0;  // the editor never calls it
  virtual void RemoveMouseHook() = 0;
  virtual void EnableMouseHook(bool on) = 0;
  virtual void InstallHook() = 0;  // events go to the editor's window from now on
  virtual void RemoveHook() = 0;
  virtual void EnableHook(bool on) = 0;
  virtual void MouseWheelEnable(bool on) = 0;
};

class KeyCodes {
 public:
  virtual ~KeyCodes() = default;
  // The usage stored for a captured virtual-key code; 0 for a key without a row in the key table.
  virtual std::uint8_t UsageOf(std::uint32_t virtual_key) const = 0;
  // The name shown for a step code (UTF-8); empty when it has none.
  virtual std::string NameOf(std::uint8_t code) const = 0;
};

struct HookEvent {
  std::uint32_t wparam = 0;
  std::intptr_t lparam = 0;
  bool operator==(const HookEvent&) const = default;
};

// What the recorder keeps for the whole run of the program, outside any editor window.
struct RecorderMemory {
  std::optional<HookEvent> last_event;  // the last hook event the recorder handled
  std::int64_t last_tick = 0;           // Clock time of the last recorded event or of the start
};

// One row of the step list.
struct StepRow {
  std::string key_name;           // shown on the mouse picture or on the key picture
  bool mouse_button = false;      // the mouse picture, else the key picture
  bool press = false;             // the press picture, else the release picture
  const char* action_text_key{};  // language key: macro_text_key::kPress or kRelease
  std::string delay_text;         // "10" on the last row, whose delay is never played
};

// The step editor: its check box and the page under it.
struct StepEditorPage {
  bool open = false;       // the state of the check box
  int page = 0;            // macro_control::kNoStepPage, kKeyStepPage or kMouseStepPage
  std::string key_name;    // key page: the key
  int mouse_index = -1;    // mouse page: the combo item
  std::string delay_text;  // either page: the delay field
  bool delay_editable = false;
};

// The editor window. Calls made by the model are not answered with notifications back to it: the
// view applies them with its own signals blocked.
class MacroEditorView {
 public:
  virtual ~MacroEditorView() = default;
  virtual void ShowMacros(const std::vector<std::u16string>& names) = 0;
  virtual void SelectMacroRow(int row) = 0;  // -1: none
  virtual void ScrollMacroIntoView(int row) = 0;
  virtual void ShowMacroName(std::u16string_view name) = 0;
  virtual void ShowSteps(const std::vector<StepRow>& rows) = 0;
  virtual void SelectStepRow(int row) = 0;  // -1: none
  virtual void ScrollStepIntoView(int row) = 0;
  virtual void ShowStepEditor(const StepEditorPage& page) = 0;
  virtual void ShowRecordButton(const char* text_key, bool checked) = 0;
  virtual void ShowDelayMode(int mode) = 0;
  virtual void ShowDefaultDelay(std::string_view text) = 0;
  virtual void SetEnabled(std::string_view control, bool enabled) = 0;
  // Asks whether to delete the macro of this name (title macro_text_key::kWarningTitle, text
  // kDeleteMacro); true when the user confirmed.
  virtual bool ConfirmDelete(std::u16string_view name) = 0;
  // Notices: a change the store could not save (why), and a macro file that could not be read
  // or written (text_key macro_text_key::kImportFailed or kExportFailed, the file, why).
  virtual void TellSaveFailed(std::string_view reason) = 0;
  virtual void TellFileFailed(const char* text_key, const std::filesystem::path& file,
                              std::string_view reason) = 0;
};

}  // namespace melko
