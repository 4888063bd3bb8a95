// The macro report is longer than one transfer of the driver libraries: over the cable and the
// receiver it goes as three 64-byte chunks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "device/link_state.h"

namespace melko {

inline constexpr int kMacroChunkCount = 3;
inline constexpr std::size_t kMacroChunkLength = 64;
inline constexpr std::size_t kMacroChunkPayload = 60;

using MacroChunk = std::array<std::uint8_t, kMacroChunkLength>;

// Chunk `index` (0 to 2) of a macro report for the cable (kWired) or the receiver (kWireless):
// 09, 40 (0C in the receiver's last chunk), the button number, the index, then 60 bytes of the
// report from byte 3 on. Bytes past the end of the report are sent as 0.
MacroChunk BuildMacroChunk(std::span<const std::uint8_t> report, int index, LinkMode link);

}  // namespace melko
