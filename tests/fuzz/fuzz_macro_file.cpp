// Macro import on arbitrary file contents (the name unique: fuzz_exchange_import).
#include <cstdlib>

#include "macros/macro_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  melko::MacroStore store;
  store.macros.push_back(melko::MakeEmptyMacro(u"Macro1"));
  const melko::MacroImport imported = melko::ImportMacroBytes(store, {data, size});
  if (imported.outcome.ok != (size >= melko::kMacroRecordSize)) std::abort();
  if (!imported.outcome.ok) return 0;
  const melko::MacroRecord& macro = *store.macros[imported.macro_index];
  if (macro.action_count < 0 || macro.action_count > melko::kMaxMacroSteps) std::abort();
  if (melko::MacroName(macro).size() > melko::kMacroNameMaxUnits) std::abort();
  return 0;
}
