#include "vmouse/firmware.h"

#include <algorithm>
#include <chrono>

#include "vmouse/macro_report.h"
#include "vmouse/settings_reports.h"

namespace melko::vmouse {
namespace {

Firmware::Clock SteadyClockFromNow() {
  const auto start = std::chrono::steady_clock::now();
  return [start] {
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return std::int64_t(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
  };
}

}  // namespace

Firmware::Firmware(Clock clock) : clock_(clock ? std::move(clock) : SteadyClockFromNow()) {}

void Firmware::SetAckPolicy(AckPolicy policy) {
  policy.copies = std::max(policy.copies, 1);
  ack_policy_ = policy;
  receiver_copies_ = 0;
  last_receiver_report_.clear();
}

WriteRecord Firmware::Receive(Link link, Bytes frame) {
  return Receive(link, frame, clock_());
}

WriteRecord Firmware::Receive(Link link, Bytes frame, std::int64_t now_ms) {
  std::vector<std::uint8_t> completed;
  const Problem problem = Handle(link, frame, completed);
  WriteRecord record{now_ms, link, {frame.begin(), frame.end()}, !problem, problem.value_or("")};
  log_.push_back(record);
  if (listener_) listener_(record);
  // A sleeping mouse never heard the frame, so it cannot answer it.
  if (link == Link::kWireless && !asleep_) AnswerOverReceiver(frame, problem, completed);
  return record;
}

Problem Firmware::Handle(Link link, Bytes frame, std::vector<std::uint8_t>& completed) {
  if (link == Link::kWireless && asleep_) return "mouse asleep: the receiver could not reach it";
  if (frame.size() < 3) return "frame of " + std::to_string(frame.size()) + " bytes is too short";
  if (frame[0] == kReportMacro && link != Link::kBle) {
    auto result = chunks_.Add(link, frame);
    if (result.problem) return result.problem;
    if (!result.report) return {};
    if (auto problem = ApplyReport(link, *result.report)) {
      return "reassembled macro report: " + *problem;
    }
    completed = std::move(*result.report);
    return {};
  }
  if (auto problem = ApplyReport(link, frame)) return problem;
  completed.assign(frame.begin(), frame.end());
  return {};
}

Problem Firmware::ApplyReport(Link link, Bytes report) {
  switch (report[0]) {
    case kReportReset:
      return ApplyResetReport(report, settings_);
    case kReportDpi:
      return ApplyDpiReport(report, settings_);
    case kReportLight:
      return ApplyLightReport(report, settings_);
    case kReportRate:
      if (link == Link::kBle) return "the polling-rate report is not taken over Bluetooth LE";
      return ApplyRateReport(report, settings_);
    case kReportButtons:
      return ApplyButtonsReport(report, settings_);
    case kReportMacro:
      return ApplyMacroReport(report, settings_);
    default:
      return "unknown report ID " + HexByte(report[0]);
  }
}

void Firmware::AnswerOverReceiver(Bytes frame, const Problem& problem,
                                  const std::vector<std::uint8_t>& completed) {
  if (ack_policy_.mode == AckMode::kNever) return;
  const std::uint8_t id = frame.empty() ? 0 : frame[0];
  if (problem) {
    receiver_copies_ = 0;
    last_receiver_report_.clear();
    Emit(kEventAck, AckValue(id, kAckRejected));
    return;
  }
  if (completed.empty()) return;  // a macro chunk before the last

  if (completed == last_receiver_report_) {
    ++receiver_copies_;
  } else {
    last_receiver_report_ = completed;
    receiver_copies_ = 1;
  }
  const int needed = ack_policy_.mode == AckMode::kAfterCopies ? ack_policy_.copies : 1;
  if (receiver_copies_ < needed) return;
  // The next send of the same report starts a new count.
  receiver_copies_ = 0;
  last_receiver_report_.clear();
  Emit(kEventAck, AckValue(id, kAckReceived));
}

void Firmware::PressDpiButton() {
  Wake();
  for (int step = 1; step <= kStageCount; ++step) {
    const int index = (settings_.current_stage - 1 + step) % kStageCount;
    const DpiStage& stage = settings_.stages[std::size_t(index)];
    if (stage.enabled && stage.value != 0) {
      settings_.current_stage = index + 1;
      Emit(kEventDpiStage, std::uint16_t(index + 1));
      return;
    }
  }
}

bool Firmware::SetStage(int stage) {
  if (stage < 1 || stage > kStageCount) return false;
  Wake();
  settings_.current_stage = stage;
  Emit(kEventDpiStage, std::uint16_t(stage));
  return true;
}

void Firmware::PressLightButton() {
  SetLightMode((settings_.light_mode + 1) % kLightModeCount);
}

bool Firmware::SetLightMode(int mode) {
  if (mode < 0 || mode > 15) return false;
  Wake();
  settings_.light_mode = mode;
  Emit(kEventLightMode, LightModeValue(mode));
  return true;
}

bool Firmware::SetRateCode(int code) {
  if (code != 1 && code != 2 && code != 4 && code != 8) return false;
  Wake();
  settings_.rate_code = std::uint8_t(code);
  Emit(kEventPollingRate, std::uint16_t(code));
  return true;
}

void Firmware::SetPower(int level, PowerSource source) {
  battery_level_ = source == PowerSource::kCharged ? 100 : std::clamp(level, 0, 100);
  power_source_ = source;
  if (!asleep_) SendPower(clock_());
}

void Firmware::Wake() {
  if (!asleep_) return;
  asleep_ = false;
  SendPower(clock_());
}

void Firmware::Tick() {
  Tick(clock_());
}

void Firmware::Tick(std::int64_t now_ms) {
  if (asleep_) return;
  if (!last_power_ms_ || now_ms - *last_power_ms_ >= kPowerPeriodMs) SendPower(now_ms);
}

void Firmware::SendPower(std::int64_t now_ms) {
  last_power_ms_ = now_ms;
  Emit(kEventPower, PowerValue(battery_level_, power_source_));
}

void Firmware::Emit(std::uint16_t event_word, std::uint16_t value) {
  if (sink_) sink_(event_word, value);
}

}  // namespace melko::vmouse
