// The macro report: one per button that plays a macro, 131 bytes whole. Over the driver libraries
// it arrives in chunks (macro_chunks.h) and is checked here once reassembled.
#pragma once

#include "vmouse/report_checks.h"
#include "vmouse/settings.h"

namespace melko::vmouse {

inline constexpr std::size_t kMaxMacroEntries = 50;
inline constexpr std::size_t kMaxExtraDelayEntries = 10;

// Checks the report and, when sound, stores its macro for the button it names.
Problem ApplyMacroReport(Bytes report, Settings& settings);

}  // namespace melko::vmouse
