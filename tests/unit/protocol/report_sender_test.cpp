#include "protocol/report_sender.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "profiles/profile_store.h"
#include "protocol/settings_reports.h"

namespace melko {
namespace {

struct Written {
  LinkMode link;
  std::int64_t at;
  std::vector<std::uint8_t> bytes;
};

// "<link><time>" for `count` writes `step` ms apart from `from`: c cable, r receiver, b Bluetooth.
std::string Times(char link, std::int64_t from, std::int64_t step, int count) {
  std::string times;
  for (int i = 0; i < count; ++i) times += link + std::to_string(from + step * i) + " ";
  return times;
}

Report MacroReport() {
  ButtonAssignment button{};
  button.macro_actions[0] = {0x04, kMacroStepPress, 1500};
  button.macro_action_count = 1;
  return BuildMacroReport(4, button);
}

// The links up ("c" cable, "r" receiver with its mouse online, "s" asleep, "b" Bluetooth LE) and a
// sender on them. Sleeping moves the clock; the receiver's mouse acknowledges at ack_at.
struct Rig : ReportLinks, Clock, DebugLog {
  explicit Rig(std::string_view links) {
    state.wired_state = links.find('c') != links.npos ? kLinkConnected : kLinkRemoved;
    state.wireless_state = links.find_first_of("rs") != links.npos ? kLinkConnected : kLinkRemoved;
    state.wireless_online = links.find('s') == links.npos ? 1 : 0;
    state.ble_present = links.find('b') != links.npos ? 1 : 0;
    state.wireless_cancel = 1;  // left over from an earlier report: cleared before sending
  }
  std::int32_t WiredSetFeature(const std::uint8_t* bytes, std::int32_t length) override {
    return Record(LinkMode::kWired, bytes, length);
  }
  std::int32_t ReceiverSetFeature(const std::uint8_t* bytes, std::int32_t length) override {
    return Record(LinkMode::kWireless, bytes, length);
  }
  std::int32_t BleWrite(const std::uint8_t* bytes, std::int32_t length) override {
    return Record(LinkMode::kBle, bytes, length);
  }
  std::int64_t Now() override { return now; }
  void SleepFor(std::int64_t ms) override {
    now += ms;
    if (now == ack_at) state.wireless_cancel = 1;
  }
  void Write(std::string_view) override {}

  std::int32_t Record(LinkMode link, const std::uint8_t* bytes, std::int32_t length) {
    const auto earlier =
        std::count_if(writes.begin(), writes.end(), [&](auto& w) { return w.link == link; });
    writes.push_back({link, now, std::vector<std::uint8_t>(bytes, bytes + length)});
    return result(link, int(earlier));
  }
  std::string Writes() const {
    std::string text;
    for (const Written& write : writes)
      text += "crb"[int(write.link)] + std::to_string(write.at) + " ";
    return text;
  }

  LinkState state;
  std::int64_t now = 0;
  std::int64_t ack_at = -1;
  std::vector<Written> writes;
  // The result of a write, given its link and how many writes that link took before.
  std::function<std::int32_t(LinkMode, int)> result = [](LinkMode, int) { return 1; };
  ReportSender sender{state, *this, *this, *this};
};

constexpr auto Fails = [](LinkMode, int) { return std::int32_t{0}; };

TEST(ReportSenderTest, LinksPacingAndRepetition) {
  const Report light = BuildLightReport(*MakeDefaultProfile(u"P"));
  const Report rate = BuildRateReport(*MakeDefaultProfile(u"P"));
  const Report macro = MacroReport(), empty;
  // Name, links, report, a write's result by link and earlier writes, when the mouse's
  // acknowledgement comes (-1 never), the writes, the result and the clock after the send.
  using Case = std::tuple<const char*, const char*, const Report&,
                          std::function<std::int32_t(LinkMode, int)>, std::int64_t, std::string,
                          std::int32_t, std::int64_t>;
  const Case cases[] = {
      {"the cable goes first", "crb", light, nullptr, -1, "c0 ", 1, 500},
      // A failed cable write is final: no wait, no other link.
      {"failed cable write", "crb", light, Fails, -1, "c0 ", 0, 0},
      {"macro over the cable", "c", macro, nullptr, -1, "c0 c200 c400 ", 1, 1100},
      // No wait after the failed chunk: the receiver starts at once, 10 passes, 1000 ms a chunk.
      {"last cable chunk fails", "cr", macro,
       [](LinkMode link, int n) { return link == LinkMode::kWired && n == 2 ? 0 : 1; }, -1,
       "c0 c200 c400 " + Times('r', 400, 1000, 30), 1, 30900},
      {"first cable chunk fails", "cb", macro,
       [](LinkMode link, int n) { return link == LinkMode::kWired && n == 0 ? 0 : 1; }, -1,
       "c0 c0 c200 b400 ", 1, 900},  // 200 ms after each chunk that was written
      // Failed writes do not stop the repetition, and nothing waits after the last one.
      {"failed receiver writes", "r", light, Fails, -1, Times('r', 0, 500, 10), 0, 5000},
      {"macro over the receiver", "r", macro, nullptr, -1, Times('r', 0, 1000, 30), 1, 30500},
      // An acknowledgement during the second pass lets that pass finish and stops there.
      {"macro acknowledged in pass two", "r", macro, nullptr, 4000, Times('r', 0, 1000, 6), 1,
       6500},
      {"sleeping receiver", "s", light, nullptr, -1, "", 0, 0},
      {"sleeping receiver, Bluetooth", "sb", light, nullptr, -1, "b0 ", 1, 500},
      {"no rate over Bluetooth", "b", rate, nullptr, -1, "", 0, 0},
      {"failed Bluetooth write", "b", light, Fails, -1, "b0 ", 0, 0},
      {"no link", "", light, nullptr, -1, "", 0, 0},
      {"empty report", "c", empty, nullptr, -1, "", 0, 0},
  };
  for (const auto& [name, links, report, result, ack_at, writes, returned, end] : cases) {
    SCOPED_TRACE(name);
    Rig rig(links);
    if (result) rig.result = result;
    rig.ack_at = ack_at;
    EXPECT_EQ(rig.sender.SendReport(report), returned);
    EXPECT_EQ(rig.Writes(), writes);
    EXPECT_EQ(rig.now, end);
  }
}

// Over the receiver the last chunk of each pass is marked 0x0C (the cable's: the page test's macro;
// Bluetooth LE's single write: the melkoctl test in bluez_adapter_test).
TEST(ReportSenderTest, EachPassOverTheReceiverMarksItsLastChunk) {
  Rig radio("r");
  radio.sender.SendReport(MacroReport());
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(std::pair(int(radio.writes[i].bytes[1]), int(radio.writes[i].bytes[3])),
              std::pair(i % 3 == 2 ? 0x0C : 0x40, int(i % 3)));
  }
}

}  // namespace
}  // namespace melko
