// The settings page's profile list: selecting, adding, deleting, renaming, restoring, importing
// and exporting profiles, each a sync of the stores saved at once, and following what other
// programs change in the stores meanwhile.
#include "common/file_io.h"
#include "common/text.h"
#include "profiles/data_folder.h"
#include "profiles/names.h"
#include "profiles/profile_files.h"
#include "shell/page_controls.h"
#include "shell/settings_page.h"

namespace melko {
namespace {

using namespace page_control;

}  // namespace

void SettingsPage::ShowProfiles() {
  std::vector<std::string> names;
  shown_profiles_.clear();
  ctx_.profiles.WithStores([&](const ProfileStore& profiles, const MacroStore&) {
    for (std::size_t i = 0; i < profiles.profiles.size(); ++i) {
      shown_profiles_.push_back(KeyOf(profiles.profiles, i));
      names.push_back(Utf16ToUtf8(shown_profiles_.back().name));
    }
    shown_selected_ = profiles.SelectedPosition();
  });
  ctx_.controls.SetItems(kProfileList, names);
  ctx_.controls.SelectItem(kProfileList, int(shown_selected_), false);
}

// The profile the page shows as selected, which the user's delete, rename or restore means.
NameKey SettingsPage::ShownCurrent() const {
  return shown_selected_ < shown_profiles_.size() ? shown_profiles_[shown_selected_] : NameKey{};
}

std::vector<std::u16string> SettingsPage::ProfileNames() {
  return ctx_.profiles.WithStores([](const ProfileStore& profiles, const MacroStore&) {
    std::vector<std::u16string> names;
    for (const auto& record : profiles.profiles) names.push_back(ProfileName(*record));
    return names;
  });
}

void SettingsPage::OnStoresChanged() {
  // Not the user's change: a store that cannot be read or written now is only logged.
  const SyncResult synced = ctx_.profiles.Sync();
  if (!synced.outcome.ok) ctx_.log.Write("Sync failed: " + synced.outcome.error);
  FollowStores();
}

void SettingsPage::FollowStores() {
  const unsigned changes = ctx_.profiles.TakeOutsideChanges();
  if (changes & kSelectionChanged) {
    SwitchedProfile();
    return;
  }
  if (changes & kProfileListChanged) ShowProfiles();
  if (changes & (kCurrentChanged | kMacrosChanged)) RefreshAll();
}

bool SettingsPage::SyncChange(const StoreChange& change) {
  const SyncResult synced = ctx_.profiles.Sync(change);
  if (synced.outcome.ok) return true;
  ctx_.log.Write("SaveProfiles failed: " + synced.outcome.error);
  ports_.boxes.Tell("warning_title_text", "save_fail_text",
                    {StoreFolder(ctx_.profiles.data_folder()).string(), synced.outcome.error});
  // Nothing changed: the list shows the stores as they are.
  ShowProfiles();
  FollowStores();
  return false;
}

void SettingsPage::SwitchedProfile() {
  ctx_.profiles.TakeOutsideChanges();  // everything is shown anew
  ShowProfiles();
  ctx_.profiles.full_apply = 1;
  RefreshAll();
  RequestApply();
}

// The row is one of the list as the page showed it; the stores may have changed since, so the
// profile is found again by its name.
void SettingsPage::SelectProfile(int row) {
  if (row < 0 || std::size_t(row) >= shown_profiles_.size()) return;
  const NameKey shown = shown_profiles_[std::size_t(row)];
  bool found = false;
  const bool saved = SyncChange([&](ProfileStore& profiles, MacroStore&) {
    const int at = FindKey(profiles.profiles, shown);
    if (at < 0) return;
    profiles.selected_index = std::uint32_t(at);
    found = true;
  });
  if (!saved) return;
  if (found) {
    SwitchedProfile();
    return;
  }
  ShowProfiles();  // another program removed it meanwhile
  FollowStores();
}

void SettingsPage::AddProfile() {
  std::u16string name;
  if (!ports_.dialogs.AskProfileName("profile_name_1_text", ProfileNames(), name)) return;
  const bool saved = SyncChange([&](ProfileStore& profiles, MacroStore&) {
    // Another program may have taken the name meanwhile.
    profiles.profiles.push_back(
        MakeDefaultProfile(MakeUniqueName(profiles.profiles, name, kProfileNameMaxUnits)));
    profiles.selected_index = std::uint32_t(profiles.profiles.size() - 1);
  });
  if (saved) SwitchedProfile();
}

void SettingsPage::DeleteProfile() {
  if (ProfileNames().size() < 2) {
    ports_.boxes.Tell("warning_title_text", "one_profile_text");
    return;
  }
  const NameKey current = ShownCurrent();
  if (!ports_.boxes.Ask("warning_title_text", "delete_profile_text", {Utf16ToUtf8(current.name)})) {
    return;
  }
  bool last = false;
  const bool saved = SyncChange([&](ProfileStore& profiles, MacroStore&) {
    const int at = FindKey(profiles.profiles, current);
    if (at < 0) return;
    if (profiles.profiles.size() < 2) {
      last = true;  // another program removed the others meanwhile
      return;
    }
    profiles.profiles.erase(profiles.profiles.begin() + at);
    // The profile now at the same place, or the one before it when the last one went.
    profiles.selected_index =
        std::uint32_t(std::min<std::size_t>(at, profiles.profiles.size() - 1));
  });
  if (!saved) return;
  if (last) ports_.boxes.Tell("warning_title_text", "one_profile_text");
  SwitchedProfile();
}

void SettingsPage::RenameProfile() {
  const NameKey current = ShownCurrent();
  std::u16string name = current.name;  // shown for editing
  if (!ports_.dialogs.AskProfileName("profile_name_2_text", ProfileNames(), name)) return;
  bool taken = false;
  const bool saved = SyncChange([&](ProfileStore& profiles, MacroStore&) {
    const int at = FindKey(profiles.profiles, current);
    if (at < 0) return;
    // The dialog checked the names the page knew; another program may have taken it since.
    taken = NameExists(profiles.profiles, name);
    if (!taken) SetProfileName(*profiles.profiles[std::size_t(at)], name);
  });
  if (!saved) return;
  if (taken) ports_.boxes.Tell("warning_title_text", "warn_name_2_text");
  ShowProfiles();
  FollowStores();
}

void SettingsPage::ResetProfile() {
  const NameKey current = ShownCurrent();
  if (!ports_.boxes.Ask("warning_title_text", "restore_text")) return;
  const bool saved = SyncChange([&](ProfileStore& profiles, MacroStore&) {
    const int at = FindKey(profiles.profiles, current);
    if (at >= 0) SetDefaults(*profiles.profiles[std::size_t(at)]);
  });
  if (saved) SwitchedProfile();
}

void SettingsPage::ImportProfile() {
  const auto file = ports_.dialogs.OpenFile(FileKind::kProfile);
  if (!file) return;
  Outcome imported;
  const bool saved = SyncChange([&](ProfileStore& profiles, MacroStore& macros) {
    const ProfileImport result = melko::ImportProfile(profiles, macros, *file);
    imported = result.outcome;
    if (result.outcome.ok) profiles.selected_index = std::uint32_t(result.profile_index);
  });
  if (!imported.ok) {
    ctx_.log.Write("Profile import refused: " + imported.error);
    ports_.boxes.Tell("warning_title_text", "import_fail_text",
                      {file->string(), ReasonWithoutPath(imported.error, *file)});
    return;
  }
  if (saved) SwitchedProfile();
}

void SettingsPage::ExportProfile() {
  const auto file = ports_.dialogs.SaveFile(FileKind::kProfile);
  if (!file) return;
  const Outcome written = melko::ExportProfile(ctx_.profiles.CurrentSnapshot(), *file);
  if (!written.ok) {
    ctx_.log.Write("Profile export failed: " + written.error);
    ports_.boxes.Tell("warning_title_text", "export_fail_text",
                      {file->string(), ReasonWithoutPath(written.error, *file)});
  }
}

void SettingsPage::RefreshMacroAssignments() {
  bool touched = false;
  const bool saved = SyncChange([&](ProfileStore& profiles, MacroStore& macros) {
    touched = melko::RefreshMacroAssignments(profiles.profiles, macros, profiles.Selected());
  });
  if (!saved) return;
  FollowStores();
  if (!touched) return;
  RefreshButtonLabels();
  RequestApply();
}

}  // namespace melko
