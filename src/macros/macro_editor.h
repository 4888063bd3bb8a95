// The macro editor's logic, with the window as a thin view over it: the macro list and the
// selected macro, a working copy of its steps that every edit commits to the store at once, the
// step editor, and recording keys and mouse buttons from the whole desktop through the hook.
// Everything runs on the user-interface thread; hook events arrive through OnHookMessage.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "common/file_io.h"
#include "macros/macro_editor_ports.h"
#include "macros/macro_working_steps.h"
#include "profiles/names.h"
#include "protocol/clock.h"

namespace melko {

enum DelayMode : int {
  kRecordedDelay = 0,  // the time between the events
  kDefaultDelay = 1,   // the default delay field
  kNoDelay = 2,        // 10 ms
};

struct MacroEditorState {
  // The selected macro, as it is found again in the store after every change (by its exact name,
  // so that of "Jump" and "JUMP" each is itself), and its row in the macro list; nothing and -1
  // when none is selected.
  std::optional<NameKey> selected_macro;
  int selected_row = -1;
  StepSlots work_actions{};  // working copy of the selected macro's steps
  int work_count = 0;
  int current_action = -1;  // the selected step, -1 for none
  int insert_at = -1;       // where the next recorded or inserted step goes; -1 appends
  int insert_start = -1;    // insert_at when the recording started
  bool inserting = false;   // steps go in before existing ones
  bool recording = false;
  bool have_previous = false;                    // a recorded event to measure the next delay from
  std::uint16_t default_delay = kShortestDelay;  // the default delay as the recording started
  int delay_mode = kDefaultDelay;
  bool edit_open = false;  // the step editor's check box
  bool reverting = false;  // the selected macro is reloaded after a refused change or a cancel
  bool events_to_recorder = false;
  bool events_to_key_edit = false;
};

class MacroEditor {
 public:
  MacroEditor(MacroLibrary& library, HookControl& hooks, const KeyCodes& keys, Clock& clock,
              RecorderMemory& memory, MacroEditorView& view);
  // Removes a hook still installed, without touching the view; Close() is the orderly end.
  ~MacroEditor();
  MacroEditor(const MacroEditor&) = delete;
  MacroEditor& operator=(const MacroEditor&) = delete;

  const MacroEditorState& state() const { return state_; }

  // The window: Open fills it (no macro selected); the key field captures keys only while the
  // window is active; Close ends a recording (committing it) and every capture. The window
  // manager closes the window with a click of its own (its close button, a taskbar menu) that the
  // recording took as its last left click: that click goes.
  void Open();
  void SetWindowActive(bool active);
  void Close(bool by_window_manager = false);

  // Macros. Every operation but recording is refused while a recording runs. A change the store
  // cannot save is told to the user, and the editor shows what the store holds.
  void SelectMacro(int row);
  void AddMacro();
  void DeleteMacro();  // asks the view first
  // The name field lost focus; returns what it shows now: the new name, or the old one when the
  // name is empty or another macro in the store as it is now has it (without regard to case).
  std::u16string FinishNameEdit(std::u16string_view text);
  // A file that cannot be read or written is told to the user too.
  Outcome ImportMacroFile(const std::filesystem::path& file);
  Outcome ExportMacroFile(const std::filesystem::path& file);

  // Steps. The edits are refused while a recording runs.
  void SelectStep(int row);
  void InsertClick(int button);  // 0 to 4, the buttons of macro_control::kInsertClick
  void DeleteStep();
  void ClearSteps();
  void MoveStepUp();
  void MoveStepDown();

  // The step editor. The delay fields return what they show after losing focus.
  void SetStepEditorOpen(bool open);
  std::string FinishDelayEdit(std::string_view text);
  void ChooseMouseButton(int combo_index);
  void SetKeyFieldFocus(bool focused);
  void SaveStep();
  void CancelStep();

  // Delays and recording.
  void SetDelayMode(int mode);
  std::string FinishDefaultDelayEdit(std::string_view text);
  void ToggleRecording();  // the record button was clicked
  // The pointer is over a button that ends the recording (record, exit): its click is no step.
  void SetPointerOverStopButton(bool over);
  void OnHookMessage(std::uint32_t wparam, std::intptr_t lparam);

 private:
  const MacroStore& store() const { return library_.macros(); }
  bool ValidStep(int k) const { return k >= 0 && k < state_.work_count; }

  // Selection and the lists (macro_editor.cpp).
  void LoadMacro(int row);
  void ShowMacroList();
  void ShowAddedMacro(const std::u16string& name);
  void FindSelectedAgain();
  int SelectedIndexIn(const MacroStore& macros) const;
  bool Saved(const Outcome& outcome);
  bool Commit();
  void Revert();
  void ResetInsertion();
  void UpdateEnabled();

  // Steps and the step editor (macro_step_editing.cpp).
  void RebuildSteps();
  void ShowStepRows();
  StepRow RowOf(int k) const;
  StepEditorPage EditorPage() const;
  void ShowStepEditor();
  bool InsertStep(MacroAction step);
  void UpdateKeyCapture();
  void EndKeyCapture();
  void KeyFieldEvent(std::uint32_t virtual_key, bool release);

  // Recording (macro_recording.cpp).
  void StartRecording();
  void StopRecording();
  void RemoveRecordingHooks();
  void RecordEvent(HookEvent event);
  std::uint16_t MeasuredDelay();
  void DropClosingClick();
  void DropUnreleasedPresses();
  void RemoveRecordedStep(int k);

  MacroLibrary& library_;
  HookControl& hooks_;
  const KeyCodes& keys_;
  Clock& clock_;
  RecorderMemory& memory_;
  MacroEditorView& view_;
  MacroEditorState state_;
  std::uint16_t default_delay_field_ = kShortestDelay;  // the default delay field's value
  bool window_active_ = false;
  bool key_field_focused_ = false;
  std::bitset<256> key_field_pressed_;  // keys pressed since the key field began to listen
  // The steps this recording added: recorded_count_ of them from recorded_from_ on.
  int recorded_from_ = 0;
  int recorded_count_ = 0;
};

}  // namespace melko
