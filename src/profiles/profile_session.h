// The profiles as a long-running program holds them: both stores, the current profile and the copy
// last applied to the mouse. The user-interface thread edits them, the apply thread encodes and
// saves them, so every access goes through one mutex.
//
// Other programs (melkoctl, a second front end) may change the stores on disk at any time. This
// program therefore never writes its copy over theirs: every save is a sync that takes the store
// lock, reads the stores anew, carries over only what changed here since the last load or sync,
// and keeps the result. Edits of the current profile stay in memory until the next sync; adding,
// removing, renaming or selecting profiles and every macro change are made inside a sync, on the
// stores as they are on disk at that moment.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "common/file_io.h"
#include "macros/macro_store.h"
#include "profiles/profile_store.h"

namespace melko {

// A change made inside a sync, to the stores as they are on disk (with this program's pending
// edits merged in). The selected profile is the current one.
using StoreChange = std::function<void(ProfileStore&, MacroStore&)>;
using RecordChange = std::function<void(ProfileRecord&)>;

// What syncs found changed by other programs, for a front end that shows the stores.
enum OutsideChange : unsigned {
  kProfileListChanged = 1u << 0,  // profiles added, removed, renamed or moved
  kSelectionChanged = 1u << 1,    // another profile is the current one
  kCurrentChanged = 1u << 2,      // settings of the current profile
  kMacrosChanged = 1u << 3,
};

struct SyncResult {
  Outcome outcome;
  // Another program selected another profile (or removed the current one) since the last sync:
  // the current profile is now a different one, and the next apply writes it in full.
  bool selection_moved = false;
};

// Why a store that is there cannot be loaded (it cannot be opened, is not a regular file, or is
// far too large), as "cannot read the macro store: ...", or nothing. Both stores are checked before
// either is loaded, since loading the profiles creates files that a refusal must not leave behind.
std::string UnreadableStoreReason(const std::filesystem::path& data_folder);

class ProfileSession {
 public:
  explicit ProfileSession(std::filesystem::path data_folder);

  const std::filesystem::path& data_folder() const { return data_folder_; }

  // Under the store lock: loads a store (creating or repairing it as the loaders do). Loading the
  // profiles takes the selected profile as the current and the applied one.
  StoreLoadReport LoadProfileStore();
  StoreLoadReport LoadMacroStore();

  // Runs fn(const ProfileStore&, const MacroStore&) under the lock.
  template <class Fn>
  auto WithStores(Fn&& fn) {
    std::lock_guard lock(mutex_);
    return fn(std::as_const(profiles_), std::as_const(macros_));
  }
  // Runs fn(ProfileRecord& current) under the lock; there is always a current profile. Its edits
  // are saved by the next sync.
  template <class Fn>
  auto WithCurrent(Fn&& fn) {
    std::lock_guard lock(mutex_);
    return fn(CurrentLocked());
  }

  ProfileRecord CurrentSnapshot();
  ProfileRecord AppliedSnapshot();
  void SetApplied(const ProfileRecord& record);

  // Brings memory and disk together under the store lock: reads the stores, merges in the edits
  // made here since the last sync, runs change on the result, saves what differs from the files
  // and keeps the result. When the save fails, nothing in memory changes and the edits stay
  // pending. Syncs from different threads run one after the other.
  SyncResult Sync(const StoreChange& change = {});

  // The mouse changed a setting by itself: the change is made to the profile selected at this
  // moment and to the copy last applied (so that it is not sent back), and saved. During an apply
  // the change is kept and made again, on the apply thread, to what that apply sent: it must own
  // every value it uses (capture by value).
  SyncResult TakeOverMouseChange(const RecordChange& change);

  // An apply run: BeginApply gives the snapshot to encode; FinishApply saves and records the
  // snapshot as applied, with the settings the mouse changed by itself meanwhile kept as the mouse
  // set them.
  ProfileRecord BeginApply();
  SyncResult FinishApply(const ProfileRecord& snapshot);
  // An apply that ended without recording anything (cancelled at shutdown).
  void AbandonApply();

  // The OutsideChange bits that syncs on any thread found since the last call, cleared.
  unsigned TakeOutsideChanges() { return outside_changes_.exchange(0); }

  // Set to 1 when the next apply must send the reset report and every block.
  std::atomic<std::int32_t> full_apply{0};

 private:
  ProfileRecord& CurrentLocked();
  void TakeAsBaseLocked();
  // Compares the stores as read from disk, with this program's edits merged in, with memory.
  unsigned OutsideChangesLocked(const ProfileStore& profiles, const MacroStore& macros);

  const std::filesystem::path data_folder_;
  std::mutex sync_mutex_;  // one sync at a time; taken before mutex_
  std::mutex mutex_;       // everything below
  ProfileStore profiles_;
  MacroStore macros_;
  // The stores as this program last read or wrote them, in the order of profiles_ and macros_.
  std::vector<ProfileRecord> profile_base_;
  std::vector<MacroRecord> macro_base_;
  std::unique_ptr<ProfileRecord> applied_;
  // The mouse's own changes while an apply runs, replayed onto what it records as applied.
  bool noting_takeovers_ = false;
  std::vector<RecordChange> takeovers_;
  std::atomic<unsigned> outside_changes_{0};
};

}  // namespace melko
