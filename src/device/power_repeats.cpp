#include "device/power_repeats.h"

#include <optional>

#include "device/driver_links.h"
#include "device/messages.h"
#include "device/status_decoder.h"

namespace melko {
namespace {

constexpr std::uint64_t kWordBits = 0xFFFF'FFFFu;
constexpr std::uint64_t kSettled = std::uint64_t(1) << 32;
constexpr int kCountShift = 33;
constexpr std::uint64_t kCountMask = (std::uint64_t(1) << (64 - kCountShift)) - 1;

// The power word a driver library posted, or nothing.
std::optional<std::uint32_t> LibraryPowerWord(std::uint32_t message, std::uintptr_t wparam,
                                              std::intptr_t lparam) {
  if (message != kMsgWiredData && message != kMsgReceiverData) return std::nullopt;
  const std::uint32_t word = DecodeDataMessage(wparam, lparam);
  if (EventOf(word) != kEventPower) return std::nullopt;
  return word;
}

}  // namespace

PowerRepeatFilter::PowerRepeatFilter(MessagePoster& next, std::function<void()> on_repeat)
    : next_(next),
      on_repeat_(std::move(on_repeat)),
      target_{this, &PowerRepeatFilter::PostFromLibrary} {}

void PowerRepeatFilter::PostFromLibrary(void* context, std::uint32_t message, std::uintptr_t wparam,
                                        std::intptr_t lparam) {
  auto& self = *static_cast<PowerRepeatFilter*>(context);
  if (self.KeepBack(message, wparam, lparam)) return;
  // Counted, and nothing settled, before it is queued: the message may change the page, so no
  // word handled before it may settle while it waits.
  std::uint64_t seen = self.state_.load();
  while (!self.state_.compare_exchange_weak(seen, ((seen >> kCountShift) + 1) << kCountShift)) {
  }
  self.next_.Post(message, wparam, lparam);
}

bool PowerRepeatFilter::KeepBack(std::uint32_t message, std::uintptr_t wparam,
                                 std::intptr_t lparam) {
  if (!enabled_) return false;
  const auto word = LibraryPowerWord(message, wparam, lparam);
  const std::uint64_t seen = state_.load();
  if (!word || !(seen & kSettled) || (seen & kWordBits) != *word) return false;
  on_repeat_();
  // Unsettled meanwhile: the watchdog may have run out before on_repeat pushed it on, so the word
  // goes through after all.
  return state_.load() == seen;
}

void PowerRepeatFilter::Handled(std::uint32_t message, std::uintptr_t wparam,
                                std::intptr_t lparam) {
  ++handled_;
  const auto word = LibraryPowerWord(message, wparam, lparam);
  if (!word) return;
  std::uint64_t seen = state_.load();
  // Another message of the libraries still waits, which may change the page again.
  if ((seen >> kCountShift) != (handled_ & kCountMask)) return;
  state_.compare_exchange_strong(seen, (seen & ~(kSettled | kWordBits)) | kSettled | *word);
}

void PowerRepeatFilter::Unsettle() {
  state_.fetch_and(~kSettled);
}

}  // namespace melko
