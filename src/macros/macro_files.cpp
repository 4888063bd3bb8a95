#include "macros/macro_files.h"

#include <string>
#include <vector>

#include "profiles/names.h"

namespace melko {

Outcome ExportMacro(const MacroRecord& record, const std::filesystem::path& file) {
  std::vector<std::uint8_t> bytes(kMacroRecordSize);
  EncodeMacro(record, std::span<std::uint8_t, kMacroRecordSize>(bytes.data(), bytes.size()));
  // Exports take no lock: only temporaries old enough to be abandoned are removed.
  RemoveStaleTemporaries(file, kAbandonedTemporaryAge);
  return WriteFileAtomically(file, bytes, WhenNoTemporary::kWriteInPlace);
}

MacroImport ImportMacroBytes(MacroStore& store, std::span<const std::uint8_t> bytes) {
  MacroImport result;
  if (bytes.size() < kMacroRecordSize) {
    result.outcome = Outcome::Failure("a macro file holds " + std::to_string(kMacroRecordSize) +
                                      " bytes; this one has only " + std::to_string(bytes.size()));
    return result;
  }
  std::unique_ptr<MacroRecord> record = DecodeMacroRecord(bytes.data());
  const std::u16string name = MacroName(*record);
  SetMacroName(*record, name.empty() ? NewMacroName(store)
                                     : MakeUniqueName(store.macros, name, kMacroNameMaxUnits));
  record->action_count = record->StepCount();
  store.macros.push_back(std::move(record));
  result.macro_index = store.macros.size() - 1;
  return result;
}

MacroImport ImportMacro(MacroStore& store, const std::filesystem::path& file) {
  const FileBytes read = ReadFilePrefix(file, kMacroRecordSize);
  if (!read.opened) {
    MacroImport result;
    result.outcome = Outcome::Failure(read.error);
    return result;
  }
  return ImportMacroBytes(store, read.bytes);
}

}  // namespace melko
