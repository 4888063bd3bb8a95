// The profile store: every profile of the user and the selected one, kept in "ms_1/pro.data":
//
//   offset 0        4 bytes       selected index, unsigned little-endian
//   offset 4        164,960 bytes reserved header, kept as read
//   offset 164,964  32,992 bytes per profile record, in list order
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_io.h"
#include "profiles/profile_record.h"

namespace melko {

inline constexpr std::size_t kReservedHeaderSize = 164960;
inline constexpr std::size_t kProfileStoreHeaderSize = 4 + kReservedHeaderSize;
inline constexpr std::size_t kProfileNameMaxUnits = kProfileNameUnits - 1;
// The largest store file read: about 2,000 profiles. A larger one is refused, never allocated.
inline constexpr std::uint64_t kMaxProfileStoreBytes = 64ull << 20;

struct ProfileStore {
  // Each record is its own heap object, so a pointer to the selected record stays valid while
  // profiles are added and removed.
  std::vector<std::unique_ptr<ProfileRecord>> profiles;
  std::uint32_t selected_index = 0;
  std::vector<std::uint8_t> reserved_header = std::vector<std::uint8_t>(kReservedHeaderSize);

  // The selected profile; an index outside the list selects the first profile.
  ProfileRecord* Selected();
  std::size_t SelectedPosition() const;
};

// How a store file was found when it was loaded.
enum class StoreLoadStatus {
  kLoaded,      // read whole
  kCreated,     // no file yet: a new store was made and saved
  kRepaired,    // damaged: copied aside, then loaded as far as it was whole and saved again
  kUnreadable,  // the file exists but cannot be read: left untouched, defaults in memory only
};

struct StoreLoadReport {
  StoreLoadStatus status = StoreLoadStatus::kLoaded;
  std::string detail;                  // why, for anything but kLoaded
  std::filesystem::path damaged_copy;  // where a damaged file was copied to
  Outcome saved;                       // the save that followed a creation or a repair
  // kLoaded: the file's bytes, which are the image of what was loaded (every byte of a record
  // is a field), so that a caller comparing images need not encode it again.
  std::vector<std::uint8_t> image;
};

// Why a store file is refused for its size.
std::string TooLargeText(const std::filesystem::path& path, std::uint64_t size,
                         std::uint64_t limit);
// A store image is never written larger than its reader takes (the next load would refuse the
// whole store): a failure naming the store for one that is.
Outcome CheckStoreImageSize(std::size_t size, std::uint64_t limit, std::string_view store);

// Fills an empty store from the file in the data folder. A missing file gives one default profile,
// saved at once. A damaged file is copied aside before anything else happens to it.
StoreLoadReport LoadProfiles(ProfileStore& store, const std::filesystem::path& data_folder);

// Writes the whole store, atomically, creating the "ms_1" folder when needed.
Outcome SaveProfiles(const ProfileStore& store, const std::filesystem::path& data_folder);
// The same for a store image encoded earlier.
Outcome SaveProfileStoreImage(std::span<const std::uint8_t> image,
                              const std::filesystem::path& data_folder);

// The file image of a store.
std::vector<std::uint8_t> EncodeProfileStore(const ProfileStore& store);
// Fills the store with the header and every whole record of a file image (an index outside the
// list selects the first profile). Returns why the image is damaged, or nothing when it is whole.
std::string DecodeProfileStoreImage(std::span<const std::uint8_t> bytes, ProfileStore& store);
std::unique_ptr<ProfileRecord> DecodeProfileRecord(const std::uint8_t* bytes);

// The name of a new profile: "add_profile_text" and the list size plus one, made unique.
std::u16string NewProfileName(const ProfileStore& store);
// Appends a profile with default settings and that name. It does not save.
ProfileRecord* AddDefaultProfile(ProfileStore& store);

// A new record with defaults and the given name.
std::unique_ptr<ProfileRecord> MakeDefaultProfile(std::u16string_view name);

}  // namespace melko
