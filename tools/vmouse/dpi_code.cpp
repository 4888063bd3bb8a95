#include "vmouse/dpi_code.h"

#include <algorithm>
#include <array>

namespace melko::vmouse {
namespace {

constexpr std::array<std::uint8_t, 35> kUnusedCodes = {
    7,   13,  20,  26,  33,  40,  46,  53,  60,  66,  73,  80,  86,  93,  100, 106, 113, 120,
    126, 133, 140, 146, 153, 160, 166, 173, 180, 186, 193, 200, 206, 213, 220, 226, 233};

constexpr std::array<std::uint8_t, 200> MakeCodeTable() {
  std::array<std::uint8_t, 200> table{};
  std::size_t next = 0;
  for (int code = 1; code <= 235; ++code) {
    if (std::find(kUnusedCodes.begin(), kUnusedCodes.end(), code) != kUnusedCodes.end()) continue;
    table[next++] = std::uint8_t(code);
  }
  return table;
}

constexpr std::array<std::uint8_t, 200> kCodes = MakeCodeTable();
static_assert(kCodes[199] == 235, "200 stage values end at code 235");

}  // namespace

int StageValueOfCode(std::uint8_t code) {
  const auto* found = std::lower_bound(kCodes.begin(), kCodes.end(), code);
  if (found == kCodes.end() || *found != code) return 0;
  return int(found - kCodes.begin()) + 1;
}

}  // namespace melko::vmouse
