// Frame facts shared by the report decoders: IDs, lengths, checksums, and the small checks every
// decoder makes. A check returns the reason a frame is rejected, or nothing when it passes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace melko::vmouse {

using Bytes = std::span<const std::uint8_t>;
using Problem = std::optional<std::string>;

inline constexpr std::uint8_t kReportReset = 0x0C;
inline constexpr std::uint8_t kReportDpi = 0x04;
inline constexpr std::uint8_t kReportLight = 0x05;
inline constexpr std::uint8_t kReportRate = 0x06;
inline constexpr std::uint8_t kReportButtons = 0x08;
inline constexpr std::uint8_t kReportMacro = 0x09;

inline constexpr std::size_t kResetLength = 10;
inline constexpr std::size_t kDpiLength = 56;
inline constexpr std::size_t kLightLength = 15;
inline constexpr std::size_t kRateLength = 9;
inline constexpr std::size_t kButtonsLength = 59;
inline constexpr std::size_t kMacroLength = 131;

// "0x0c"
std::string HexByte(std::uint8_t value);

// Lowercase hex of all bytes, no separators.
std::string HexBytes(Bytes bytes);

// Sum of bytes first..last as a 16-bit number. The caller keeps last inside the frame.
std::uint16_t Checksum(Bytes frame, std::size_t first, std::size_t last);

// The length byte and the frame size both equal `length`. Needs a frame of at least 2 bytes; the
// checks below assume this one passed, so they never index past the frame.
Problem CheckLength(Bytes frame, std::size_t length);

// Byte 2 is 0x01, as in every report but the macro report.
Problem CheckByteTwo(Bytes frame);

// The checksum of bytes 3 to at - 1 is stored at `at`, high byte first.
Problem CheckChecksum(Bytes frame, std::size_t at);

// Bytes first..last are all zero; `what` names them in the reason.
Problem CheckZero(Bytes frame, std::size_t first, std::size_t last, const char* what);

}  // namespace melko::vmouse
