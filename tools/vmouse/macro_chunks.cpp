#include "vmouse/macro_chunks.h"

#include <algorithm>

namespace melko::vmouse {
namespace {

std::uint8_t ExpectedMarker(Link link, int index) {
  return link == Link::kWireless && index == 2 ? kLastChunkMarkerOverReceiver : kChunkMarker;
}

std::string LinkPlace(Link link) {
  return link == Link::kWireless ? "receiver" : "cable";
}

}  // namespace

Problem MacroChunkAssembler::Check(Link link, Bytes chunk,
                                   const std::optional<Pending>& pending) const {
  if (chunk.size() != kMacroChunkLength) {
    return "macro frame of " + std::to_string(chunk.size()) + " bytes over the " + LinkPlace(link) +
           ", expected 64-byte chunks";
  }
  const int index = chunk[3];
  if (index > 2) return "macro chunk index " + std::to_string(index) + ", expected 0 to 2";
  const std::uint8_t marker = ExpectedMarker(link, index);
  if (chunk[1] != marker) {
    return "macro chunk " + std::to_string(index) + " marker " + HexByte(chunk[1]) + " over the " +
           LinkPlace(link) + ", expected " + HexByte(marker);
  }
  if (index != 0) {
    const int expected = pending ? pending->next_chunk : 0;
    if (index != expected) {
      return "macro chunk " + std::to_string(index) + " out of order, expected chunk " +
             std::to_string(expected);
    }
    if (chunk[2] != pending->button) {
      return "macro chunk " + std::to_string(index) + " for button " + std::to_string(chunk[2]) +
             ", chunk 0 was for button " + std::to_string(pending->button);
    }
  }
  // The report ends 8 bytes into the last chunk; the rest is padding.
  if (index == 2) return CheckZero(chunk, 12, 63, "macro chunk 2 padding");
  return {};
}

MacroChunkAssembler::Result MacroChunkAssembler::Add(Link link, Bytes chunk) {
  if (link == Link::kBle) return {"macro chunks are not used over Bluetooth LE", {}};
  std::optional<Pending>& pending = pending_[link == Link::kWired ? 0 : 1];
  if (auto problem = Check(link, chunk, pending)) {
    pending.reset();
    return {problem, {}};
  }
  const int index = chunk[3];
  if (index == 0) pending = Pending{chunk[2], 0, {}};
  std::copy(chunk.begin() + 4, chunk.end(), pending->payload.begin() + 60 * index);
  pending->next_chunk = index + 1;
  if (index < 2) return {};

  std::vector<std::uint8_t> report = {kReportMacro, std::uint8_t(kMacroLength), pending->button};
  report.insert(report.end(), pending->payload.begin(), pending->payload.begin() + 128);
  pending.reset();
  return {{}, std::move(report)};
}

}  // namespace melko::vmouse
