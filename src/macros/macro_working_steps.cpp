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

long long ReadDelayText(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    // Anything this long is far past the largest delay; stop growing before it can overflow.
    value = std::min(value * 10 + (text[i] - '0'), 1'000'000'000'000LL);
  }
  return negative ? -value : value;
}

std::uint16_t ClampDelay(long long value) {
  return std::uint16_t(std::clamp<long long>(value, kShortestDelay, kLongestDelay));
}

}  // namespace melko
