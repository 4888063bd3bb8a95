// The macro store reader on arbitrary file contents: whole records are kept byte for byte.
#include <cstdlib>

#include "macros/macro_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  melko::MacroStore store;
  melko::DecodeMacroStoreImage({data, size}, store);
  const std::vector<std::uint8_t> again = melko::EncodeMacroStore(store);
  if (again.size() != size - size % melko::kMacroRecordSize) std::abort();
  if (!std::equal(again.begin(), again.end(), data)) std::abort();
  for (const auto& macro : store.macros) {
    if (melko::DeviceEntryCount(*macro) > 2 * melko::kMaxMacroSteps) std::abort();
    melko::MacroName(*macro);
  }
  return 0;
}
