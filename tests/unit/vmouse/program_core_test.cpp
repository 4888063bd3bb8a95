// The program's pieces that need no process: reading lines, commands and the command line,
// the library protocol's lines, and where the mouse sends each event.
#include <gtest/gtest.h>

#include "unit/vmouse/vmouse_test_support.h"
#include "vmouse/program/commands.h"
#include "vmouse/program/library_requests.h"
#include "vmouse/program/line_splitter.h"
#include "vmouse/program/options.h"
#include "vmouse/program/virtual_mouse.h"

namespace melko::vmouse {
namespace {

using Lines = std::vector<std::string>;

TEST(LineSplitterTest, LinesAcrossChunksAndOversizedLines) {
  LineSplitter splitter(4);
  auto feed = [&](std::string_view bytes) {
    Lines texts;
    for (const auto& line : splitter.Feed(bytes)) {
      texts.push_back(line.too_long ? "<too long>" : line.text);
    }
    return texts;
  };
  EXPECT_TRUE(feed("ab").empty());
  // Line ends go, a carriage return before one too; exactly at the bound is fine.
  EXPECT_EQ(feed("cd\r\nok\n\nfe"), (Lines{"abcd", "ok", ""}));
  EXPECT_EQ(feed("at\nabcd\r\n"), (Lines{"feat", "abcd"}));
  // Past the bound the client hears at once, without finishing the line; the rest of it is
  // dropped.
  EXPECT_EQ(feed("abcde"), Lines{"<too long>"});
  EXPECT_TRUE(feed(std::string(10000, 'x')).empty());
  EXPECT_EQ(feed("yy\nok\n"), Lines{"ok"});
  EXPECT_TRUE(feed("abcd\r").empty());
  EXPECT_EQ(feed("e\nok\n"), (Lines{"<too long>", "ok"}));
}

TEST(CommandParsingTest, EveryCommandWithItsArgument) {
  using enum CommandKind;
  // The line, its kind, on/off, and the number (the rate code for rate).
  const std::tuple<std::string_view, CommandKind, bool, int> cases[] = {
      {"cable on", kCable, true, 0},
      {"receiver off", kReceiver, false, 0},
      {"  awake   on ", kAwake, true, 0},
      {"ble\toff", kBle, false, 0},
      {"battery 0", kBattery, false, 0},
      {"battery 100", kBattery, false, 100},
      {"charging", kCharging, false, 0},
      {"charged", kCharged, false, 0},
      {"dpi-button", kDpiButton, false, 0},
      {"stage 8", kStage, false, 8},
      {"light-button", kLightButton, false, 0},
      {"light-mode 15", kLightMode, false, 15},
      {"rate 125", kRate, false, 8},
      {"rate 250", kRate, false, 4},
      {"rate 500", kRate, false, 2},
      {"rate 1000", kRate, false, 1},
      {"state", kState, false, 0},
      {"quit", kQuit, false, 0}};
  for (const auto& [line, kind, on, number] : cases) {
    SCOPED_TRACE(line);
    const ParsedCommand parsed = ParseCommand(line);
    ASSERT_TRUE(parsed.command) << parsed.error;
    EXPECT_EQ(parsed.command->kind, kind);
    EXPECT_EQ(parsed.command->on, on);
    EXPECT_EQ(parsed.command->number, number);
  }
  const auto after = ParseCommand("ack after=3");
  ASSERT_TRUE(after.command);
  EXPECT_EQ(after.command->ack.mode, AckMode::kAfterCopies);
  EXPECT_EQ(after.command->ack.copies, 3);
  EXPECT_EQ(ParseCommand("ack never").command->ack.mode, AckMode::kNever);
}

TEST(CommandParsingTest, MalformedCommandsSayWhatIsWrong) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"", "empty command"},
      {"   ", "empty command"},
      {"jump", "unknown command \"jump\""},
      {"Cable on", "unknown command"},
      {"cable", "cable takes one argument"},
      {"cable yes", "cable takes on or off"},
      {"cable on off", "cable takes one argument"},
      {"state now", "state takes no argument"},
      {"battery 101", "battery takes a number from 0 to 100"},
      {"battery -1", "battery takes a number from 0 to 100"},
      {"battery 99999999999999", "battery takes a number from 0 to 100"},
      {"stage 0", "stage takes a number from 1 to 8"},
      {"stage 9", "stage takes a number from 1 to 8"},
      {"light-mode 16", "light-mode takes a number from 0 to 15"},
      {"rate 300", "rate takes 125, 250, 500 or 1000"},
      {"ack sometimes", "ack takes always, never or after=N"},
      {"ack after=0", "ack takes always, never or after=N"},
      {"ack after=", "ack takes always, never or after=N"},
  };
  for (const auto& [line, reason] : cases) {
    SCOPED_TRACE(line);
    const ParsedCommand parsed = ParseCommand(line);
    EXPECT_FALSE(parsed.command);
    EXPECT_NE(parsed.error.find(reason), std::string::npos) << parsed.error;
  }
  // Control characters never reach an answer line as they are.
  EXPECT_EQ(ParseCommand("\x01\x1b[2J").error.find('\x1b'), std::string::npos);
}

TEST(OptionsTest, TheMouseAndTheCtlCommandLines) {
  // Every test of the real program runs the other options; "--name=value" is only seen here.
  const auto serve = ParseOptions({"--socket", "/tmp/m", "--log=/tmp/l"});
  ASSERT_TRUE(serve.options) << serve.error;
  EXPECT_EQ(serve.options->mode, Options::Mode::kServe);
  EXPECT_EQ(serve.options->log_path, "/tmp/l");
  const auto ctl = ParseOptions({"ctl", "--socket", "/tmp/m", "light-mode", "3"});
  ASSERT_TRUE(ctl.options) << ctl.error;
  EXPECT_EQ(ctl.options->mode, Options::Mode::kCtl);
  EXPECT_EQ(ctl.options->ctl_command, "light-mode 3");
  EXPECT_EQ(ParseOptions({"--help"}).options->mode, Options::Mode::kHelp);

  const std::pair<std::vector<std::string>, std::string_view> refused[] = {
      {{}, "--socket PATH is required"},
      {{"--cable"}, "--socket PATH is required"},
      {{"--socket"}, "--socket needs a value"},
      {{"--socket", "s", "--battery", "150"}, "--battery takes a level from 0 to 100"},
      {{"--socket", "s", "--ack", "maybe"}, "--ack takes always, never or after=N"},
      {{"--socket", "s", "--ble"}, "--ble needs --bluez-bus"},
      {{"--socket", "s", "--cable=yes"}, "--cable takes no value"},
      {{"--socket", "s", "--wings"}, "unknown argument --wings"},
      {{"ctl", "state"}, "ctl needs --socket PATH"},
      {{"ctl", "--socket", "s"}, "ctl needs a command"},
      {{"ctl", "--socket", "s", "--force", "quit"}, "ctl: unknown option --force"},
  };
  for (const auto& [args, reason] : refused) {
    SCOPED_TRACE(reason);
    const ParsedOptions parsed = ParseOptions(args);
    EXPECT_FALSE(parsed.options);
    EXPECT_NE(parsed.error.find(reason), std::string::npos) << parsed.error;
  }
}

// The requests a library makes, and the lines pushed back, are run over the real socket.
TEST(LibraryRequestTest, MalformedRequestsSayWhatIsWrong) {
  const std::pair<std::string_view, std::string_view> refused[] = {
      {"", "empty line"},
      {"hello", "hello takes wired or receiver"},
      {"hello bluetooth", "hello takes wired or receiver"},
      {"open 1", "open takes no argument"},
      {"close now", "close takes no argument"},
      {"feature", "feature needs the report as hex"},
      {"feature ", "feature needs the report as hex"},
      {"feature 0C0A", "lowercase hex"},
      {"feature 0c0", "even number"},
      {"feature 0c 0a", "lowercase hex"},
      {"feature zz", "lowercase hex"},
      {"FEATURE 00", "unknown request"},
      {" open", "unknown request"},
  };
  for (const auto& [line, reason] : refused) {
    SCOPED_TRACE(line);
    const ParsedRequest parsed = ParseLibraryRequest(line);
    EXPECT_FALSE(parsed.request);
    EXPECT_NE(parsed.error.find(reason), std::string::npos) << parsed.error;
  }
}

// The mouse with its devices, on a clock the test moves; everything it sends is recorded as
// lines: "<link> event ...", "<link> connect ...".
class MouseUnderTest : public MouseOutputs {
 public:
  MouseUnderTest(bool cable, bool receiver, bool awake, bool ble = false, int battery = 100)
      : mouse(
            *this, [this] { return now; },
            MouseSetup{cable, receiver, awake, ble, /*ble_available=*/true, battery, {}}) {}

  void SendEvent(Link link, std::uint16_t event_word, std::uint16_t value) override {
    lines.push_back(std::string(LinkName(link)) + " " + EventLine(event_word, value));
  }
  void Notify(std::uint16_t event_word, std::uint16_t value) override {
    lines.push_back("ble " + EventLine(event_word, value));
  }
  void DeviceChanged(Link link, bool present) override {
    lines.push_back(std::string(LinkName(link)) + " " + ConnectLine(present));
  }
  void Written(const WriteRecord& record) override { writes.push_back(record); }

  std::string Do(std::string_view command) { return mouse.Execute(command).text; }
  bool Write(Link link, std::string_view hex) { return mouse.Write(link, test::FromHex(hex)); }
  Lines Take() { return std::exchange(lines, {}); }
  // Moves the clock and ticks the way the program's timer does.
  void AdvanceTo(std::int64_t ms) {
    while (auto wait = mouse.MsUntilPower()) {
      if (now + *wait > ms) break;
      now += *wait;
      mouse.Tick();
    }
    now = ms;
  }

  std::int64_t now = 0;
  Lines lines;
  std::vector<WriteRecord> writes;
  VirtualMouse mouse;
};

TEST(VirtualMouseTest, WritesReachTheMouseOnlyOverADeviceThatIsThere) {
  MouseUnderTest m(false, false, true);
  EXPECT_FALSE(m.Write(Link::kWired, test::kDefaultLight));
  EXPECT_FALSE(m.Write(Link::kWireless, test::kDefaultLight));
  EXPECT_FALSE(m.Write(Link::kBle, test::kDefaultLight));
  EXPECT_TRUE(m.writes.empty());

  EXPECT_EQ(m.Do("cable on"), "ok");
  m.now = 1234;
  EXPECT_TRUE(m.Write(Link::kWired, test::kDefaultLight));
  EXPECT_TRUE(m.Write(Link::kWired, "05 0F 01"));
  ASSERT_EQ(m.writes.size(), 2u);
  EXPECT_EQ(m.writes[0].t_ms, 1234);
  EXPECT_TRUE(m.writes[0].valid);
  EXPECT_FALSE(m.writes[1].valid);
  EXPECT_EQ(m.mouse.firmware().settings().light_mode, 0);
  EXPECT_TRUE(m.mouse.firmware().log().empty());  // the program keeps no history
}

// When the mouse acknowledges is the firmware's business (firmware_test.cpp); where the answer
// goes is the program's.
TEST(VirtualMouseTest, AcknowledgementsGoToTheReceiverOnly) {
  MouseUnderTest m(true, true, true);
  m.Take();
  m.Write(Link::kWireless, test::kDefaultRate);
  m.Write(Link::kWired, test::kDefaultRate);
  EXPECT_EQ(m.Take(), Lines{"wireless event 5010 0600"});
}

TEST(VirtualMouseTest, AnAwakeMouseReportsPowerEveryTwoSecondsOverTheReceiver) {
  MouseUnderTest m(false, true, false);
  EXPECT_FALSE(m.mouse.MsUntilPower());  // asleep, no cable: nothing to send
  m.now = 500;
  m.Do("awake on");
  EXPECT_EQ(m.Take(), Lines{"wireless event 4010 6401"});
  EXPECT_EQ(m.mouse.MsUntilPower(), 2000);
  m.AdvanceTo(6600);
  EXPECT_EQ(m.Take(), Lines(3, "wireless event 4010 6401"));  // at 2.5, 4.5 and 6.5 s

  m.Do("receiver off");
  m.AdvanceTo(9000);
  EXPECT_EQ(m.Take(), Lines{"wireless connect 0"});
  m.Do("awake off");
  EXPECT_FALSE(m.mouse.MsUntilPower());
}

TEST(VirtualMouseTest, TheCableChargesTheMouseAndHearsItsPower) {
  MouseUnderTest m(false, true, false, false, 50);
  m.Do("cable on");
  // 0x32 = 50 %, state 3 charging; the sleeping mouse's receiver hears nothing.
  EXPECT_EQ(m.Take(), (Lines{"wired connect 1", "wired event 4010 3203"}));
  m.AdvanceTo(4100);
  EXPECT_EQ(m.Take(), Lines(2, "wired event 4010 3203"));

  m.Do("awake on");
  EXPECT_EQ(m.Take(), (Lines{"wireless event 4010 3203", "wired event 4010 3203"}));
  m.Do("charged");
  EXPECT_EQ(m.Take(), (Lines{"wireless event 4010 6402", "wired event 4010 6402"}));
  m.Do("battery 80");  // no longer full: charging again while plugged
  EXPECT_EQ(m.Take(), (Lines{"wireless event 4010 5003", "wired event 4010 5003"}));
  m.Do("cable off");
  EXPECT_EQ(m.Take(), (Lines{"wired connect 0", "wireless event 4010 5001"}));
  m.Do("cable off");  // no change, no news
  EXPECT_TRUE(m.Take().empty());

  MouseUnderTest full(false, false, false);
  full.Do("cable on");
  EXPECT_EQ(full.Take(), (Lines{"wired connect 1", "wired event 4010 6402"}));
}

TEST(VirtualMouseTest, ButtonEventsGoToTheReceiverWhenItHearsElseTheCable) {
  MouseUnderTest cable_only(true, false, true);
  cable_only.Take();
  cable_only.Do("dpi-button");
  cable_only.Do("light-mode 3");
  cable_only.Do("rate 500");
  EXPECT_EQ(cable_only.Take(),
            (Lines{"wired event 1010 0003", "wired event 7010 0030", "wired event 2010 0002"}));

  // Pressing a button wakes the mouse, which reports its power first.
  MouseUnderTest both(true, true, false);
  both.Take();
  both.Do("light-button");
  EXPECT_EQ(both.Take(), (Lines{"wireless event 4010 6402", "wired event 4010 6402",
                                "wireless event 7010 0010"}));
  both.Do("stage 7");
  EXPECT_EQ(both.Take(), Lines{"wireless event 1010 0007"});
}

TEST(VirtualMouseTest, BluetoothCarriesEveryEventWhileOn) {
  MouseUnderTest m(false, true, true, true);
  m.Take();
  m.Write(Link::kWireless, test::kDefaultLight);
  m.Do("stage 4");
  EXPECT_EQ(m.Take(), (Lines{"wireless event 5010 0500", "ble event 5010 0500",
                             "wireless event 1010 0004", "ble event 1010 0004"}));
  EXPECT_TRUE(m.Write(Link::kBle, test::kDefaultLight));
  EXPECT_EQ(m.writes.back().link, Link::kBle);
  EXPECT_TRUE(m.Take().empty());  // no acknowledgement over Bluetooth LE

  m.Do("ble off");
  m.Do("stage 5");
  EXPECT_EQ(m.Take(), (Lines{"ble connect 0", "wireless event 1010 0005"}));
  EXPECT_FALSE(m.Write(Link::kBle, test::kDefaultLight));
}

TEST(VirtualMouseTest, CommandAnswersAndState) {
  MouseUnderTest m(true, false, false, false, 30);
  EXPECT_EQ(m.Do("stage 12"), "error: stage takes a number from 1 to 8");
  EXPECT_EQ(m.Do("ack after=4"), "ok");
  EXPECT_TRUE(m.mouse.Execute("quit").quit);
  EXPECT_FALSE(m.mouse.Execute("state").quit);
  m.Do("rate 250");
  const std::string state = m.Do("state");
  EXPECT_EQ(state.front(), '{');
  EXPECT_EQ(state.back(), '}');
  EXPECT_EQ(state.find('\n'), std::string::npos);
  for (std::string_view part :
       {"\"rate_code\":4", "\"power\":{\"level\":30,\"source\":\"charging\"}", "\"asleep\":false",
        "\"devices\":{\"cable\":true,\"receiver\":false,\"ble\":false}", "\"ack\":\"after=4\""}) {
    EXPECT_NE(state.find(part), std::string::npos) << part << " in " << state;
  }
}

}  // namespace
}  // namespace melko::vmouse
