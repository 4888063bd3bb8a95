// Macro files ("*.macro"): exactly one macro record, 240 bytes, as in the macro store.
#pragma once

#include <filesystem>
#include <span>

#include "common/file_io.h"
#include "macros/macro_store.h"

namespace melko {

Outcome ExportMacro(const MacroRecord& record, const std::filesystem::path& file);

struct MacroImport {
  Outcome outcome;
  std::size_t macro_index = 0;
};

// Appends the macro of the first 240 bytes with a unique name; the step count is limited to 46.
// Shorter input is refused and adds nothing. Saves nothing: the caller saves the store.
MacroImport ImportMacroBytes(MacroStore& store, std::span<const std::uint8_t> bytes);
MacroImport ImportMacro(MacroStore& store, const std::filesystem::path& file);

}  // namespace melko
