// The mouse's side of the protocol: takes the host's reports over the three links, checks and
// logs every write, keeps the settings it was sent, and produces the status events of a real
// mouse. It owns no thread and no timer: the program around it feeds it frames, presses its
// buttons, calls Tick from its own timer and routes the events it emits to the right link.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "vmouse/link.h"
#include "vmouse/macro_chunks.h"
#include "vmouse/settings.h"
#include "vmouse/status_events.h"

namespace melko::vmouse {

struct WriteRecord {
  std::int64_t t_ms = 0;
  Link link = Link::kWired;
  std::vector<std::uint8_t> bytes;
  bool valid = false;
  std::string reason;  // empty when valid
};

// When a report received over the receiver is acknowledged. kAfterCopies drops the
// acknowledgement of the first copies - 1 identical copies in a row, as a lossy radio would.
enum class AckMode { kAlways, kNever, kAfterCopies };
struct AckPolicy {
  AckMode mode = AckMode::kAlways;
  int copies = 1;
};

class Firmware {
 public:
  using Clock = std::function<std::int64_t()>;  // milliseconds
  using EventSink = std::function<void(std::uint16_t event_word, std::uint16_t value)>;
  using WriteListener = std::function<void(const WriteRecord&)>;

  static constexpr std::int64_t kPowerPeriodMs = 2000;

  // Without a clock, time is counted from construction on the steady clock.
  explicit Firmware(Clock clock = {});

  // Events are delivered synchronously, from inside the call that caused them.
  void SetEventSink(EventSink sink) { sink_ = std::move(sink); }
  // Called with each write as it is logged.
  void SetWriteListener(WriteListener listener) { listener_ = std::move(listener); }
  void SetAckPolicy(AckPolicy policy);

  // One frame from the host: a whole report, or over the cable and the receiver one 64-byte
  // chunk of the macro report. Over the receiver a complete report is answered with an
  // acknowledgement as the policy says, a rejected frame with a negative one.
  WriteRecord Receive(Link link, Bytes frame);
  WriteRecord Receive(Link link, Bytes frame, std::int64_t now_ms);

  // What the user does on the mouse. Each wakes a sleeping mouse first.
  void PressDpiButton();        // next enabled stage with a value, wrapping
  bool SetStage(int stage);     // 1 to 8
  void PressLightButton();      // next light mode, 0 to 11, wrapping
  bool SetLightMode(int mode);  // 0 to 15
  bool SetRateCode(int code);   // 1, 2, 4 or 8
  void SetPower(int level, PowerSource source);

  // A sleeping mouse sends no power events and cannot be reached through the receiver, so the
  // host's watchdog sees it go quiet. The cable and Bluetooth LE still deliver reports. Waking
  // sends a power event at once.
  void Sleep() { asleep_ = true; }
  void Wake();

  // Sends the power event when awake and 2 s have passed since the last one (or none was sent).
  void Tick();
  void Tick(std::int64_t now_ms);

  // Passes any event word and value through, for exercising the host's decoding.
  void EmitEvent(std::uint16_t event_word, std::uint16_t value) { Emit(event_word, value); }

  const Settings& settings() const { return settings_; }
  const std::vector<WriteRecord>& log() const { return log_; }
  void ClearLog() { log_.clear(); }
  bool asleep() const { return asleep_; }
  int battery_level() const { return battery_level_; }
  PowerSource power_source() const { return power_source_; }

 private:
  Problem Handle(Link link, Bytes frame, std::vector<std::uint8_t>& completed);
  Problem ApplyReport(Link link, Bytes report);
  void AnswerOverReceiver(Bytes frame, const Problem& problem,
                          const std::vector<std::uint8_t>& completed);
  void SendPower(std::int64_t now_ms);
  void Emit(std::uint16_t event_word, std::uint16_t value);

  Clock clock_;
  EventSink sink_;
  WriteListener listener_;
  AckPolicy ack_policy_;

  Settings settings_ = FactorySettings();
  MacroChunkAssembler chunks_;
  std::vector<WriteRecord> log_;

  std::vector<std::uint8_t> last_receiver_report_;  // for counting identical copies
  int receiver_copies_ = 0;

  bool asleep_ = false;
  int battery_level_ = 100;
  PowerSource power_source_ = PowerSource::kBattery;
  std::optional<std::int64_t> last_power_ms_;
};

}  // namespace melko::vmouse
