#include "profiles/profile_files.h"

#include <vector>

#include "profiles/names.h"
#include "profiles/profile_codec.h"

namespace melko {

Outcome ExportProfile(const ProfileRecord& record, const std::filesystem::path& file) {
  std::vector<std::uint8_t> bytes(kProfileRecordSize);
  EncodeProfile(record, std::span<std::uint8_t, kProfileRecordSize>(bytes.data(), bytes.size()));
  // Exports take no lock: only temporaries old enough to be abandoned are removed.
  RemoveStaleTemporaries(file, kAbandonedTemporaryAge);
  return WriteFileAtomically(file, bytes, WhenNoTemporary::kWriteInPlace);
}

ProfileImport ImportProfileBytes(ProfileStore& profiles, MacroStore& macros,
                                 std::span<const std::uint8_t> bytes) {
  ProfileImport result;
  if (bytes.size() < kProfileRecordSize) {
    result.outcome = Outcome::Failure("a profile file holds " + std::to_string(kProfileRecordSize) +
                                      " bytes; this one has only " + std::to_string(bytes.size()));
    return result;
  }
  std::unique_ptr<ProfileRecord> record = DecodeProfileRecord(bytes.data());
  // A file without a name (all zeros, say) gets the name a new profile would get.
  const std::u16string name = ProfileName(*record);
  SetProfileName(*record, name.empty()
                              ? NewProfileName(profiles)
                              : MakeUniqueName(profiles.profiles, name, kProfileNameMaxUnits));

  for (int slot = 0; slot < kMouseButtonCount; ++slot) {
    ButtonAssignment& button = record->buttons[std::size_t(slot)];
    if (button.function != kFunctionMacro) continue;
    const std::u16string stored = ReadFixedText(button.macro_name);
    const std::u16string name = stored.empty()
                                    ? NewMacroName(macros)
                                    : MakeUniqueName(macros.macros, stored, kMacroNameMaxUnits);
    auto macro = MakeEmptyMacro(name);
    WriteFixedText(button.macro_name, name);
    macro->repeat = button.macro_repeat;
    macro->action_count = button.MacroStepCount();
    macro->actions = button.macro_actions;
    macros.macros.push_back(std::move(macro));
    button.macro_index = int(macros.macros.size() - 1);
    ++result.macros_created;
  }
  profiles.profiles.push_back(std::move(record));
  result.profile_index = profiles.profiles.size() - 1;
  return result;
}

ProfileImport ImportProfile(ProfileStore& profiles, MacroStore& macros,
                            const std::filesystem::path& file) {
  const FileBytes read = ReadFilePrefix(file, kProfileRecordSize);
  if (!read.opened) {
    ProfileImport result;
    result.outcome = Outcome::Failure(read.error);
    return result;
  }
  return ImportProfileBytes(profiles, macros, read.bytes);
}

}  // namespace melko
