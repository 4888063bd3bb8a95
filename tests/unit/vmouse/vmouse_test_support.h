// Frames typed the way the host sends them, for feeding the virtual mouse in tests.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "support/report_bytes.h"
#include "vmouse/firmware.h"

namespace melko::vmouse::test {

using Frame = std::vector<std::uint8_t>;

using ::melko::test::Hex;
using ::melko::test::SetChecksum;

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

struct TestMouse {
  Firmware firmware{[] { return std::int64_t{0}; }};

  WriteRecord Send(Link link, const Frame& frame) { return firmware.Receive(link, frame); }
  WriteRecord Send(Link link, std::string_view hex) { return Send(link, Hex(hex)); }
};

}  // namespace melko::vmouse::test
