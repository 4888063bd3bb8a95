#include "profiles/profile_session.h"

namespace melko {

ProfileSession::ProfileSession(std::filesystem::path data_folder)
    : data_folder_(std::move(data_folder)),
      applied_(std::make_unique<ProfileRecord>(ZeroProfileRecord())) {}

StoreLoadReport ProfileSession::LoadProfileStore() {
  std::lock_guard lock(mutex_);
  StoreLoadReport report = LoadProfiles(profiles_, data_folder_);
  *applied_ = CurrentLocked();
  return report;
}

StoreLoadReport ProfileSession::LoadMacroStore() {
  std::lock_guard lock(mutex_);
  return LoadMacros(macros_, data_folder_);
}

ProfileRecord& ProfileSession::CurrentLocked() {
  // Before anything was loaded the session holds one default profile, taken as applied.
  if (profiles_.profiles.empty()) *applied_ = *AddDefaultProfile(profiles_);
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

Outcome ProfileSession::SaveProfileStore() {
  std::lock_guard save_lock(save_mutex_);
  std::vector<std::uint8_t> image;
  {
    std::lock_guard lock(mutex_);
    image = EncodeProfileStore(profiles_);
  }
  return SaveProfileStoreImage(image, data_folder_);
}

Outcome ProfileSession::SaveMacroStore() {
  std::lock_guard save_lock(save_mutex_);
  std::vector<std::uint8_t> image;
  {
    std::lock_guard lock(mutex_);
    image = EncodeMacroStore(macros_);
  }
  return SaveMacroStoreImage(image, data_folder_);
}

Outcome ProfileSession::TakeOverMouseChange(const std::function<void(ProfileRecord&)>& change) {
  {
    std::lock_guard lock(mutex_);
    change(CurrentLocked());
    change(*applied_);
  }
  return SaveProfileStore();
}

}  // namespace melko
