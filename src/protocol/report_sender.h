// SendReport: the one path by which a settings report leaves the program. It picks the link that
// is up (cable, then receiver, then Bluetooth LE) and gives each link the pacing, splitting and
// repetition it needs. Runs on the apply thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>

#include "device/link_state.h"
#include "protocol/clock.h"
#include "protocol/send_ports.h"

namespace melko {

// Waits, in milliseconds, that the mouse and the receiver need.
inline constexpr std::int64_t kWaitAfterCableChunkMs = 200;
inline constexpr std::int64_t kWaitAfterReceiverReportMs = 500;
inline constexpr std::int64_t kWaitAfterReceiverChunkMs = 1000;
inline constexpr std::int64_t kWaitAfterReportMs = 500;
// Over the receiver a report (or each macro pass) is repeated until the mouse acknowledges it.
inline constexpr int kReceiverAttempts = 10;

class ReportSender final : public ReportSink {
 public:
  ReportSender(LinkState& state, ReportLinks& links, Clock& clock, DebugLog& log)
      : state_(state), links_(links), clock_(clock), log_(log) {}

  // Returns the result of the last write, nonzero for success; 0 when no link took the report.
  // An empty report is not sent.
  std::int32_t SendReport(std::span<const std::uint8_t> report) override;
  void CancelSends() override;

 private:
  // Nothing when a chunk failed and the report should be offered to the next link.
  std::optional<std::int32_t> SendMacroOverCable(std::span<const std::uint8_t> report);
  std::int32_t SendOverReceiver(std::span<const std::uint8_t> report);
  std::int32_t SendMacroOverReceiver(std::span<const std::uint8_t> report);
  bool ReceiverCancelled() const { return cancelled_.load() || state_.wireless_cancel.load() != 0; }

  LinkState& state_;
  ReportLinks& links_;
  Clock& clock_;
  DebugLog& log_;
  std::atomic<bool> cancelled_{false};
};

}  // namespace melko
