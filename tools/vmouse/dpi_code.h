// The sensor codes of the DPI report: stage values 1 to 200 map onto the numbers 1 to 235 with 35
// numbers left out; values 201 to 220 reuse the codes of 101 to 120 together with the range flag.
#pragma once

#include <cstdint>

namespace melko::vmouse {

// Stage value 1 to 200 that the code stands for without the range flag; 0 when the code is not
// one the sensor uses.
int StageValueOfCode(std::uint8_t code);

}  // namespace melko::vmouse
