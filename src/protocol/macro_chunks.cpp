#include "protocol/macro_chunks.h"

#include "protocol/report_layout.h"

namespace melko {

MacroChunk BuildMacroChunk(std::span<const std::uint8_t> report, int index, LinkMode link) {
  constexpr std::size_t kPayloadStart = 3;  // the report's ID and length are not carried
  const bool receiver_last = link == LinkMode::kWireless && index == kMacroChunkCount - 1;
  MacroChunk chunk{};
  chunk[0] = kMacroReportId;
  chunk[1] = receiver_last ? 0x0C : 0x40;
  chunk[2] = report.size() > 2 ? report[2] : 0;
  chunk[3] = std::uint8_t(index);
  const std::size_t from = kPayloadStart + kMacroChunkPayload * std::size_t(index);
  for (std::size_t i = 0; i < kMacroChunkPayload && from + i < report.size(); ++i) {
    chunk[4 + i] = report[from + i];
  }
  return chunk;
}

}  // namespace melko
