#include "profiles/profile_session.h"

#include <algorithm>

#include "common/text.h"
#include "profiles/data_folder.h"
#include "profiles/store_merge.h"

namespace melko {
namespace {

// The store lock shared with every other program that writes the stores.
struct StoreLock {
  explicit StoreLock(const std::filesystem::path& data_folder) {
    outcome = EnsureDirectory(StoreFolder(data_folder));
    if (!outcome.ok) return;
    lock = std::make_unique<ExclusiveFileLock>(StoreLockPath(data_folder));
    if (!lock->locked()) outcome = Outcome::Failure("cannot lock the stores: " + lock->error());
  }
  Outcome outcome;
  std::unique_ptr<ExclusiveFileLock> lock;
};

bool FileExists(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

// A store file as the sync found it: whether it was there, and its image as read, so that an
// unchanged store is not written again.
struct DiskStores {
  ProfileStore profiles;
  MacroStore macros;
  bool profiles_found = false;
  bool macros_found = false;
  std::vector<std::uint8_t> profile_image;
  std::vector<std::uint8_t> macro_image;
};

Outcome ReadDiskStores(const std::filesystem::path& data_folder, DiskStores& disk) {
  disk.profiles_found = FileExists(ProfileStorePath(data_folder));
  if (disk.profiles_found) {
    StoreLoadReport report = LoadProfiles(disk.profiles, data_folder);
    if (report.status == StoreLoadStatus::kUnreadable) {
      return Outcome::Failure("cannot read the profile store: " + report.detail);
    }
    disk.profile_image = report.status == StoreLoadStatus::kLoaded
                             ? std::move(report.image)
                             : EncodeProfileStore(disk.profiles);
  }
  disk.macros_found = FileExists(MacroStorePath(data_folder));
  if (disk.macros_found) {
    StoreLoadReport report = LoadMacros(disk.macros, data_folder);
    if (report.status == StoreLoadStatus::kUnreadable) {
      return Outcome::Failure("cannot read the macro store: " + report.detail);
    }
    disk.macro_image = report.status == StoreLoadStatus::kLoaded ? std::move(report.image)
                                                                 : EncodeMacroStore(disk.macros);
  }
  return Outcome::Success();
}

std::u16string SelectedName(const ProfileStore& store) {
  return store.profiles.empty() ? std::u16string()
                                : ProfileName(*store.profiles[store.SelectedPosition()]);
}

bool SameNames(const ProfileStore& a, const ProfileStore& b) {
  return std::equal(
      a.profiles.begin(), a.profiles.end(), b.profiles.begin(), b.profiles.end(),
      [](const auto& x, const auto& y) { return ProfileName(*x) == ProfileName(*y); });
}

bool SameMacros(const MacroStore& a, const MacroStore& b) {
  return std::equal(a.macros.begin(), a.macros.end(), b.macros.begin(), b.macros.end(),
                    [](const auto& x, const auto& y) { return SameMacroBytes(*x, *y); });
}

}  // namespace

std::string UnreadableStoreReason(const std::filesystem::path& data_folder) {
  const struct {
    std::filesystem::path path;
    std::uint64_t limit;
    const char* what;
  } stores[] = {{ProfileStorePath(data_folder), kMaxProfileStoreBytes, "profile store"},
                {MacroStorePath(data_folder), kMaxMacroStoreBytes, "macro store"}};
  for (const auto& store : stores) {
    if (!FileExists(store.path)) continue;
    const FileBytes probe = ReadFilePrefix(store.path, 0);
    std::string why;
    if (!probe.opened) why = probe.error;
    if (probe.opened && probe.file_size > store.limit) {
      why = TooLargeText(store.path, probe.file_size, store.limit);
    }
    if (!why.empty()) return std::string("cannot read the ") + store.what + ": " + why;
  }
  return {};
}

ProfileSession::ProfileSession(std::filesystem::path data_folder)
    : data_folder_(std::move(data_folder)),
      applied_(std::make_unique<ProfileRecord>(ZeroProfileRecord())) {}

StoreLoadReport ProfileSession::LoadProfileStore() {
  std::lock_guard sync_lock(sync_mutex_);
  StoreLock store_lock(data_folder_);
  std::lock_guard lock(mutex_);
  StoreLoadReport report;
  if (!store_lock.outcome.ok) {
    report.status = StoreLoadStatus::kUnreadable;
    report.detail = store_lock.outcome.error;
  } else {
    report = LoadProfiles(profiles_, data_folder_);
  }
  if (profiles_.profiles.empty()) AddDefaultProfile(profiles_);
  *applied_ = CurrentLocked();
  TakeAsBaseLocked();
  return report;
}

StoreLoadReport ProfileSession::LoadMacroStore() {
  std::lock_guard sync_lock(sync_mutex_);
  StoreLock store_lock(data_folder_);
  std::lock_guard lock(mutex_);
  StoreLoadReport report;
  if (!store_lock.outcome.ok) {
    report.status = StoreLoadStatus::kUnreadable;
    report.detail = store_lock.outcome.error;
  } else {
    report = LoadMacros(macros_, data_folder_);
  }
  // Only the macros are new: the profiles' base stays as they were loaded (a copy of every
  // profile again would cost megabytes for nothing).
  macro_base_.clear();
  for (const auto& record : macros_.macros) macro_base_.push_back(*record);
  return report;
}

void ProfileSession::TakeAsBaseLocked() {
  profile_base_.clear();
  for (const auto& record : profiles_.profiles) profile_base_.push_back(*record);
  macro_base_.clear();
  for (const auto& record : macros_.macros) macro_base_.push_back(*record);
}

ProfileRecord& ProfileSession::CurrentLocked() {
  // Before anything was loaded the session holds one default profile, taken as applied.
  if (profiles_.profiles.empty()) {
    *applied_ = *AddDefaultProfile(profiles_);
    profile_base_.push_back(*applied_);
  }
  return *profiles_.Selected();
}

ProfileRecord ProfileSession::CurrentSnapshot() {
  std::lock_guard lock(mutex_);
  return CurrentLocked();
}

ProfileRecord ProfileSession::AppliedSnapshot() {
  std::lock_guard lock(mutex_);
  return *applied_;
}

void ProfileSession::SetApplied(const ProfileRecord& record) {
  std::lock_guard lock(mutex_);
  *applied_ = record;
}

SyncResult ProfileSession::Sync(const StoreChange& change) {
  SyncResult result;
  std::lock_guard sync_lock(sync_mutex_);
  StoreLock store_lock(data_folder_);
  if (!store_lock.outcome.ok) {
    result.outcome = store_lock.outcome;
    return result;
  }
  // Reading and writing happen outside mutex_, so that the user-interface thread can go on
  // editing the current profile while the files are written.
  DiskStores disk;
  result.outcome = ReadDiskStores(data_folder_, disk);
  if (!result.outcome.ok) return result;

  ProfileRecord current_at_merge;
  std::u16string current_name;
  unsigned outside = 0;
  {
    std::lock_guard lock(mutex_);
    const ProfileRecord& current = CurrentLocked();
    current_at_merge = current;
    const std::size_t position = profiles_.SelectedPosition();
    current_name = position < profile_base_.size() ? ProfileName(profile_base_[position])
                                                   : ProfileName(current);
    // A store that is not on disk (yet, or any more) is written from memory.
    if (disk.profiles_found) {
      MergeProfileStoreEdits(profiles_, profile_base_, disk.profiles);
    } else {
      disk.profiles = CopyProfileStore(profiles_);
    }
    if (disk.macros_found) {
      MergeMacroStoreEdits(macros_, macro_base_, disk.macros);
    } else {
      disk.macros = CopyMacroStore(macros_);
    }
    // Names are compared as written: of two profiles whose names differ only in letter case,
    // selecting the other one is a move too.
    result.selection_moved = SelectedName(disk.profiles) != current_name;
    outside = OutsideChangesLocked(disk.profiles, disk.macros);
    if (result.selection_moved) outside |= kSelectionChanged;
    if (change) change(disk.profiles, disk.macros);
    if (disk.profiles.profiles.empty()) AddDefaultProfile(disk.profiles);
    if (disk.profiles.selected_index >= disk.profiles.profiles.size()) {
      disk.profiles.selected_index = 0;
    }
  }

  const std::vector<std::uint8_t> profile_image = EncodeProfileStore(disk.profiles);
  const std::vector<std::uint8_t> macro_image = EncodeMacroStore(disk.macros);
  // Both sizes are checked before either store is written, so that a change too large for one of
  // them leaves neither half done.
  result.outcome =
      CheckStoreImageSize(profile_image.size(), kMaxProfileStoreBytes, "profile store");
  if (result.outcome.ok) {
    result.outcome = CheckStoreImageSize(macro_image.size(), kMaxMacroStoreBytes, "macro store");
  }
  if (!result.outcome.ok) return result;
  if (!disk.profiles_found || profile_image != disk.profile_image) {
    result.outcome = SaveProfileStoreImage(profile_image, data_folder_);
    if (!result.outcome.ok) return result;
  }
  if (!disk.macros_found || macro_image != disk.macro_image) {
    result.outcome = SaveMacroStoreImage(macro_image, data_folder_);
    if (!result.outcome.ok) return result;
  }

  std::lock_guard lock(mutex_);
  const ProfileRecord current_now = CurrentLocked();
  profiles_ = std::move(disk.profiles);
  macros_ = std::move(disk.macros);
  TakeAsBaseLocked();
  // Edits made to the current profile while the files were written stay pending for the next
  // sync.
  if (!SameProfileBytes(current_now, current_at_merge)) {
    const int at = FindProfileNamed(profiles_, ProfileName(current_at_merge));
    if (at >= 0)
      MergeProfileEdits(current_now, current_at_merge, *profiles_.profiles[std::size_t(at)]);
  }
  if (result.selection_moved) full_apply = 1;
  outside_changes_.fetch_or(outside);
  return result;
}

// With this program's edits merged in, whatever still differs from memory came from elsewhere.
unsigned ProfileSession::OutsideChangesLocked(const ProfileStore& profiles,
                                              const MacroStore& macros) {
  unsigned changes = 0;
  if (!SameNames(profiles, profiles_)) changes |= kProfileListChanged;
  if (!profiles.profiles.empty() &&
      !SameProfileBytes(*profiles.profiles[profiles.SelectedPosition()], CurrentLocked())) {
    changes |= kCurrentChanged;
  }
  if (!SameMacros(macros, macros_)) changes |= kMacrosChanged;
  return changes;
}

SyncResult ProfileSession::TakeOverMouseChange(const RecordChange& change) {
  SyncResult result = Sync([&](ProfileStore& profiles, MacroStore&) {
    if (ProfileRecord* selected = profiles.Selected()) change(*selected);
  });
  std::lock_guard lock(mutex_);
  // Unsaved, the change is still made here, and goes to disk with the next sync.
  if (!result.outcome.ok) change(CurrentLocked());
  change(*applied_);
  if (noting_takeovers_) takeovers_.push_back(change);
  return result;
}

ProfileRecord ProfileSession::BeginApply() {
  std::lock_guard lock(mutex_);
  noting_takeovers_ = true;
  takeovers_.clear();
  return CurrentLocked();
}

SyncResult ProfileSession::FinishApply(const ProfileRecord& snapshot) {
  SyncResult result = Sync();
  std::lock_guard lock(mutex_);
  *applied_ = snapshot;
  for (const RecordChange& change : takeovers_) change(*applied_);
  takeovers_.clear();
  noting_takeovers_ = false;
  return result;
}

void ProfileSession::AbandonApply() {
  std::lock_guard lock(mutex_);
  takeovers_.clear();
  noting_takeovers_ = false;
}

}  // namespace melko
