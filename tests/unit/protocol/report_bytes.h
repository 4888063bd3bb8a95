// Helpers for writing expected reports the way they are written down: "04 38 01 ...".
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
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

inline std::vector<std::uint8_t> Concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> bytes;
  for (const auto& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
  return bytes;
}

// The 16-bit sum of bytes first..last, as the mouse checks it.
inline unsigned SumOf(const std::vector<std::uint8_t>& bytes, std::size_t first, std::size_t last) {
  unsigned sum = 0;
  for (std::size_t i = first; i <= last; ++i) sum += bytes[i];
  return sum & 0xFFFF;
}

inline unsigned StoredChecksum(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return unsigned(bytes[at]) << 8 | bytes[at + 1];
}

inline ProfileRecord DefaultRecord() {
  ProfileRecord record = ZeroProfileRecord();
  SetDefaults(record);
  return record;
}

}  // namespace melko::test
