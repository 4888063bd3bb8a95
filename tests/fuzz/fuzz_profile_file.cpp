// Profile import on arbitrary file contents: names stay within their fields, and the macros the
// import creates are sound (names unique among those taken: fuzz_exchange_import).
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "profiles/profile_files.h"

namespace {

void Check(const std::uint8_t* data, std::size_t size) {
  // Reused: a store's 165 KB header allocated anew per input would cost more than the import.
  static melko::ProfileStore profiles;
  static melko::MacroStore macros;
  profiles.profiles.clear();
  profiles.profiles.push_back(melko::MakeDefaultProfile(u"Profile1"));
  profiles.selected_index = 0;
  macros.macros.clear();
  macros.macros.push_back(melko::MakeEmptyMacro(u"Macro1"));
  const melko::ProfileImport imported = melko::ImportProfileBytes(profiles, macros, {data, size});
  if (imported.outcome.ok != (size >= melko::kProfileRecordSize)) std::abort();
  if (!imported.outcome.ok) return;
  if (melko::ProfileName(*profiles.profiles[1]).size() > melko::kProfileNameMaxUnits) std::abort();
  for (std::size_t i = 1; i < macros.macros.size(); ++i) {
    const melko::MacroRecord& macro = *macros.macros[i];
    if (macro.action_count < 0 || macro.action_count > melko::kMaxMacroSteps) std::abort();
    if (melko::MacroName(macro).size() > melko::kMacroNameMaxUnits) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Check(data, size);
  // Short inputs padded with zeros to one record, so that the import itself gets explored.
  if (size < melko::kProfileRecordSize) {
    static std::vector<std::uint8_t> padded(melko::kProfileRecordSize);
    std::fill(std::copy(data, data + size, padded.begin()), padded.end(), 0);
    Check(padded.data(), padded.size());
  }
  return 0;
}
