// The program's plain parts: reading lines, commands and the command line, the library
// protocol's lines, and where the mouse sends each event.
#include <gtest/gtest.h>

#include "unit/vmouse/vmouse_test_support.h"
#include "vmouse/program/commands.h"
#include "vmouse/program/library_requests.h"
#include "vmouse/program/line_splitter.h"
#include "vmouse/program/options.h"
#include "vmouse/program/virtual_mouse.h"

namespace melko::vmouse {
namespace {

std::vector<std::string> Texts(const std::vector<InputLine>& lines) {
  std::vector<std::string> texts;
  for (const auto& line : lines) texts.push_back(line.too_long ? "<too long>" : line.text);
  return texts;
}

TEST(LineSplitterTest, LinesAcrossChunksLoseTheirLineEnds) {
  LineSplitter splitter(16);
  EXPECT_TRUE(splitter.Feed("hel").empty());
  EXPECT_EQ(Texts(splitter.Feed("lo wired\r\nopen\n\nfeat")),
            (std::vector<std::string>{"hello wired", "open", ""}));
  EXPECT_EQ(Texts(splitter.Feed("ure 00\n")), (std::vector<std::string>{"feature 00"}));
}

TEST(LineSplitterTest, AnOversizedLineIsReportedOnceAndSkipped) {
  LineSplitter splitter(4);
  // Exactly at the bound, with or without a carriage return, is fine.
  EXPECT_EQ(Texts(splitter.Feed("abcd\nabcd\r\n")), (std::vector<std::string>{"abcd", "abcd"}));
  // Past it the client hears at once, without finishing the line; the rest of it is dropped.
  EXPECT_EQ(Texts(splitter.Feed("abcde")), (std::vector<std::string>{"<too long>"}));
  EXPECT_TRUE(splitter.Feed(std::string(10000, 'x')).empty());
  EXPECT_EQ(Texts(splitter.Feed("yy\nok\n")), (std::vector<std::string>{"ok"}));
  EXPECT_EQ(Texts(splitter.Feed("abcd\r")), std::vector<std::string>{});
  EXPECT_EQ(Texts(splitter.Feed("e\nok\n")), (std::vector<std::string>{"<too long>", "ok"}));
}

TEST(CommandParsingTest, EveryCommandWithItsArgument) {
  struct Case {
    std::string_view line;
    CommandKind kind;
    bool on;
    int number;
  };
  const Case cases[] = {
      {"cable on", CommandKind::kCable, true, 0},
      {"receiver off", CommandKind::kReceiver, false, 0},
      {"  awake   on ", CommandKind::kAwake, true, 0},
      {"ble\toff", CommandKind::kBle, false, 0},
      {"battery 0", CommandKind::kBattery, false, 0},
      {"battery 100", CommandKind::kBattery, false, 100},
      {"charging", CommandKind::kCharging, false, 0},
      {"charged", CommandKind::kCharged, false, 0},
      {"dpi-button", CommandKind::kDpiButton, false, 0},
      {"stage 8", CommandKind::kStage, false, 8},
      {"light-button", CommandKind::kLightButton, false, 0},
      {"light-mode 15", CommandKind::kLightMode, false, 15},
      {"rate 125", CommandKind::kRate, false, 8},
      {"rate 250", CommandKind::kRate, false, 4},
      {"rate 500", CommandKind::kRate, false, 2},
      {"rate 1000", CommandKind::kRate, false, 1},
      {"state", CommandKind::kState, false, 0},
      {"quit", CommandKind::kQuit, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const ParsedCommand parsed = ParseCommand(c.line);
    ASSERT_TRUE(parsed.command) << parsed.error;
    EXPECT_EQ(parsed.command->kind, c.kind);
    EXPECT_EQ(parsed.command->on, c.on);
    EXPECT_EQ(parsed.command->number, c.number);
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
  const auto serve = ParseOptions({"--socket", "/tmp/m", "--log=/tmp/l", "--bluez-bus",
                                   "unix:path=/tmp/b", "--cable", "--receiver", "--awake", "--ble",
                                   "--battery", "42", "--ack", "after=2"});
  ASSERT_TRUE(serve.options) << serve.error;
  const Options& o = *serve.options;
  EXPECT_EQ(o.mode, Options::Mode::kServe);
  EXPECT_EQ(o.socket_path, "/tmp/m");
  EXPECT_EQ(o.log_path, "/tmp/l");
  EXPECT_EQ(o.bluez_bus, "unix:path=/tmp/b");
  EXPECT_TRUE(o.cable && o.receiver && o.awake && o.ble);
  EXPECT_EQ(o.battery, 42);
  EXPECT_EQ(o.ack.mode, AckMode::kAfterCopies);
  EXPECT_EQ(o.ack.copies, 2);
  EXPECT_EQ(ControlSocketPath(o.socket_path), "/tmp/m.ctl");

  const auto ctl = ParseOptions({"ctl", "--socket", "/tmp/m", "light-mode", "3"});
  ASSERT_TRUE(ctl.options) << ctl.error;
  EXPECT_EQ(ctl.options->mode, Options::Mode::kCtl);
  EXPECT_EQ(ctl.options->ctl_command, "light-mode 3");
  EXPECT_EQ(ParseOptions({"--help"}).options->mode, Options::Mode::kHelp);
}

TEST(OptionsTest, BadCommandLinesAreRefused) {
  const std::pair<std::vector<std::string>, std::string_view> cases[] = {
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
  for (const auto& [args, reason] : cases) {
    SCOPED_TRACE(reason);
    const ParsedOptions parsed = ParseOptions(args);
    EXPECT_FALSE(parsed.options);
    EXPECT_NE(parsed.error.find(reason), std::string::npos) << parsed.error;
  }
}

TEST(LibraryRequestTest, RequestsAndTheLinesPushedBack) {
  EXPECT_EQ(ParseLibraryRequest("hello wired").request->link, Link::kWired);
  EXPECT_EQ(ParseLibraryRequest("hello receiver").request->link, Link::kWireless);
  EXPECT_EQ(ParseLibraryRequest("open").request->kind, RequestKind::kOpen);
  EXPECT_EQ(ParseLibraryRequest("close").request->kind, RequestKind::kClose);
  const auto feature = ParseLibraryRequest("feature 0c0aff");
  ASSERT_TRUE(feature.request);
  EXPECT_EQ(feature.request->kind, RequestKind::kFeature);
  EXPECT_EQ(feature.request->bytes, (std::vector<std::uint8_t>{0x0c, 0x0a, 0xff}));

  EXPECT_EQ(EventLine(0x4010, 0x6403), "event 4010 6403");
  EXPECT_EQ(EventLine(0x1010, 0x0002), "event 1010 0002");
  EXPECT_EQ(ConnectLine(true), "connect 1");
  EXPECT_EQ(OpenLine(false), "open 0");
  EXPECT_EQ(ResultLine(true), "result 1");
}

TEST(LibraryRequestTest, MalformedRequestsAreRefused) {
  const std::pair<std::string_view, std::string_view> cases[] = {
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
  for (const auto& [line, reason] : cases) {
    SCOPED_TRACE(line);
    const ParsedRequest parsed = ParseLibraryRequest(line);
    EXPECT_FALSE(parsed.request);
    EXPECT_NE(parsed.error.find(reason), std::string::npos) << parsed.error;
  }
}

// Everything the mouse sends, as lines: "<link> event ...", "<link> connect ...".
class Recorder : public MouseOutputs {
 public:
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

  std::vector<std::string> Take() { return std::exchange(lines, {}); }

  std::vector<std::string> lines;
  std::vector<WriteRecord> writes;
};

using Lines = std::vector<std::string>;

struct MouseUnderTest {
  explicit MouseUnderTest(MouseSetup setup)
      : mouse(
            out, [this] { return now; }, setup) {}

  std::string Do(std::string_view command) { return mouse.Execute(command).text; }
  bool Write(Link link, std::string_view hex) { return mouse.Write(link, test::FromHex(hex)); }
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
  Recorder out;
  VirtualMouse mouse;
};

MouseSetup Devices(bool cable, bool receiver, bool awake, bool ble = false, int battery = 100) {
  MouseSetup setup;
  setup.cable = cable;
  setup.receiver = receiver;
  setup.awake = awake;
  setup.ble = ble;
  setup.ble_available = true;
  setup.battery = battery;
  return setup;
}

TEST(VirtualMouseTest, WritesReachTheMouseOnlyOverADeviceThatIsThere) {
  MouseUnderTest m(Devices(false, false, true));
  EXPECT_FALSE(m.Write(Link::kWired, test::kDefaultLight));
  EXPECT_FALSE(m.Write(Link::kWireless, test::kDefaultLight));
  EXPECT_FALSE(m.Write(Link::kBle, test::kDefaultLight));
  EXPECT_TRUE(m.out.writes.empty());

  EXPECT_EQ(m.Do("cable on"), "ok");
  m.now = 1234;
  EXPECT_TRUE(m.Write(Link::kWired, test::kDefaultLight));
  EXPECT_TRUE(m.Write(Link::kWired, "05 0F 01"));
  ASSERT_EQ(m.out.writes.size(), 2u);
  EXPECT_EQ(m.out.writes[0].t_ms, 1234);
  EXPECT_TRUE(m.out.writes[0].valid);
  EXPECT_FALSE(m.out.writes[1].valid);
  EXPECT_EQ(m.mouse.firmware().settings().light_mode, 0);
  EXPECT_TRUE(m.mouse.firmware().log().empty());  // the program keeps no history
}

TEST(VirtualMouseTest, AcknowledgementsGoToTheReceiverOnly) {
  MouseUnderTest m(Devices(true, true, true));
  m.out.Take();
  m.Write(Link::kWireless, test::kDefaultRate);
  m.Write(Link::kWired, test::kDefaultRate);
  EXPECT_EQ(m.out.Take(), Lines{"wireless event 5010 0600"});

  // Asleep, the mouse never hears the receiver: the write is logged and left unanswered.
  m.Do("awake off");
  m.Write(Link::kWireless, test::kDefaultRate);
  EXPECT_TRUE(m.out.Take().empty());
  EXPECT_NE(m.out.writes.back().reason.find("asleep"), std::string::npos);

  m.Do("awake on");
  m.Do("ack never");
  m.out.Take();
  m.Write(Link::kWireless, test::kDefaultRate);
  EXPECT_TRUE(m.out.Take().empty());
}

TEST(VirtualMouseTest, AnAwakeMouseReportsPowerEveryTwoSecondsOverTheReceiver) {
  MouseUnderTest m(Devices(false, true, false));
  EXPECT_FALSE(m.mouse.MsUntilPower());  // asleep, no cable: nothing to send
  m.now = 500;
  m.Do("awake on");
  EXPECT_EQ(m.out.Take(), Lines{"wireless event 4010 6401"});
  EXPECT_EQ(m.mouse.MsUntilPower(), 2000);
  m.AdvanceTo(6600);
  EXPECT_EQ(m.out.Take(), Lines(3, "wireless event 4010 6401"));  // at 2.5, 4.5 and 6.5 s

  m.Do("receiver off");
  m.AdvanceTo(9000);
  EXPECT_EQ(m.out.Take(), Lines{"wireless connect 0"});
  m.Do("awake off");
  EXPECT_FALSE(m.mouse.MsUntilPower());
}

TEST(VirtualMouseTest, TheCableChargesTheMouseAndHearsItsPower) {
  MouseUnderTest m(Devices(false, true, false, false, 50));
  m.Do("cable on");
  // 0x32 = 50 %, state 3 charging; the sleeping mouse's receiver hears nothing.
  EXPECT_EQ(m.out.Take(), (Lines{"wired connect 1", "wired event 4010 3203"}));
  m.AdvanceTo(4100);
  EXPECT_EQ(m.out.Take(), Lines(2, "wired event 4010 3203"));

  m.Do("awake on");
  EXPECT_EQ(m.out.Take(), (Lines{"wireless event 4010 3203", "wired event 4010 3203"}));
  m.Do("charged");
  EXPECT_EQ(m.out.Take(), (Lines{"wireless event 4010 6402", "wired event 4010 6402"}));
  m.Do("battery 80");  // no longer full: charging again while plugged
  EXPECT_EQ(m.out.Take(), (Lines{"wireless event 4010 5003", "wired event 4010 5003"}));
  m.Do("cable off");
  EXPECT_EQ(m.out.Take(), (Lines{"wired connect 0", "wireless event 4010 5001"}));
  m.Do("cable off");  // no change, no news
  EXPECT_TRUE(m.out.Take().empty());

  MouseUnderTest full(Devices(false, false, false));
  full.Do("cable on");
  EXPECT_EQ(full.out.Take(), (Lines{"wired connect 1", "wired event 4010 6402"}));
}

TEST(VirtualMouseTest, ButtonEventsGoToTheReceiverWhenItHearsElseTheCable) {
  MouseUnderTest cable_only(Devices(true, false, true));
  cable_only.out.Take();
  cable_only.Do("dpi-button");
  cable_only.Do("light-mode 3");
  cable_only.Do("rate 500");
  EXPECT_EQ(cable_only.out.Take(),
            (Lines{"wired event 1010 0003", "wired event 7010 0030", "wired event 2010 0002"}));

  // Pressing a button wakes the mouse, which reports its power first.
  MouseUnderTest both(Devices(true, true, false));
  both.out.Take();
  both.Do("light-button");
  EXPECT_EQ(both.out.Take(), (Lines{"wireless event 4010 6402", "wired event 4010 6402",
                                    "wireless event 7010 0010"}));
  both.Do("stage 7");
  EXPECT_EQ(both.out.Take(), Lines{"wireless event 1010 0007"});
}

TEST(VirtualMouseTest, BluetoothCarriesEveryEventWhileOn) {
  MouseUnderTest m(Devices(false, true, true, true));
  m.out.Take();
  m.Write(Link::kWireless, test::kDefaultLight);
  m.Do("stage 4");
  EXPECT_EQ(m.out.Take(), (Lines{"wireless event 5010 0500", "ble event 5010 0500",
                                 "wireless event 1010 0004", "ble event 1010 0004"}));
  EXPECT_TRUE(m.Write(Link::kBle, test::kDefaultLight));
  EXPECT_EQ(m.out.writes.back().link, Link::kBle);
  EXPECT_TRUE(m.out.Take().empty());  // no acknowledgement over Bluetooth LE

  m.Do("ble off");
  m.Do("stage 5");
  EXPECT_EQ(m.out.Take(), (Lines{"ble connect 0", "wireless event 1010 0005"}));
  EXPECT_FALSE(m.Write(Link::kBle, test::kDefaultLight));

  MouseUnderTest no_bus(MouseSetup{});
  EXPECT_EQ(no_bus.Do("ble on"), "error: Bluetooth LE needs the program started with --bluez-bus");
}

TEST(VirtualMouseTest, CommandAnswersAndState) {
  MouseUnderTest m(Devices(true, false, false, false, 30));
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
