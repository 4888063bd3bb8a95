// Merging what this program changed into the stores as another program left them. Both stores are
// merged record by record and, inside a record, field by field: a field this program changed since
// it last read the store takes its value here, every other field keeps the value found on disk.
#pragma once

#include <memory>
#include <vector>

#include "macros/macro_store.h"
#include "profiles/profile_store.h"

namespace melko {

// Copies into theirs each field where ours differs from base. The profile's fields are its name,
// the two reserved texts, each 32-bit word of the settings and each button slot as a whole (a
// slot's function, shortcut and macro belong together); a macro's are its name, its repeat value
// and its steps with their count.
void MergeProfileEdits(const ProfileRecord& ours, const ProfileRecord& base, ProfileRecord& theirs);
void MergeMacroEdits(const MacroRecord& ours, const MacroRecord& base, MacroRecord& theirs);

bool SameProfileBytes(const ProfileRecord& a, const ProfileRecord& b);
bool SameMacroBytes(const MacroRecord& a, const MacroRecord& b);

// Merges the edited records of ours (paired with base by position: the two lists have the same
// shape, since records are added and removed only while the stores are locked) into theirs. A
// record is found in theirs by the exact name it had in base (the one at the same place among
// those that share it), or by that name in another letter case when only one record bears it so
// (FindKey). One that is gone there (deleted or renamed by another program) is added back under a
// free name when it has edits, so nothing is lost.
void MergeProfileStoreEdits(const ProfileStore& ours, const std::vector<ProfileRecord>& base,
                            ProfileStore& theirs);
void MergeMacroStoreEdits(const MacroStore& ours, const std::vector<MacroRecord>& base,
                          MacroStore& theirs);

// Position of the record named exactly so, else the first named so without regard to case; -1 when
// there is none.
int FindProfileNamed(const ProfileStore& store, std::u16string_view name);

// Deep copies.
ProfileStore CopyProfileStore(const ProfileStore& store);
MacroStore CopyMacroStore(const MacroStore& store);

}  // namespace melko
