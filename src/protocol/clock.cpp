#include "protocol/clock.h"

#include <chrono>
#include <thread>

namespace melko {

std::int64_t SteadyClock::Now() {
  const auto since_start = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::milliseconds>(since_start).count();
}

void SteadyClock::SleepFor(std::int64_t ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace melko
