// Reports as they are written down ("04 38 01 ..."), the checksum rule, and the default profile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/profile_record.h"

namespace melko::test {

inline std::vector<std::uint8_t> Hex(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  std::istringstream in{std::string(text)};
  unsigned value = 0;
  while (in >> std::hex >> value) bytes.push_back(std::uint8_t(value));
  return bytes;
}

// Whether bytes at and at + 1 hold the 16-bit sum of bytes 3 to at - 1, high byte first.
inline bool ChecksumHolds(const std::vector<std::uint8_t>& report, std::size_t at) {
  unsigned sum = 0;
  for (std::size_t i = 3; i < at; ++i) sum += report[i];
  return report[at] == ((sum >> 8) & 0xFF) && report[at + 1] == (sum & 0xFF);
}

inline ProfileRecord DefaultRecord() {
  ProfileRecord record = ZeroProfileRecord();
  SetDefaults(record);
  return record;
}

}  // namespace melko::test
