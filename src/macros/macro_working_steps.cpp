#include "macros/macro_working_steps.h"

#include <algorithm>

#include "macros/macro_record.h"

namespace melko {

bool InsertStepAt(StepSlots& steps, int& count, int position, MacroAction step) {
  if (count >= kMaxMacroSteps || position < 0 || position > count) return false;
  std::copy_backward(steps.begin() + position, steps.begin() + count, steps.begin() + count + 1);
  steps[std::size_t(position)] = step;
  ++count;
  return true;
}

void RemoveStepAt(StepSlots& steps, int& count, int position) {
  if (position < 0 || position >= count) return;
  std::copy(steps.begin() + position + 1, steps.begin() + count, steps.begin() + position);
  --count;
  steps[std::size_t(count)] = MacroAction{};
}

int EntryCount(const StepSlots& steps, int count) {
  MacroRecord record{};
  record.actions = steps;
  record.action_count = count;
  return DeviceEntryCount(record);
}

std::uint16_t ClampDelay(long long value) {
  return std::uint16_t(std::clamp<long long>(value, kShortestDelay, kLongestDelay));
}

}  // namespace melko
