#include "device/power_repeats.h"

#include <gtest/gtest.h>

#include "device/messages.h"
#include "device/status_decoder.h"
#include "support/device_fakes.h"

namespace melko {
namespace {

constexpr std::uint32_t kBattery80 = MakeStatusWord(kEventPower, 0x5002);
constexpr std::uint32_t kBattery79 = MakeStatusWord(kEventPower, 0x4F02);
constexpr std::uint32_t kUnsettle = 0;  // a row that stands for any other message of the program
constexpr int kAll = 99;

struct FilterRig {
  explicit FilterRig(bool keep_back) { filter.KeepBackRepeats(keep_back); }
  // Posts as a library does, from its thread; true when the message reached the queue. The event
  // loop then handles up to `handle` of the messages that wait, in order.
  bool Post(std::uint32_t message, std::uint32_t word, int handle = kAll) {
    const std::size_t before = queue.Posted().size();
    filter.target()->post(filter.target()->context, message, word >> 16, word & 0xFFFF);
    const bool went_through = queue.Posted().size() > before;
    for (; handle-- > 0 && handled < queue.Posted().size(); ++handled) {
      const testing::PostedMessage next = queue.Posted()[handled];
      filter.Handled(next.message, next.wparam, next.lparam);
    }
    return went_through;
  }
  fakes::FakePoster queue;
  PowerRepeatFilter filter{queue, [this] { ++repeats; }};
  std::size_t handled = 0;
  int repeats = 0;  // kept back, each restarting the watchdog
};

TEST(PowerRepeatFilter, KeepsBackOnlyRepeatsOfAWordHandledWithNothingElseSince) {
  const struct {
    const char* what;
    std::uint32_t message, word;
    int handle;
    bool went_through;
  } steps[] = {
      {"the first word", kMsgReceiverData, kBattery80, kAll, true},
      {"its repeat", kMsgReceiverData, kBattery80, kAll, false},
      {"the same word from the cable", kMsgWiredData, kBattery80, kAll, false},
      {"a new level", kMsgReceiverData, kBattery79, kAll, true},
      {"the old level again", kMsgReceiverData, kBattery80, kAll, true},
      {"the cable arrives", kMsgWiredConnect, 1u << 16, kAll, true},
      {"the word after the cable", kMsgWiredData, kBattery80, kAll, true},
      {"a new level, left queued", kMsgReceiverData, kBattery79, 0, true},
      {"the settled word behind it, one handled", kMsgReceiverData, kBattery80, 1, true},
      {"the new level while the old waits", kMsgReceiverData, kBattery79, kAll, true},
      {"its repeat once all is handled", kMsgReceiverData, kBattery79, kAll, false},
      {"a message of the program", kUnsettle, 0, kAll, true},
      {"the repeat after it", kMsgReceiverData, kBattery79, kAll, true},
  };
  FilterRig rig(true);
  for (const auto& step : steps) {
    if (step.message == kUnsettle) {
      rig.filter.Unsettle();
      continue;
    }
    EXPECT_EQ(rig.Post(step.message, step.word, step.handle), step.went_through) << step.what;
  }
  EXPECT_EQ(rig.repeats, 3);

  FilterRig off(false);
  EXPECT_TRUE(off.Post(kMsgReceiverData, kBattery80));
  EXPECT_TRUE(off.Post(kMsgReceiverData, kBattery80)) << "melkoctl's watch sees every word";
}

}  // namespace
}  // namespace melko
