#include "protocol/macro_entries.h"

#include <cstddef>

namespace melko {

std::uint8_t DelayByte(int delay_ms, int type) {
  const int tens = (delay_ms + 5) / 10;  // the whole part of delay / 10 + 0.5
  return std::uint8_t(tens | (type == kMacroStepPress ? 0x01 : 0x81));
}

std::vector<MacroEntry> MacroEntries(const ButtonAssignment& button) {
  std::vector<MacroEntry> entries;
  int long_delay_entries = 0;
  const int steps = button.MacroStepCount();
  for (int i = 0; i < steps; ++i) {
    const MacroAction& step = button.macro_actions[std::size_t(i)];
    const int delay = step.delay;
    const bool is_long = delay > kLongDelayThresholdMs;
    // A delay of 0 and a whole number of 200 ms units both leave 1 ms for the step itself.
    int step_delay = is_long ? delay % kLongDelayUnitMs : delay;
    if (step_delay == 0) step_delay = 1;
    const bool has_extra = is_long && long_delay_entries < kMaxLongDelayEntries;

    const std::size_t needed = has_extra ? 2 : 1;
    if (entries.size() + needed > std::size_t(kMacroEntrySlots)) break;
    entries.push_back({DelayByte(step_delay, step.type), step.code});
    if (has_extra) {
      entries.push_back({std::uint8_t(delay / kLongDelayUnitMs), kLongDelayMarker});
      ++long_delay_entries;
    }
  }
  return entries;
}

}  // namespace melko
