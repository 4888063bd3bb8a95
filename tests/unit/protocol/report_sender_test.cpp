#include "protocol/report_sender.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "protocol/settings_reports.h"
#include "report_bytes.h"

namespace melko {
namespace {

// Virtual time: sleeping only moves the clock, and a hook may act "during" the wait.
class FakeClock : public Clock {
 public:
  std::int64_t Now() override { return now; }
  void SleepFor(std::int64_t ms) override {
    now += ms;
    if (on_sleep) on_sleep();
  }
  std::int64_t now = 0;
  std::function<void()> on_sleep;
};

struct Write {
  LinkMode link;
  std::int64_t at;
  std::vector<std::uint8_t> bytes;
};

class FakeLinks : public ReportLinks {
 public:
  explicit FakeLinks(FakeClock& clock) : clock_(clock) {}
  std::int32_t WiredSetFeature(const std::uint8_t* bytes, std::int32_t length) override {
    return Record(LinkMode::kWired, bytes, length);
  }
  std::int32_t ReceiverSetFeature(const std::uint8_t* bytes, std::int32_t length) override {
    return Record(LinkMode::kWireless, bytes, length);
  }
  std::int32_t BleWrite(const std::uint8_t* bytes, std::int32_t length) override {
    return Record(LinkMode::kBle, bytes, length);
  }

  std::vector<Write> writes;
  // The result of a write, given its link and how many writes that link took before.
  std::function<std::int32_t(LinkMode, int)> result = [](LinkMode, int) { return 1; };

  std::vector<std::int64_t> TimesOn(LinkMode link) const {
    std::vector<std::int64_t> times;
    for (const Write& write : writes) {
      if (write.link == link) times.push_back(write.at);
    }
    return times;
  }

 private:
  std::int32_t Record(LinkMode link, const std::uint8_t* bytes, std::int32_t length) {
    const int earlier = int(TimesOn(link).size());
    writes.push_back({link, clock_.now, std::vector<std::uint8_t>(bytes, bytes + length)});
    return result(link, earlier);
  }
  FakeClock& clock_;
};

struct RecordingLog : DebugLog {
  void Write(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

std::vector<std::int64_t> Every(std::int64_t step, int count, std::int64_t from = 0) {
  std::vector<std::int64_t> times;
  for (int i = 0; i < count; ++i) times.push_back(from + step * i);
  return times;
}

class ReportSenderTest : public testing::Test {
 protected:
  void CableUp() { state.wired_state = kLinkConnected; }
  void ReceiverUp(int online = 1) {
    state.wireless_state = kLinkConnected;
    state.wireless_online = online;
  }

  const ProfileRecord record = test::DefaultRecord();
  const Report light = BuildLightReport(record);
  const Report rate = BuildRateReport(record);
  const Report macro = BuildMacroReport(4, [] {
    ButtonAssignment button{};
    button.macro_actions[0] = {0x04, kMacroStepPress, 1500};
    button.macro_action_count = 1;
    return button;
  }());

  LinkState state;
  FakeClock clock;
  FakeLinks links{clock};
  RecordingLog log;
  ReportSender sender{state, links, clock, log};
};

TEST_F(ReportSenderTest, CableTakesEveryReportWhenBothLibraryLinksAreUp) {
  CableUp();
  ReceiverUp();
  EXPECT_EQ(sender.SendReport(light), 1);
  ASSERT_EQ(links.writes.size(), 1u);
  EXPECT_EQ(links.writes[0].link, LinkMode::kWired);
  EXPECT_EQ(links.writes[0].bytes, light);
  EXPECT_EQ(clock.now, 500);

  // A failed cable write is final: no wait, no other link.
  links.result = [](LinkMode, int) { return 0; };
  EXPECT_EQ(sender.SendReport(light), 0);
  EXPECT_EQ(links.writes.size(), 2u);
  EXPECT_EQ(clock.now, 500);
}

TEST_F(ReportSenderTest, MacroOverCableGoesInThreePacedChunks) {
  CableUp();
  EXPECT_EQ(sender.SendReport(macro), 1);
  EXPECT_EQ(links.TimesOn(LinkMode::kWired), (std::vector<std::int64_t>{0, 200, 400}));
  EXPECT_EQ(clock.now, 400 + 200 + 500);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(links.writes[i].bytes.size(), 64u);
    EXPECT_EQ(links.writes[i].bytes[1], 0x40);
    EXPECT_EQ(links.writes[i].bytes[2], 4);  // the button number
  }
}

TEST_F(ReportSenderTest, FailedLastCableChunkHandsTheMacroToTheReceiver) {
  CableUp();
  ReceiverUp();
  links.result = [](LinkMode link, int n) { return link == LinkMode::kWired && n == 2 ? 0 : 1; };
  EXPECT_EQ(sender.SendReport(macro), 1);
  EXPECT_EQ(links.TimesOn(LinkMode::kWired), (std::vector<std::int64_t>{0, 200, 400}));
  // No wait after the failed chunk: the receiver starts at once, 10 passes, 1000 ms per chunk.
  EXPECT_EQ(links.TimesOn(LinkMode::kWireless), Every(1000, 30, 400));
  EXPECT_EQ(clock.now, 400 + 30000 + 500);
  EXPECT_EQ(links.writes[3].bytes[1], 0x40);
  EXPECT_EQ(links.writes[5].bytes[1], 0x0C);
  EXPECT_EQ(links.writes[5].bytes, links.writes.back().bytes);
}

TEST_F(ReportSenderTest, AnyFailedCableChunkHandsTheMacroOnToBluetooth) {
  CableUp();
  state.ble_present = 1;
  links.result = [](LinkMode link, int n) { return link == LinkMode::kWired && n == 0 ? 0 : 1; };
  EXPECT_EQ(sender.SendReport(macro), 1);
  ASSERT_EQ(links.writes.size(), 4u);
  EXPECT_EQ(links.writes[3].link, LinkMode::kBle);
  EXPECT_EQ(links.writes[3].bytes, macro);  // whole, in one write
  EXPECT_EQ(links.writes[3].at, 400);       // chunks 1 and 2 each waited 200 ms
}

TEST_F(ReportSenderTest, ReceiverRepeatsTenTimesWithoutAcknowledgement) {
  ReceiverUp();
  state.wireless_cancel = 1;  // left over from an earlier report: cleared before sending
  EXPECT_EQ(sender.SendReport(light), 1);
  EXPECT_EQ(links.TimesOn(LinkMode::kWireless), Every(500, 10));
  EXPECT_EQ(clock.now, 5000 + 500);
  EXPECT_EQ(log.lines, std::vector<std::string>(10, "Wireless Send = 1"));

  // Failed writes do not stop the repetition, and nothing waits after the last one.
  links.writes.clear();
  log.lines.clear();
  clock.now = 0;
  links.result = [](LinkMode, int) { return 0; };
  EXPECT_EQ(sender.SendReport(light), 0);
  EXPECT_EQ(links.TimesOn(LinkMode::kWireless).size(), 10u);
  EXPECT_EQ(clock.now, 5000);
  EXPECT_EQ(log.lines.back(), "Wireless Send = 0");
}

TEST_F(ReportSenderTest, AcknowledgementDuringTheFirstWaitStopsAfterOneWrite) {
  ReceiverUp();
  clock.on_sleep = [&] { state.wireless_cancel = 1; };
  EXPECT_EQ(sender.SendReport(light), 1);
  EXPECT_EQ(links.writes.size(), 1u);
  EXPECT_EQ(clock.now, 500 + 500);
}

TEST_F(ReportSenderTest, MacroOverReceiverRepeatsWholePasses) {
  ReceiverUp();
  EXPECT_EQ(sender.SendReport(macro), 1);
  EXPECT_EQ(links.TimesOn(LinkMode::kWireless), Every(1000, 30));
  EXPECT_EQ(clock.now, 30000 + 500);
  EXPECT_TRUE(log.lines.empty());
  const std::uint8_t kByte1[] = {0x40, 0x40, 0x0C};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(links.writes[i].bytes[1], kByte1[i]);
    EXPECT_EQ(links.writes[i].bytes[3], i);
  }

  // An acknowledgement during the second pass lets that pass finish and stops there.
  links.writes.clear();
  clock.now = 0;
  clock.on_sleep = [&] {
    if (clock.now == 4000) state.wireless_cancel = 1;
  };
  sender.SendReport(macro);
  EXPECT_EQ(links.writes.size(), 6u);
}

TEST_F(ReportSenderTest, SleepingReceiverIsSkipped) {
  ReceiverUp(/*online=*/0);
  EXPECT_EQ(sender.SendReport(light), 0);
  EXPECT_TRUE(links.writes.empty());

  state.ble_present = 1;
  EXPECT_EQ(sender.SendReport(light), 1);
  ASSERT_EQ(links.writes.size(), 1u);
  EXPECT_EQ(links.writes[0].link, LinkMode::kBle);
  EXPECT_EQ(clock.now, 500);
}

TEST_F(ReportSenderTest, BluetoothNeverTakesThePollingRate) {
  state.ble_present = 1;
  EXPECT_EQ(sender.SendReport(rate), 0);
  EXPECT_TRUE(links.writes.empty());
  EXPECT_EQ(clock.now, 0);

  links.result = [](LinkMode, int) { return 0; };  // a failed write is not waited for
  EXPECT_EQ(sender.SendReport(light), 0);
  EXPECT_EQ(links.writes.size(), 1u);
  EXPECT_EQ(clock.now, 0);
}

TEST_F(ReportSenderTest, NothingIsWrittenWithoutALink) {
  state.wired_state = kLinkRemoved;
  state.wireless_state = kLinkRemoved;
  state.wireless_online = 1;
  EXPECT_EQ(sender.SendReport(light), 0);
  CableUp();
  EXPECT_EQ(sender.SendReport(Report{}), 0);
  EXPECT_TRUE(links.writes.empty());
  EXPECT_EQ(clock.now, 0);
}

}  // namespace
}  // namespace melko
