#include "protocol/report_sender.h"

#include <string>

#include "protocol/macro_chunks.h"
#include "protocol/report_layout.h"

namespace melko {
namespace {

std::int32_t LengthOf(std::span<const std::uint8_t> bytes) {
  return std::int32_t(bytes.size());
}

}  // namespace

void ReportSender::CancelSends() {
  cancelled_ = true;
}

std::int32_t ReportSender::SendReport(std::span<const std::uint8_t> report) {
  if (report.empty() || cancelled_) return 0;
  const bool is_macro = report[0] == kMacroReportId;

  std::optional<std::int32_t> result;
  if (state_.wired_state.load() == kLinkConnected) {
    // A failed cable write is final, except for the macro, which is then offered to the next link.
    result = is_macro ? SendMacroOverCable(report)
                      : links_.WiredSetFeature(report.data(), LengthOf(report));
  }
  if (!result && !cancelled_) {
    if (state_.wireless_state.load() == kLinkConnected && state_.wireless_online.load() == 1) {
      result = is_macro ? SendMacroOverReceiver(report) : SendOverReceiver(report);
    } else if (state_.ble_present.load() == 1 && report[0] != kRateReportId) {
      // The mouse takes no polling rate over Bluetooth LE.
      result = links_.BleWrite(report.data(), LengthOf(report));
    }
  }

  const std::int32_t written = result.value_or(0);
  if (written != 0 && !cancelled_) clock_.SleepFor(kWaitAfterReportMs);
  return written;
}

std::optional<std::int32_t> ReportSender::SendMacroOverCable(std::span<const std::uint8_t> report) {
  // The macro counts as sent only when every chunk was written: a lost first or second chunk
  // leaves the mouse with a broken macro even when the last one arrives.
  bool all_written = true;
  std::int32_t last = 0;
  for (int index = 0; index < kMacroChunkCount; ++index) {
    if (cancelled_) return std::nullopt;
    const MacroChunk chunk = BuildMacroChunk(report, index, LinkMode::kWired);
    last = links_.WiredSetFeature(chunk.data(), LengthOf(chunk));
    if (last != 0) {
      clock_.SleepFor(kWaitAfterCableChunkMs);
    } else {
      all_written = false;
    }
  }
  if (!all_written) return std::nullopt;
  return last;
}

std::int32_t ReportSender::SendOverReceiver(std::span<const std::uint8_t> report) {
  state_.wireless_cancel.store(0);
  std::int32_t result = 0;
  for (int attempt = 0; attempt < kReceiverAttempts && !ReceiverCancelled(); ++attempt) {
    result = links_.ReceiverSetFeature(report.data(), LengthOf(report));
    log_.Write("Wireless Send = " + std::to_string(result));
    if (!cancelled_) clock_.SleepFor(kWaitAfterReceiverReportMs);
  }
  return result;
}

std::int32_t ReportSender::SendMacroOverReceiver(std::span<const std::uint8_t> report) {
  state_.wireless_cancel.store(0);
  std::int32_t result = 0;
  for (int pass = 0; pass < kReceiverAttempts && !ReceiverCancelled(); ++pass) {
    for (int index = 0; index < kMacroChunkCount && !cancelled_; ++index) {
      const MacroChunk chunk = BuildMacroChunk(report, index, LinkMode::kWireless);
      result = links_.ReceiverSetFeature(chunk.data(), LengthOf(chunk));
      if (!cancelled_) clock_.SleepFor(kWaitAfterReceiverChunkMs);
    }
  }
  return result;
}

}  // namespace melko
