// The macro store: every macro, in the order of "ms_1/macro.data" (240 bytes each, no header). A
// macro's position is its macro index, which button assignments remember.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "macros/macro_record.h"
#include "profiles/profile_store.h"

namespace melko {

// The largest macro store file read: about 70,000 macros.
inline constexpr std::uint64_t kMaxMacroStoreBytes = 16ull << 20;

struct MacroStore {
  // Separately owned records: a reference to one stays valid while others come and go.
  std::vector<std::unique_ptr<MacroRecord>> macros;
};

// Fills an empty store. No file gives an empty store; a file ending in a partial record is copied
// aside, loaded as far as it is whole and saved again.
StoreLoadReport LoadMacros(MacroStore& store, const std::filesystem::path& data_folder);
Outcome SaveMacros(const MacroStore& store, const std::filesystem::path& data_folder);
Outcome SaveMacroStoreImage(std::span<const std::uint8_t> image,
                            const std::filesystem::path& data_folder);

std::vector<std::uint8_t> EncodeMacroStore(const MacroStore& store);
// Fills the store with every whole record of a file image; returns why the image is damaged, or
// nothing when it is whole.
std::string DecodeMacroStoreImage(std::span<const std::uint8_t> bytes, MacroStore& store);
std::unique_ptr<MacroRecord> DecodeMacroRecord(const std::uint8_t* bytes);

// Appends an empty macro named by "add_macro_text" and the store size plus one, made unique; the
// callers save it under their own lock.
MacroRecord* AppendNewMacro(MacroStore& store);
// The name AppendNewMacro gives.
std::u16string NewMacroName(const MacroStore& store);

// The macro with exactly this name, else the first with this name without regard to case; -1 when
// there is none.
int FindMacro(const MacroStore& store, std::u16string_view name);

// Brings the macro copies held by button slots 0 to 11 of every profile back in line with the
// store: a slot that plays a macro which is gone falls back to its default function, one whose
// macro exists receives its current name and steps. Returns true when the current profile had a
// slot that plays a macro (it then needs redrawing and an apply).
bool RefreshMacroAssignments(std::vector<std::unique_ptr<ProfileRecord>>& profiles,
                             const MacroStore& store, const ProfileRecord* current_profile);

// Points every button slot (0 to 17) whose macro name finds the macro at index (FindMacro, in the
// store before the rename) at new_name, so that the renamed macro stays assigned when the
// assignments are refreshed afterwards. A slot that finds another macro, one whose name differs
// only in letter case, keeps it.
void RenameMacroInProfiles(std::vector<std::unique_ptr<ProfileRecord>>& profiles,
                           const MacroStore& store, int index, std::u16string_view new_name);

// Copies a macro into a button slot as its private copy: name, step count and steps.
void CopyMacroIntoSlot(const MacroRecord& macro, ButtonAssignment& slot);

}  // namespace melko
