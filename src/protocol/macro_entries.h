// The two-byte entries by which the macro report carries a button's macro steps.
#pragma once

#include <cstdint>
#include <vector>

#include "profiles/profile_record.h"

namespace melko {

// The report has room for 50 entries.
inline constexpr int kMacroEntrySlots = 50;
// Delays above this many milliseconds take an extra entry counting whole 200 ms units.
inline constexpr int kLongDelayThresholdMs = 1270;
inline constexpr int kLongDelayUnitMs = 200;
// At most this many extra entries per report; a further long delay keeps only its remainder.
inline constexpr int kMaxLongDelayEntries = 10;
// Second byte of an extra entry.
inline constexpr std::uint8_t kLongDelayMarker = 3;

struct MacroEntry {
  std::uint8_t first;   // delay byte of a step, or the count of 200 ms units of an extra entry
  std::uint8_t second;  // key or mouse-button code of a step, or kLongDelayMarker
  bool operator==(const MacroEntry&) const = default;
};

// A delay in units of 10 ms, halves rounded up, with bit 0 set and bit 7 set for anything but a
// press.
std::uint8_t DelayByte(int delay_ms, int type);

// The entries of the button's macro steps in order. A macro that needs more than the report's 50
// entries is cut before the first step that no longer fits whole, so a step is never separated
// from its extra entry and the mouse never plays half a delay.
std::vector<MacroEntry> MacroEntries(const ButtonAssignment& button);

}  // namespace melko
