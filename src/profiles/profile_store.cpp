#include "profiles/profile_store.h"

#include <algorithm>
#include <cstring>

#include "common/byte_order.h"
#include "common/language.h"
#include "profiles/data_folder.h"
#include "profiles/names.h"
#include "profiles/profile_codec.h"

namespace melko {
namespace {

// The base of a generated name ("Profile" and a number) is limited to this many units.
constexpr std::size_t kDefaultNameBaseUnits = 49;

}  // namespace

std::string TooLargeText(const std::filesystem::path& path, std::uint64_t size,
                         std::uint64_t limit) {
  const std::string size_text = size > 0 ? std::to_string(size) + " bytes" : "endless";
  return path.string() + " is " + size_text + ", more than the " + std::to_string(limit >> 20) +
         " MiB it can sensibly hold; it was left untouched";
}

Outcome CheckStoreImageSize(std::size_t size, std::uint64_t limit, std::string_view store) {
  if (size <= limit) return Outcome::Success();
  return Outcome::Failure("the " + std::string(store) + " would grow to " + std::to_string(size) +
                          " bytes, more than the " + std::to_string(limit >> 20) +
                          " MiB it can hold: it was left as it was");
}

ProfileRecord* ProfileStore::Selected() {
  if (profiles.empty()) return nullptr;
  return profiles[SelectedPosition()].get();
}

std::size_t ProfileStore::SelectedPosition() const {
  return selected_index < profiles.size() ? selected_index : 0;
}

std::unique_ptr<ProfileRecord> DecodeProfileRecord(const std::uint8_t* bytes) {
  auto record = std::make_unique<ProfileRecord>();
  DecodeProfile(std::span<const std::uint8_t, kProfileRecordSize>(bytes, kProfileRecordSize),
                *record);
  return record;
}

std::vector<std::uint8_t> EncodeProfileStore(const ProfileStore& store) {
  std::vector<std::uint8_t> bytes(kProfileStoreHeaderSize +
                                  kProfileRecordSize * store.profiles.size());
  StoreLittleEndian(bytes.data(), store.selected_index);
  std::copy_n(store.reserved_header.begin(),
              std::min(store.reserved_header.size(), kReservedHeaderSize), bytes.begin() + 4);
  std::size_t offset = kProfileStoreHeaderSize;
  for (const auto& record : store.profiles) {
    EncodeProfile(*record, std::span<std::uint8_t, kProfileRecordSize>(bytes.data() + offset,
                                                                       kProfileRecordSize));
    offset += kProfileRecordSize;
  }
  return bytes;
}

std::string DecodeProfileStoreImage(std::span<const std::uint8_t> bytes, ProfileStore& store) {
  store.profiles.clear();
  store.selected_index = 0;
  store.reserved_header.assign(kReservedHeaderSize, 0);
  const std::size_t size = bytes.size();
  if (size >= kProfileStoreHeaderSize) {
    store.selected_index = LoadLittleEndian<std::uint32_t>(bytes.data());
    std::copy(bytes.begin() + 4, bytes.begin() + kProfileStoreHeaderSize,
              store.reserved_header.begin());
    for (std::size_t offset = kProfileStoreHeaderSize; size - offset >= kProfileRecordSize;
         offset += kProfileRecordSize) {
      store.profiles.push_back(DecodeProfileRecord(bytes.data() + offset));
    }
  }
  if (store.selected_index >= store.profiles.size()) store.selected_index = 0;
  if (size < kProfileStoreHeaderSize) {
    return "the header is incomplete (" + std::to_string(size) + " bytes)";
  }
  if (store.profiles.empty()) return "it holds no whole profile";
  const std::size_t tail = (size - kProfileStoreHeaderSize) % kProfileRecordSize;
  if (tail != 0) return "it ends in a partial profile of " + std::to_string(tail) + " bytes";
  return {};
}

StoreLoadReport LoadProfiles(ProfileStore& store, const std::filesystem::path& data_folder) {
  StoreLoadReport report;
  const std::filesystem::path path = ProfileStorePath(data_folder);
  WholeFile whole = ReadWholeFile(path, kMaxProfileStoreBytes);
  FileBytes& file = whole.file;
  store.profiles.clear();
  store.selected_index = 0;
  store.reserved_header.assign(kReservedHeaderSize, 0);

  if (whole.too_large) {
    AddDefaultProfile(store);
    report.status = StoreLoadStatus::kUnreadable;
    report.detail = TooLargeText(path, file.file_size, kMaxProfileStoreBytes);
    return report;
  }

  if (!file.opened && file.missing) {
    AddDefaultProfile(store);
    report.status = StoreLoadStatus::kCreated;
    report.detail = "created " + path.string();
    report.saved = SaveProfiles(store, data_folder);
    return report;
  }
  if (!file.opened) {
    // Overwriting a store we could not read would destroy it: keep defaults in memory only.
    AddDefaultProfile(store);
    report.status = StoreLoadStatus::kUnreadable;
    report.detail = file.error;
    return report;
  }

  report.detail = DecodeProfileStoreImage(file.bytes, store);
  if (report.detail.empty()) {
    report.image = std::move(file.bytes);
    // As decoded: a selection outside the list selects the first profile.
    StoreLittleEndian(report.image.data(), store.selected_index);
    return report;
  }

  report.status = StoreLoadStatus::kRepaired;
  const Outcome copied = CopyAside(path, report.damaged_copy);
  if (!copied.ok) {
    // Without a copy the damaged file must not be replaced: treat it as unreadable.
    report.status = StoreLoadStatus::kUnreadable;
    report.detail += "; it could not be copied aside: " + copied.error;
    if (store.profiles.empty()) AddDefaultProfile(store);
    return report;
  }
  if (store.profiles.empty()) AddDefaultProfile(store);
  report.saved = SaveProfiles(store, data_folder);
  return report;
}

Outcome SaveProfiles(const ProfileStore& store, const std::filesystem::path& data_folder) {
  return SaveProfileStoreImage(EncodeProfileStore(store), data_folder);
}

Outcome SaveProfileStoreImage(std::span<const std::uint8_t> image,
                              const std::filesystem::path& data_folder) {
  const Outcome fits = CheckStoreImageSize(image.size(), kMaxProfileStoreBytes, "profile store");
  if (!fits.ok) return fits;
  const Outcome folder = EnsureDirectory(StoreFolder(data_folder));
  if (!folder.ok) return folder;
  RemoveStaleTemporaries(ProfileStorePath(data_folder));
  return WriteFileAtomically(ProfileStorePath(data_folder), image);
}

std::unique_ptr<ProfileRecord> MakeDefaultProfile(std::u16string_view name) {
  auto record = std::make_unique<ProfileRecord>(ZeroProfileRecord());
  SetDefaults(*record);
  SetProfileName(*record, name);
  return record;
}

std::u16string NewProfileName(const ProfileStore& store) {
  const std::u16string base = TruncateUnits(
      Utf8ToUtf16(text("add_profile_text") + std::to_string(store.profiles.size() + 1)),
      kDefaultNameBaseUnits);
  return MakeUniqueName(store.profiles, base, kProfileNameMaxUnits);
}

ProfileRecord* AddDefaultProfile(ProfileStore& store) {
  store.profiles.push_back(MakeDefaultProfile(NewProfileName(store)));
  return store.profiles.back().get();
}

}  // namespace melko
