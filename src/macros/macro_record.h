// A macro as the macro store and macro files hold it: 240 bytes.
//
//   offset 0   24 UTF-16 units  name, NUL-terminated
//   offset 48  int32            repeat
//   offset 52  int32            action_count (0 to 46)
//   offset 56  46 x 4 bytes     actions: code, type, delay (16-bit)
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "macros/macro_action.h"
#include "profiles/profile_record.h"

namespace melko {

inline constexpr std::size_t kMacroRecordSize = 240;
inline constexpr std::size_t kMacroNameMaxUnits = kMacroNameUnits - 1;

struct MacroRecord {
  std::array<char16_t, kMacroNameUnits> name;
  std::int32_t repeat;
  std::int32_t action_count;
  std::array<MacroAction, kMaxMacroSteps> actions;

  int StepCount() const { return ClampStepCount(action_count); }
};
static_assert(sizeof(MacroRecord) == kMacroRecordSize);
static_assert(offsetof(MacroRecord, repeat) == 48);
static_assert(offsetof(MacroRecord, action_count) == 52);
static_assert(offsetof(MacroRecord, actions) == 56);

std::unique_ptr<MacroRecord> MakeEmptyMacro(std::u16string_view name);
std::u16string MacroName(const MacroRecord& record);
void SetMacroName(MacroRecord& record, std::u16string_view name);

void EncodeMacro(const MacroRecord& record, std::span<std::uint8_t, kMacroRecordSize> out);
void DecodeMacro(std::span<const std::uint8_t, kMacroRecordSize> bytes, MacroRecord& record);

// Entries the steps take in the mouse's macro memory: two for a step that waits over 1280 ms.
int DeviceEntryCount(const MacroRecord& record);

}  // namespace melko
