// The frame shared by the settings reports: byte 0 the report ID, byte 1 the total length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace melko {

using Report = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kResetReportId = 0x0C;
inline constexpr std::uint8_t kDpiReportId = 0x04;
inline constexpr std::uint8_t kLightReportId = 0x05;
inline constexpr std::uint8_t kRateReportId = 0x06;
inline constexpr std::uint8_t kButtonsReportId = 0x08;
inline constexpr std::uint8_t kMacroReportId = 0x09;

inline constexpr std::size_t kResetReportLength = 10;
inline constexpr std::size_t kDpiReportLength = 56;
inline constexpr std::size_t kLightReportLength = 15;
inline constexpr std::size_t kRateReportLength = 9;
inline constexpr std::size_t kButtonsReportLength = 59;
inline constexpr std::size_t kMacroReportLength = 131;

}  // namespace melko
