// Profile files ("*.pro"): exactly one profile record, 32,992 bytes, as in the profile store. A
// profile carries private copies of the macros its buttons play, so the file is complete alone.
#pragma once

#include <filesystem>
#include <span>
#include <string>

#include "common/file_io.h"
#include "macros/macro_store.h"
#include "profiles/profile_store.h"

namespace melko {

Outcome ExportProfile(const ProfileRecord& record, const std::filesystem::path& file);

struct ProfileImport {
  Outcome outcome;
  std::size_t profile_index = 0;  // where the new profile was appended
  int macros_created = 0;         // the macro store needs saving when this is nonzero
};

// Appends the profile of the first 32,992 bytes with a unique name and turns the macro of each of
// its buttons 0 to 17 into a new store macro (with a unique name the button then carries). Shorter
// input is refused and adds nothing. Saves nothing: the caller saves both stores.
ProfileImport ImportProfileBytes(ProfileStore& profiles, MacroStore& macros,
                                 std::span<const std::uint8_t> bytes);
ProfileImport ImportProfile(ProfileStore& profiles, MacroStore& macros,
                            const std::filesystem::path& file);

}  // namespace melko
