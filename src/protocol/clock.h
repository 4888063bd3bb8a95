// Time as the send routine sees it. Every wait goes through a Clock, so that tests can run the
// real pacing in virtual time.
#pragma once

#include <cstdint>

namespace melko {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::int64_t Now() = 0;  // milliseconds from an arbitrary start
  virtual void SleepFor(std::int64_t ms) = 0;
};

// The monotonic clock of the machine.
class SteadyClock final : public Clock {
 public:
  std::int64_t Now() override;
  void SleepFor(std::int64_t ms) override;
};

}  // namespace melko
