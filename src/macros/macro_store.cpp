#include "macros/macro_store.h"

#include <cstring>

#include "common/language.h"
#include "profiles/data_folder.h"
#include "profiles/names.h"

namespace melko {
namespace {

// Slots that the refresh looks at, with the function each falls back to.
constexpr std::array<std::uint8_t, 12> kRefreshDefaultFunctions = {1, 2, 3,   6, 121, 6,
                                                                   4, 5, 121, 0, 0,   0};

}  // namespace

std::unique_ptr<MacroRecord> DecodeMacroRecord(const std::uint8_t* bytes) {
  auto record = std::make_unique<MacroRecord>();
  DecodeMacro(std::span<const std::uint8_t, kMacroRecordSize>(bytes, kMacroRecordSize), *record);
  return record;
}

std::vector<std::uint8_t> EncodeMacroStore(const MacroStore& store) {
  std::vector<std::uint8_t> bytes(kMacroRecordSize * store.macros.size());
  for (std::size_t i = 0; i < store.macros.size(); ++i) {
    EncodeMacro(*store.macros[i], std::span<std::uint8_t, kMacroRecordSize>(
                                      bytes.data() + i * kMacroRecordSize, kMacroRecordSize));
  }
  return bytes;
}

std::string DecodeMacroStoreImage(std::span<const std::uint8_t> bytes, MacroStore& store) {
  store.macros.clear();
  const std::size_t whole = bytes.size() / kMacroRecordSize;
  for (std::size_t i = 0; i < whole; ++i) {
    store.macros.push_back(DecodeMacroRecord(bytes.data() + i * kMacroRecordSize));
  }
  const std::size_t tail = bytes.size() % kMacroRecordSize;
  if (tail != 0) return "it ends in a partial macro of " + std::to_string(tail) + " bytes";
  return {};
}

StoreLoadReport LoadMacros(MacroStore& store, const std::filesystem::path& data_folder) {
  StoreLoadReport report;
  store.macros.clear();
  const std::filesystem::path path = MacroStorePath(data_folder);
  WholeFile whole = ReadWholeFile(path, kMaxMacroStoreBytes);
  FileBytes& file = whole.file;
  if (whole.too_large) {
    report.status = StoreLoadStatus::kUnreadable;
    report.detail = TooLargeText(path, file.file_size, kMaxMacroStoreBytes);
    return report;
  }
  if (!file.opened) {
    report.status = file.missing ? StoreLoadStatus::kLoaded : StoreLoadStatus::kUnreadable;
    if (!file.missing) report.detail = file.error;
    return report;
  }
  report.detail = DecodeMacroStoreImage(file.bytes, store);
  if (report.detail.empty()) {
    report.image = std::move(file.bytes);
    return report;
  }
  const Outcome copied = CopyAside(path, report.damaged_copy);
  if (!copied.ok) {
    report.status = StoreLoadStatus::kUnreadable;
    report.detail += "; it could not be copied aside: " + copied.error;
    return report;
  }
  report.status = StoreLoadStatus::kRepaired;
  report.saved = SaveMacros(store, data_folder);
  return report;
}

Outcome SaveMacros(const MacroStore& store, const std::filesystem::path& data_folder) {
  return SaveMacroStoreImage(EncodeMacroStore(store), data_folder);
}

Outcome SaveMacroStoreImage(std::span<const std::uint8_t> image,
                            const std::filesystem::path& data_folder) {
  const Outcome fits = CheckStoreImageSize(image.size(), kMaxMacroStoreBytes, "macro store");
  if (!fits.ok) return fits;
  const Outcome folder = EnsureDirectory(StoreFolder(data_folder));
  if (!folder.ok) return folder;
  RemoveStaleTemporaries(MacroStorePath(data_folder));
  return WriteFileAtomically(MacroStorePath(data_folder), image);
}

std::u16string NewMacroName(const MacroStore& store) {
  const std::u16string candidate =
      Utf8ToUtf16(text("add_macro_text") + std::to_string(store.macros.size() + 1));
  return MakeUniqueName(store.macros, candidate, kMacroNameMaxUnits);
}

MacroRecord* AppendNewMacro(MacroStore& store) {
  store.macros.push_back(MakeEmptyMacro(NewMacroName(store)));
  return store.macros.back().get();
}

int FindMacro(const MacroStore& store, std::u16string_view name) {
  return FindName(store.macros, name);
}

void CopyMacroIntoSlot(const MacroRecord& macro, ButtonAssignment& slot) {
  slot.macro_action_count = std::uint16_t(macro.action_count & 0xFFFF);
  WriteFixedText(slot.macro_name, MacroName(macro));
  slot.macro_actions = macro.actions;
}

void RenameMacroInProfiles(std::vector<std::unique_ptr<ProfileRecord>>& profiles,
                           const MacroStore& store, int index, std::u16string_view new_name) {
  for (auto& profile : profiles) {
    for (int slot = 0; slot < kMouseButtonCount; ++slot) {
      ButtonAssignment& button = profile->buttons[std::size_t(slot)];
      const std::u16string name = ReadFixedText(button.macro_name);
      if (!name.empty() && FindMacro(store, name) == index) {
        WriteFixedText(button.macro_name, new_name);
      }
    }
  }
}

bool RefreshMacroAssignments(std::vector<std::unique_ptr<ProfileRecord>>& profiles,
                             const MacroStore& store, const ProfileRecord* current_profile) {
  bool current_touched = false;
  for (auto& profile : profiles) {
    for (std::size_t slot = 0; slot < kRefreshDefaultFunctions.size(); ++slot) {
      ButtonAssignment& button = profile->buttons[slot];
      // Only a button that plays a macro is looked at: one given another function since keeps
      // the name of its old macro, and must keep its function whether that macro exists or not.
      if (button.function != kFunctionMacro) continue;
      const int match = FindMacro(store, ReadFixedText(button.macro_name));
      if (match < 0) {
        std::memset(static_cast<void*>(&button), 0, sizeof button);
        button.function = kRefreshDefaultFunctions[slot];
        button.macro_index = -1;
      } else {
        CopyMacroIntoSlot(*store.macros[std::size_t(match)], button);
      }
      if (profile.get() == current_profile) current_touched = true;
    }
  }
  return current_touched;
}

}  // namespace melko
