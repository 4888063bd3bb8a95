// What the send routine needs from outside: the writes of the three links, a debug output, and the
// seam through which the report builders hand their reports on.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace melko {

// The three ways a report reaches the mouse. Each returns nonzero when the bytes were written.
class ReportLinks {
 public:
  virtual ~ReportLinks() = default;
  // SetFeature of the cable's driver library; bytes start with the report ID, length counts it.
  virtual std::int32_t WiredSetFeature(const std::uint8_t* bytes, std::int32_t length) = 0;
  // SetFeature of the receiver's driver library.
  virtual std::int32_t ReceiverSetFeature(const std::uint8_t* bytes, std::int32_t length) = 0;
  // The whole report as one GATT value over Bluetooth LE.
  virtual std::int32_t BleWrite(const std::uint8_t* bytes, std::int32_t length) = 0;
};

// Developer diagnostics; never shown to the user.
class DebugLog {
 public:
  virtual ~DebugLog() = default;
  virtual void Write(std::string_view line) = 0;
};

// Takes one settings report and returns nonzero when it reached the mouse.
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  virtual std::int32_t SendReport(std::span<const std::uint8_t> report) = 0;
  // From another thread: ends a send in progress (a receiver repetition) at its next step, and
  // makes every later send return 0 at once. Used when the program shuts down.
  virtual void CancelSends() {}
};

}  // namespace melko
