#include "profiles/store_merge.h"

#include <cstring>
#include <span>

#include "profiles/names.h"

namespace melko {
namespace {

struct FieldSpan {
  std::size_t offset;
  std::size_t size;
};

// Where the merge units of a profile record lie. The records are plain structs whose layout is
// the file layout (see the static_asserts of the record headers), so bytes compare as fields do.
std::vector<FieldSpan> ProfileFields() {
  std::vector<FieldSpan> fields = {{0, 200}, {200, 1000}, {1200, 1000}};
  const std::size_t buttons = offsetof(ProfileRecord, buttons);
  for (std::size_t offset = 2200; offset < buttons; offset += 4) fields.push_back({offset, 4});
  for (std::size_t slot = 0; slot < kButtonSlotCount; ++slot) {
    fields.push_back({buttons + slot * kButtonAssignmentSize, kButtonAssignmentSize});
  }
  return fields;
}

constexpr FieldSpan kMacroFields[] = {{0, 48}, {48, 4}, {52, kMacroRecordSize - 52}};

template <class Record>
void MergeFields(const Record& ours, const Record& base, Record& theirs,
                 std::span<const FieldSpan> fields) {
  const auto* ours_bytes = reinterpret_cast<const unsigned char*>(&ours);
  const auto* base_bytes = reinterpret_cast<const unsigned char*>(&base);
  auto* their_bytes = reinterpret_cast<unsigned char*>(&theirs);
  for (const FieldSpan& field : fields) {
    if (std::memcmp(ours_bytes + field.offset, base_bytes + field.offset, field.size) != 0) {
      std::memcpy(their_bytes + field.offset, ours_bytes + field.offset, field.size);
    }
  }
}

template <class Record, class Same, class Merge>
void MergeListEdits(const std::vector<std::unique_ptr<Record>>& ours,
                    const std::vector<Record>& base, std::vector<std::unique_ptr<Record>>& theirs,
                    std::size_t max_name_units, Same same, Merge merge) {
  const std::size_t paired = std::min(ours.size(), base.size());
  for (std::size_t i = 0; i < paired; ++i) {
    if (same(*ours[i], base[i])) continue;
    // Paired by exact name, so that an edit of "Jump" never lands on "JUMP".
    const int found = FindKey(theirs, KeyOf(base, i));
    if (found >= 0) {
      merge(*ours[i], base[i], *theirs[std::size_t(found)]);
      continue;
    }
    auto copy = std::make_unique<Record>(*ours[i]);
    WriteFixedText(copy->name, MakeUniqueName(theirs, ReadFixedText(copy->name), max_name_units));
    theirs.push_back(std::move(copy));
  }
}

}  // namespace

void MergeProfileEdits(const ProfileRecord& ours, const ProfileRecord& base,
                       ProfileRecord& theirs) {
  static const std::vector<FieldSpan> fields = ProfileFields();
  MergeFields(ours, base, theirs, fields);
}

void MergeMacroEdits(const MacroRecord& ours, const MacroRecord& base, MacroRecord& theirs) {
  MergeFields(ours, base, theirs, kMacroFields);
}

bool SameProfileBytes(const ProfileRecord& a, const ProfileRecord& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SameMacroBytes(const MacroRecord& a, const MacroRecord& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

void MergeProfileStoreEdits(const ProfileStore& ours, const std::vector<ProfileRecord>& base,
                            ProfileStore& theirs) {
  MergeListEdits(ours.profiles, base, theirs.profiles, kProfileNameMaxUnits, SameProfileBytes,
                 MergeProfileEdits);
}

void MergeMacroStoreEdits(const MacroStore& ours, const std::vector<MacroRecord>& base,
                          MacroStore& theirs) {
  MergeListEdits(ours.macros, base, theirs.macros, kMacroNameMaxUnits, SameMacroBytes,
                 MergeMacroEdits);
}

int FindProfileNamed(const ProfileStore& store, std::u16string_view name) {
  return FindName(store.profiles, name);
}

ProfileStore CopyProfileStore(const ProfileStore& store) {
  ProfileStore copy;
  copy.selected_index = store.selected_index;
  copy.reserved_header = store.reserved_header;
  for (const auto& record : store.profiles) {
    copy.profiles.push_back(std::make_unique<ProfileRecord>(*record));
  }
  return copy;
}

MacroStore CopyMacroStore(const MacroStore& store) {
  MacroStore copy;
  for (const auto& record : store.macros)
    copy.macros.push_back(std::make_unique<MacroRecord>(*record));
  return copy;
}

}  // namespace melko
