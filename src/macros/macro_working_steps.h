// The step slots of a macro as the editor changes them: inserting and removing steps, the entries
// they take in the mouse, and delays typed by the user.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "macros/macro_action.h"

namespace melko {

using StepSlots = std::array<MacroAction, kMaxMacroSteps>;

inline constexpr int kMaxSavedEntries = 47;      // a change taking more is undone
inline constexpr int kRecordingEntryLimit = 46;  // a recording stops on reaching it
inline constexpr std::uint16_t kShortestDelay = 10;
inline constexpr std::uint16_t kLongestDelay = 65535;

// Puts step at position (0 to count), moving the later steps one place back; false when every
// slot is in use.
bool InsertStepAt(StepSlots& steps, int& count, int position, MacroAction step);
// Removes the step at position (0 to count - 1); the later steps move one place forward.
void RemoveStepAt(StepSlots& steps, int& count, int position);
// The entries the first count steps take in the mouse's macro memory (DeviceEntryCount).
int EntryCount(const StepSlots& steps, int count);

// A delay set by hand: 10 to 65535.
std::uint16_t ClampDelay(long long value);

}  // namespace melko
