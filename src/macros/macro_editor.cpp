#include "macros/macro_editor.h"

#include <algorithm>
#include <vector>

#include "common/text.h"
#include "macros/macro_editor_controls.h"
#include "macros/macro_files.h"

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

void MacroEditor::Close(bool by_window_manager) {
  if (state_.recording) {
    if (by_window_manager) DropClosingClick();
    StopRecording();
  }
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
    state_.selected_macro = KeyOf(macros, std::size_t(row));
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
  view_.ShowMacroName(state_.selected_macro ? state_.selected_macro->name : u"");
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
  state_.selected_row = FindName(store().macros, name);
  ShowMacroList();
  LoadMacro(state_.selected_row);
  if (state_.selected_row >= 0) view_.ScrollMacroIntoView(state_.selected_row);
}

// After a change the list may hold other programs' macros too: the selected macro's row is looked
// up again, and the list shown anew.
void MacroEditor::FindSelectedAgain() {
  const int row = SelectedIndexIn(store());
  const bool lost = state_.selected_macro && row < 0;
  state_.selected_row = row;
  if (row >= 0) {
    const NameKey found = KeyOf(store().macros, std::size_t(row));
    if (found.name != state_.selected_macro->name) view_.ShowMacroName(found.name);
    state_.selected_macro = found;
  }
  ShowMacroList();
  if (lost) LoadMacro(-1);
}

int MacroEditor::SelectedIndexIn(const MacroStore& macros) const {
  return state_.selected_macro ? FindKey(macros.macros, *state_.selected_macro) : -1;
}

bool MacroEditor::Saved(const Outcome& outcome) {
  if (!outcome.ok) view_.TellSaveFailed(outcome.error);
  return outcome.ok;
}

// Writes the working steps into the selected macro. A change that would take more entries than
// the mouse holds, or that cannot be saved, is undone by reloading the macro.
bool MacroEditor::Commit() {
  if (!state_.selected_macro) return false;
  if (EntryCount(state_.work_actions, state_.work_count) > kMaxSavedEntries) {
    Revert();
    return false;
  }
  const Outcome saved = library_.Change([&](MacroStore& macros, ProfileStore*) {
    const int index = SelectedIndexIn(macros);
    if (index < 0) return;
    MacroRecord& record = *macros.macros[std::size_t(index)];
    record.actions = state_.work_actions;
    record.action_count = state_.work_count;
  });
  if (!Saved(saved)) {
    Revert();
    return false;
  }
  FindSelectedAgain();
  return true;
}

void MacroEditor::Revert() {
  state_.reverting = true;
  LoadMacro(SelectedIndexIn(store()));
  state_.reverting = false;
}

void MacroEditor::ResetInsertion() {
  state_.inserting = false;
  state_.insert_at = -1;
  state_.insert_start = -1;
}

// While a recording runs, only the record button (and closing the window) stays: anything else,
// a file dialog above all, would take what the user types into it for steps.
void MacroEditor::UpdateEnabled() {
  namespace control = macro_control;
  const bool idle = !state_.recording;
  const bool editable = idle && state_.selected_macro.has_value();
  for (const char* name :
       {control::kMacroList, control::kAddMacro, control::kImportMacro, control::kRecordedDelayMode,
        control::kDefaultDelayMode, control::kNoDelayMode, control::kDefaultDelayEdit,
        control::kStepList, control::kInsertMouseTab}) {
    view_.SetEnabled(name, idle);
  }
  for (const char* name :
       {control::kDeleteMacro, control::kExportMacro, control::kNameEdit, control::kMoveUp,
        control::kMoveDown, control::kDeleteStep, control::kClearSteps, control::kStepEditorCheck,
        control::kStepEditorPages}) {
    view_.SetEnabled(name, editable);
  }
  for (const char* name : control::kInsertClick) view_.SetEnabled(name, editable);
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
  const Outcome saved = library_.Change(
      [&](MacroStore& macros, ProfileStore*) { name = MacroName(*AppendNewMacro(macros)); });
  if (Saved(saved)) ShowAddedMacro(name);
}

void MacroEditor::DeleteMacro() {
  if (state_.recording || !state_.selected_macro) return;
  if (!view_.ConfirmDelete(state_.selected_macro->name)) return;
  const Outcome saved = library_.Change([&](MacroStore& macros, ProfileStore*) {
    const int index = SelectedIndexIn(macros);
    if (index >= 0) macros.macros.erase(macros.macros.begin() + index);
  });
  if (!Saved(saved)) return;
  // The row at the same place, or the one before it when the last row went.
  state_.selected_row = std::min(state_.selected_row, int(store().macros.size()) - 1);
  ShowMacroList();
  LoadMacro(state_.selected_row);
}

std::u16string MacroEditor::FinishNameEdit(std::u16string_view text) {
  if (!state_.selected_macro) return u"";
  const std::u16string old_name = state_.selected_macro->name;
  // The name is shortened first, so that the checks below see the name that is stored. An empty
  // name would leave the buttons that play the macro nothing to find it by.
  const std::u16string name = TruncateUnits(text, kMacroNameMaxUnits);
  if (state_.recording || name.empty() || EqualsIgnoreCase(name, old_name)) return old_name;
  bool renamed = false;
  const Outcome saved = library_.Change([&](MacroStore& macros, ProfileStore* profiles) {
    const int index = SelectedIndexIn(macros);
    // Checked here, on the store as it is now: another program may have taken the name since.
    if (index < 0 || NameExists(macros.macros, name)) return;
    if (profiles) RenameMacroInProfiles(profiles->profiles, macros, index, name);
    SetMacroName(*macros.macros[std::size_t(index)], name);
    renamed = true;
  });
  if (!Saved(saved)) return old_name;
  if (renamed) state_.selected_macro = NameKey{name, 0};
  FindSelectedAgain();
  return state_.selected_macro ? state_.selected_macro->name : u"";
}

Outcome MacroEditor::ImportMacroFile(const std::filesystem::path& file) {
  if (state_.recording) return Outcome::Failure("a recording is running");
  MacroImport imported;
  std::u16string name;
  const Outcome saved = library_.Change([&](MacroStore& macros, ProfileStore*) {
    imported = ImportMacro(macros, file);
    if (imported.outcome.ok) name = MacroName(*macros.macros[imported.macro_index]);
  });
  if (!imported.outcome.ok) {
    view_.TellFileFailed(macro_text_key::kImportFailed, file, imported.outcome.error);
    return imported.outcome;
  }
  if (!Saved(saved)) return saved;
  ShowAddedMacro(name);
  return imported.outcome;
}

Outcome MacroEditor::ExportMacroFile(const std::filesystem::path& file) {
  const int row = state_.recording ? -1 : SelectedIndexIn(store());
  if (row < 0) return Outcome::Failure("no macro is selected, or a recording is running");
  const Outcome written = ExportMacro(*store().macros[std::size_t(row)], file);
  if (!written.ok) view_.TellFileFailed(macro_text_key::kExportFailed, file, written.error);
  return written;
}

}  // namespace melko
