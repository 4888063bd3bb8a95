// The step list, the step edits and the step editor of MacroEditor.
#include <algorithm>
#include <utility>
#include <vector>

#include "common/text.h"
#include "macros/macro_editor.h"
#include "macros/macro_editor_controls.h"

namespace melko {
namespace {

constexpr std::uint32_t kTabKey = 0x09;  // its virtual-key code

int MouseButtonIndex(std::uint8_t code) {
  const auto& buttons = macro_control::kMouseButtons;
  const auto found = std::find(buttons.begin(), buttons.end(), code);
  return found == buttons.end() ? -1 : int(found - buttons.begin());
}

}  // namespace

// Shows every step anew and selects one: while steps are being inserted, the last one inserted;
// after a reload that undid a recording, the row where it began; otherwise the last row.
void MacroEditor::RebuildSteps() {
  const int count = state_.work_count;
  int row = count - 1;
  bool scroll = true;
  if (state_.reverting && state_.insert_start >= 0 && state_.insert_start < count) {
    row = state_.insert_start;
  } else if (state_.inserting) {
    row = std::clamp(state_.insert_at, 0, count) - 1;
    scroll = state_.insert_at >= 1;
  }
  state_.current_action = row;
  ShowStepRows();
  if (scroll && row >= 0) view_.ScrollStepIntoView(row);
  ShowStepEditor();
}

void MacroEditor::ShowStepRows() {
  std::vector<StepRow> rows;
  for (int k = 0; k < state_.work_count; ++k) rows.push_back(RowOf(k));
  view_.ShowSteps(rows);
  view_.SelectStepRow(state_.current_action);
}

StepRow MacroEditor::RowOf(int k) const {
  const MacroAction& step = state_.work_actions[std::size_t(k)];
  StepRow row;
  row.key_name = keys_.NameOf(step.code);
  row.mouse_button = IsMouseButtonCode(step.code);
  row.press = step.type == kMacroStepPress;
  row.action_text_key = row.press ? macro_text_key::kPress : macro_text_key::kRelease;
  // The last step's delay is never played: it shows the shortest one.
  const bool last = k == state_.work_count - 1;
  row.delay_text = std::to_string(last ? kShortestDelay : step.delay);
  return row;
}

StepEditorPage MacroEditor::EditorPage() const {
  StepEditorPage page;
  page.open = state_.edit_open && ValidStep(state_.current_action);
  if (!page.open) return page;
  const int k = state_.current_action;
  const MacroAction& step = state_.work_actions[std::size_t(k)];
  const bool last = k == state_.work_count - 1;
  page.page =
      IsMouseButtonCode(step.code) ? macro_control::kMouseStepPage : macro_control::kKeyStepPage;
  page.key_name = keys_.NameOf(step.code);
  page.mouse_index = MouseButtonIndex(step.code);
  page.delay_text = std::to_string(last ? kShortestDelay : step.delay);
  page.delay_editable = !last;
  return page;
}

// The step editor follows the selected step; with no step selected it closes.
void MacroEditor::ShowStepEditor() {
  if (!ValidStep(state_.current_action)) state_.edit_open = false;
  view_.ShowStepEditor(EditorPage());
  UpdateKeyCapture();
}

// Puts a step at insert_at (the end when it is -1) and moves insert_at past it.
bool MacroEditor::InsertStep(MacroAction step) {
  const int position =
      state_.insert_at < 0 ? state_.work_count : std::min(state_.insert_at, state_.work_count);
  if (!InsertStepAt(state_.work_actions, state_.work_count, position, step)) return false;
  if (state_.insert_at >= 0) state_.insert_at = position + 1;
  return true;
}

void MacroEditor::SelectStep(int row) {
  state_.current_action = ValidStep(row) ? row : -1;
  ShowStepEditor();
}

void MacroEditor::InsertClick(int button) {
  if (state_.recording || !state_.selected_macro || button < 0 || button >= 5) return;
  // A click is two steps; with fewer than two free slots nothing changes.
  if (state_.work_count + 2 > kMaxMacroSteps) return;
  const std::uint16_t delay =
      state_.delay_mode == kDefaultDelay ? default_delay_field_ : kShortestDelay;
  const std::uint8_t code = macro_control::kMouseButtons[std::size_t(button)];
  state_.inserting = true;
  state_.insert_at = std::clamp(state_.current_action + 1, 0, state_.work_count);
  InsertStep({code, kMacroStepPress, delay});
  InsertStep({code, kMacroStepRelease, delay});
  RebuildSteps();
  Commit();
  ResetInsertion();
}

void MacroEditor::DeleteStep() {
  const int k = state_.current_action;
  if (state_.recording || !ValidStep(k)) return;
  RemoveStepAt(state_.work_actions, state_.work_count, k);
  state_.current_action = std::min(k, state_.work_count - 1);
  ShowStepRows();
  ShowStepEditor();
  Commit();
}

void MacroEditor::ClearSteps() {
  if (state_.recording || !state_.selected_macro) return;
  state_.work_actions = {};
  state_.work_count = 0;
  ResetInsertion();
  state_.current_action = -1;
  if (Commit()) RebuildSteps();
}

void MacroEditor::MoveStepUp() {
  const int k = state_.current_action;
  if (state_.recording || k < 1 || k >= state_.work_count) return;
  std::swap(state_.work_actions[std::size_t(k - 1)], state_.work_actions[std::size_t(k)]);
  state_.current_action = k - 1;
  ShowStepRows();
  ShowStepEditor();
  Commit();
}

void MacroEditor::MoveStepDown() {
  const int k = state_.current_action;
  if (state_.recording || k < 0 || k >= state_.work_count - 1) return;
  std::swap(state_.work_actions[std::size_t(k)], state_.work_actions[std::size_t(k + 1)]);
  state_.current_action = k + 1;
  ShowStepRows();
  ShowStepEditor();
  Commit();
}

void MacroEditor::SetStepEditorOpen(bool open) {
  if (!state_.recording) state_.edit_open = open;
  ShowStepEditor();
}

// The key page's field keeps what was typed; the mouse page's shows the value stored.
std::string MacroEditor::FinishDelayEdit(std::string_view text) {
  const int k = state_.current_action;
  if (state_.recording || !ValidStep(k) || k == state_.work_count - 1) {
    return EditorPage().delay_text;
  }
  MacroAction& step = state_.work_actions[std::size_t(k)];
  step.delay = ClampDelay(ReadLeadingInteger(text));
  const bool mouse_step = IsMouseButtonCode(step.code);
  const std::string stored = std::to_string(step.delay);
  ShowStepRows();
  if (!Commit()) return EditorPage().delay_text;
  return mouse_step ? stored : std::string(text);
}

void MacroEditor::ChooseMouseButton(int combo_index) {
  const int k = state_.current_action;
  if (state_.recording || !ValidStep(k) || combo_index < 0 || combo_index >= 5) return;
  state_.work_actions[std::size_t(k)].code = macro_control::kMouseButtons[std::size_t(combo_index)];
  ShowStepRows();
  ShowStepEditor();
  Commit();
}

void MacroEditor::SaveStep() {
  if (state_.recording) return;
  Commit();
  state_.edit_open = false;
  ShowStepEditor();
}

void MacroEditor::CancelStep() {
  if (state_.recording) return;
  state_.edit_open = false;
  ShowStepEditor();
  Revert();
}

void MacroEditor::SetKeyFieldFocus(bool focused) {
  key_field_focused_ = focused;
  UpdateKeyCapture();
}

// The key field takes keys from the whole desktop, so it listens only while it has the focus in
// the active editor window, with its page shown and no recording running.
void MacroEditor::UpdateKeyCapture() {
  const bool wanted = window_active_ && key_field_focused_ && !state_.recording &&
                      EditorPage().page == macro_control::kKeyStepPage;
  if (wanted == state_.events_to_key_edit) return;
  if (!wanted) {
    EndKeyCapture();
    return;
  }
  state_.events_to_key_edit = true;
  state_.events_to_recorder = false;
  key_field_pressed_.reset();
  hooks_.InstallHook();
  hooks_.EnableHook(true);
}

void MacroEditor::EndKeyCapture() {
  if (!state_.events_to_key_edit) return;
  state_.events_to_key_edit = false;
  hooks_.RemoveHook();
  hooks_.EnableHook(false);
}

// Every key but Tab, which moves the focus on, becomes the step's key. Presses and releases both
// count, so the last key wins; but not the release of a key pressed before the field began to
// listen (the Tab, or the Shift of Shift+Tab, that moved the focus into it).
void MacroEditor::KeyFieldEvent(std::uint32_t virtual_key, bool release) {
  const int k = state_.current_action;
  if (!ValidStep(k) || virtual_key > 0xFF || virtual_key == kTabKey) return;  // mouse messages too
  if (release && !key_field_pressed_[virtual_key]) return;
  key_field_pressed_[virtual_key] = !release;
  state_.work_actions[std::size_t(k)].code = keys_.UsageOf(virtual_key);
  ShowStepRows();
  ShowStepEditor();
  Commit();
}

}  // namespace melko
