// Frames typed the way the host sends them, for feeding the virtual mouse in tests.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "vmouse/firmware.h"

namespace melko::vmouse::test {

using Frame = std::vector<std::uint8_t>;

// Bytes from hex pairs separated by spaces: "04 38 01".
inline Frame FromHex(std::string_view hex) {
  Frame out;
  auto digit = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  for (std::size_t i = 0; i + 1 < hex.size(); ++i) {
    if (hex[i] == ' ') continue;
    out.push_back(std::uint8_t(digit(hex[i]) << 4 | digit(hex[i + 1])));
    ++i;
  }
  return out;
}

// Writes the sum of bytes 3 to at - 1 at `at`, high byte first.
inline void SetChecksum(Frame& report, std::size_t at) {
  unsigned sum = 0;
  for (std::size_t i = 3; i < at; ++i) sum += report[i];
  report[at] = std::uint8_t(sum >> 8);
  report[at + 1] = std::uint8_t(sum);
}

// The three 64-byte chunks the driver libraries carry a 131-byte macro report in.
inline std::array<Frame, 3> MacroChunks(const Frame& report, bool over_receiver) {
  std::array<Frame, 3> chunks;
  for (std::size_t k = 0; k < 3; ++k) {
    Frame& chunk = chunks[k];
    chunk.assign(64, 0);
    chunk[0] = 0x09;
    chunk[1] = over_receiver && k == 2 ? 0x0C : 0x40;
    chunk[2] = report[2];
    chunk[3] = std::uint8_t(k);
    for (std::size_t i = 0; i < 60 && 3 + 60 * k + i < 131; ++i)
      chunk[4 + i] = report[3 + 60 * k + i];
  }
  return chunks;
}

// The default profile's reports, byte for byte.
inline constexpr std::string_view kDefaultDpi =
    "04 38 01 00 01 7F 00 00 12 25 38 4B 70 A9 8D 00 00 00 00 00 00 00 01 00 02 "
    "FF 00 00 00 FF 00 00 00 FF 00 FF FF FF FF 00 FF 00 FF FF FF FF FF FF FF 01 11 D5 00 00 00 00";
inline constexpr std::string_view kDefaultLight = "05 0F 01 00 03 A8 00 00 FF 01 04 01 AF 00 00";
inline constexpr std::string_view kDefaultRate = "06 09 01 01 FE 00 00 00 00";
inline constexpr std::string_view kDefaultButtons =
    "08 3B 01 02 00 00 03 00 00 04 00 00 0D 00 00 3C 00 00 0D 00 00 06 00 00 05 00 00 3C 00 00 "
    "01 00 00 01 00 00 01 00 00 01 00 00 01 00 00 01 00 00 01 00 00 0A 00 00 09 00 00 00 C0";
inline constexpr std::string_view kReset = "0C 0A 01 FE 01 FE 00 00 00 00";

// A firmware whose clock stands still.
struct TestMouse {
  Firmware firmware{[] { return std::int64_t{0}; }};

  WriteRecord Send(Link link, const Frame& frame) { return firmware.Receive(link, frame); }
  WriteRecord Send(Link link, std::string_view hex) { return Send(link, FromHex(hex)); }
};

}  // namespace melko::vmouse::test
