// The profiles as the running program holds them: both stores, the current profile and the copy
// last applied to the mouse. The user-interface thread edits them, the apply thread encodes and
// saves them and Bluetooth notifications change them from a thread of their own, so every access
// goes through one mutex, and work that takes long (encoding reports, writing files) happens on
// snapshots taken under it.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>

#include "common/file_io.h"
#include "macros/macro_store.h"
#include "profiles/profile_store.h"

namespace melko {

class ProfileSession {
 public:
  explicit ProfileSession(std::filesystem::path data_folder);

  const std::filesystem::path& data_folder() const { return data_folder_; }

  // Loads both stores and takes the selected profile as the current and applied one.
  StoreLoadReport LoadProfileStore();
  StoreLoadReport LoadMacroStore();

  // Runs fn(ProfileStore&, MacroStore&) under the lock.
  template <class Fn>
  auto WithStores(Fn&& fn) {
    std::lock_guard lock(mutex_);
    return fn(profiles_, macros_);
  }
  // Runs fn(ProfileRecord& current) under the lock; there is always a current profile.
  template <class Fn>
  auto WithCurrent(Fn&& fn) {
    std::lock_guard lock(mutex_);
    return fn(CurrentLocked());
  }

  ProfileRecord CurrentSnapshot();
  ProfileRecord AppliedSnapshot();
  void SetApplied(const ProfileRecord& record);

  // Saves the whole profile store as it is now. Saves from different threads are written in the
  // order their snapshots were taken, so the file always ends with the latest state.
  Outcome SaveProfileStore();
  Outcome SaveMacroStore();

  // The mouse changed a setting by itself: the change is made to the current profile and to the
  // copy last applied (so it is not sent back), and the store is saved. Only the changed fields
  // count as applied: an edit of the user's still waiting to be sent stays pending.
  Outcome TakeOverMouseChange(const std::function<void(ProfileRecord&)>& change);

  // Set to 1 when the next apply must send the reset report and every block.
  std::atomic<std::int32_t> full_apply{0};

 private:
  ProfileRecord& CurrentLocked();

  const std::filesystem::path data_folder_;
  std::mutex mutex_;
  std::mutex save_mutex_;
  ProfileStore profiles_;
  MacroStore macros_;
  std::unique_ptr<ProfileRecord> applied_;
};

}  // namespace melko
