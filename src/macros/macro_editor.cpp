#include "macros/macro_editor.h"

#include <algorithm>
#include <vector>

#include "common/text.h"
#include "macros/macro_editor_controls.h"
#include "macros/macro_files.h"
#include "profiles/names.h"

namespace melko {

MacroEditor::MacroEditor(MacroLibrary& library, HookControl& hooks, const KeyCodes& keys,
                         Clock& clock, RecorderMemory& memory, MacroEditorView& view)
    : library_(library), hooks_(hooks), keys_(keys), clock_(clock), memory_(memory), view_(view) {}

MacroEditor::~MacroEditor() {
  // The hook must never post to a window that is gone.
  if (state_.recording) RemoveRecordingHooks();
  EndKeyCapture();
}

void MacroEditor::Open() {
  view_.ShowDelayMode(state_.delay_mode);
  view_.ShowDefaultDelay(std::to_string(default_delay_field_));
  view_.ShowRecordButton(macro_text_key::kStartRecording, false);
  state_.selected_row = -1;
  ShowMacroList();
  LoadMacro(-1);
}

void MacroEditor::SetWindowActive(bool active) {
  window_active_ = active;
  UpdateKeyCapture();
}

void MacroEditor::Close() {
  if (state_.recording) StopRecording(false);
  window_active_ = false;
  key_field_focused_ = false;
  UpdateKeyCapture();
}

// Loads the macro of a row into the working copy, or selects nothing for a row outside the list.
// Whatever an earlier macro left in the insertion state goes.
void MacroEditor::LoadMacro(int row) {
  const auto& macros = store().macros;
  if (row >= 0 && row < int(macros.size())) {
    const MacroRecord& record = *macros[std::size_t(row)];
    state_.selected_macro = MacroName(record);
    state_.selected_row = row;
    state_.work_actions = record.actions;
    state_.work_count = record.StepCount();
  } else {
    state_.selected_macro.reset();
    state_.selected_row = -1;
    state_.work_actions = {};
    state_.work_count = 0;
  }
  state_.current_action = -1;
  view_.SelectMacroRow(state_.selected_row);
  view_.ShowMacroName(state_.selected_macro.value_or(u""));
  RebuildSteps();
  ResetInsertion();
  UpdateEnabled();
}

void MacroEditor::ShowMacroList() {
  std::vector<std::u16string> names;
  for (const auto& macro : store().macros) names.push_back(MacroName(*macro));
  view_.ShowMacros(names);
  view_.SelectMacroRow(state_.selected_row);
}

void MacroEditor::ShowAddedMacro(const std::u16string& name) {
  state_.selected_row = FindMacro(store(), name);
  ShowMacroList();
  LoadMacro(state_.selected_row);
  if (state_.selected_row >= 0) view_.ScrollMacroIntoView(state_.selected_row);
}

// After a change the list may hold other programs' macros too: the selected macro's row is looked
// up again by its name, and the list shown anew.
void MacroEditor::FindSelectedAgain() {
  const int row = state_.selected_macro ? FindMacro(store(), *state_.selected_macro) : -1;
  const bool lost = state_.selected_macro && row < 0;
  state_.selected_row = row;
  ShowMacroList();
  if (lost) LoadMacro(-1);
}

// Writes the working steps into the selected macro. A change that would take more entries than
// the mouse holds, or that cannot be saved, is undone by reloading the macro.
bool MacroEditor::Commit() {
  if (!state_.selected_macro) return false;
  if (EntryCount(state_.work_actions, state_.work_count) > kMaxSavedEntries) {
    Revert();
    return false;
  }
  const std::u16string& name = *state_.selected_macro;
  const bool saved = library_.Change([&](MacroStore& macros) {
    const int index = FindMacro(macros, name);
    if (index < 0) return;
    MacroRecord& record = *macros.macros[std::size_t(index)];
    record.actions = state_.work_actions;
    record.action_count = state_.work_count;
  });
  if (!saved) {
    Revert();
    return false;
  }
  FindSelectedAgain();
  return true;
}

void MacroEditor::Revert() {
  state_.reverting = true;
  LoadMacro(state_.selected_macro ? FindMacro(store(), *state_.selected_macro) : -1);
  state_.reverting = false;
}

void MacroEditor::ResetInsertion() {
  state_.inserting = false;
  state_.insert_at = -1;
  state_.insert_start = -1;
}

void MacroEditor::UpdateEnabled() {
  namespace control = macro_control;
  const bool idle = !state_.recording;
  const bool selected = state_.selected_macro.has_value();
  for (const char* name : {control::kMacroList, control::kAddMacro, control::kImportMacro}) {
    view_.SetEnabled(name, idle);
  }
  view_.SetEnabled(control::kDeleteMacro, idle && selected);
  view_.SetEnabled(control::kExportMacro, selected);
  view_.SetEnabled(control::kNameEdit, selected);
  for (const char* name :
       {control::kMoveUp, control::kMoveDown, control::kDeleteStep, control::kClearSteps,
        control::kStepEditorCheck, control::kStepEditorPages}) {
    view_.SetEnabled(name, idle && selected);
  }
  for (const char* name : control::kInsertClick) view_.SetEnabled(name, idle && selected);
}

void MacroEditor::SelectMacro(int row) {
  if (state_.recording) {
    view_.SelectMacroRow(state_.selected_row);
    return;
  }
  LoadMacro(row);
}

void MacroEditor::AddMacro() {
  if (state_.recording) return;
  std::u16string name;
  if (!library_.Change([&](MacroStore& macros) { name = MacroName(*AppendNewMacro(macros)); })) {
    return;
  }
  ShowAddedMacro(name);
}

void MacroEditor::DeleteMacro() {
  if (state_.recording || !state_.selected_macro) return;
  if (!view_.ConfirmDelete()) return;
  const std::u16string name = *state_.selected_macro;
  const bool saved = library_.Change([&](MacroStore& macros) {
    const int index = FindMacro(macros, name);
    if (index >= 0) macros.macros.erase(macros.macros.begin() + index);
  });
  if (!saved) return;
  // The row at the same place, or the one before it when the last row went.
  state_.selected_row = std::min(state_.selected_row, int(store().macros.size()) - 1);
  ShowMacroList();
  LoadMacro(state_.selected_row);
}

std::u16string MacroEditor::FinishNameEdit(std::u16string_view text) {
  if (!state_.selected_macro) return u"";
  const std::u16string old_name = *state_.selected_macro;
  // The name is shortened first, so that the check below sees the name that is stored.
  const std::u16string name = TruncateUnits(text, kMacroNameMaxUnits);
  if (EqualsIgnoreCase(name, old_name)) return old_name;
  if (NameExists(store().macros, name)) return old_name;
  if (!library_.Rename(old_name, name)) return old_name;
  state_.selected_macro = name;
  FindSelectedAgain();
  return state_.selected_macro.value_or(u"");
}

Outcome MacroEditor::ImportMacroFile(const std::filesystem::path& file) {
  if (state_.recording) return Outcome::Failure("a recording is running");
  MacroImport imported;
  std::u16string name;
  const bool saved = library_.Change([&](MacroStore& macros) {
    imported = ImportMacro(macros, file);
    if (imported.outcome.ok) name = MacroName(*macros.macros[imported.macro_index]);
  });
  if (!imported.outcome.ok) return imported.outcome;
  if (!saved) return Outcome::Failure("the macro store could not be saved");
  ShowAddedMacro(name);
  return imported.outcome;
}

Outcome MacroEditor::ExportMacroFile(const std::filesystem::path& file) const {
  const int row = state_.selected_macro ? FindMacro(store(), *state_.selected_macro) : -1;
  if (row < 0) return Outcome::Failure("no macro is selected");
  return ExportMacro(*store().macros[std::size_t(row)], file);
}

}  // namespace melko
