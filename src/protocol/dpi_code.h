// The sensor code the mouse expects for a DPI stage value.
#pragma once

#include <array>
#include <cstdint>

#include "profiles/profile_record.h"

namespace melko {

// Indexed by stage value - 1; the low byte of an entry is sent.
extern const std::array<std::int32_t, kMaxStageValue> kDpiCodes;

// The code of a stage value 1 to 220; 0 for an unset stage and for any value outside the table.
std::int32_t DpiCode(int stage_value);

}  // namespace melko
