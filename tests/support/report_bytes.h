// Reports as they are written down ("04 38 01 ..."), and the checksum rule: the 16-bit sum of the
// bytes from 3 up to the checksum, high byte first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace melko::test {

inline std::vector<std::uint8_t> Hex(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  std::istringstream in{std::string(text)};
  unsigned value = 0;
  while (in >> std::hex >> value) bytes.push_back(std::uint8_t(value));
  return bytes;
}

// Writes the checksum of bytes 3 to at - 1 at `at`.
inline void SetChecksum(std::vector<std::uint8_t>& report, std::size_t at) {
  unsigned sum = 0;
  for (std::size_t i = 3; i < at; ++i) sum += report[i];
  report[at] = std::uint8_t(sum >> 8);
  report[at + 1] = std::uint8_t(sum);
}

inline bool ChecksumHolds(std::vector<std::uint8_t> report, std::size_t at) {
  const std::vector<std::uint8_t> as_sent = report;
  SetChecksum(report, at);
  return report == as_sent;
}

}  // namespace melko::test
