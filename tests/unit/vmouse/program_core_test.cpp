// The program's pieces that need no process: commands and the library protocol's requests, and
// where the mouse sends the events the cable hears.
#include <gtest/gtest.h>

#include "unit/vmouse/vmouse_test_support.h"
#include "vmouse/program/commands.h"
#include "vmouse/program/library_requests.h"
#include "vmouse/program/virtual_mouse.h"

namespace melko::vmouse {
namespace {

using Lines = std::vector<std::string>;

TEST(CommandParsingTest, ArgumentsAndWhatIsWrongWithThem) {
  using enum CommandKind;
  // The line, its kind, on/off, and the number (the rate code for rate).
  const std::tuple<std::string_view, CommandKind, bool, int> parsed[] = {
      {"  awake   on ", kAwake, true, 0}, {"ble\toff", kBle, false, 0},
      {"battery 0", kBattery, false, 0},  {"battery 100", kBattery, false, 100},
      {"stage 8", kStage, false, 8},      {"light-mode 15", kLightMode, false, 15},
      {"rate 125", kRate, false, 8},      {"rate 250", kRate, false, 4},
      {"rate 500", kRate, false, 2},      {"rate 1000", kRate, false, 1}};
  for (const auto& [line, kind, on, number] : parsed) {
    const ParsedCommand command = ParseCommand(line);
    ASSERT_TRUE(command.command) << line << ": " << command.error;
    EXPECT_EQ(command.command->kind, kind) << line;
    EXPECT_EQ(command.command->on, on) << line;
    EXPECT_EQ(command.command->number, number) << line;
  }
  const auto after = ParseCommand("ack after=3");
  ASSERT_TRUE(after.command);
  EXPECT_EQ(after.command->ack.mode, AckMode::kAfterCopies);
  EXPECT_EQ(after.command->ack.copies, 3);

  const std::pair<std::string_view, std::string_view> refused[] = {
      {"   ", "empty command"},
      {"Cable on", "unknown command \"Cable\""},
      {"ack after=0", "ack takes always, never or after=N"},
  };
  for (const auto& [line, reason] : refused) {
    const ParsedCommand command = ParseCommand(line);
    EXPECT_FALSE(command.command) << line;
    EXPECT_NE(command.error.find(reason), std::string::npos) << line << ": " << command.error;
  }
  // Control characters never reach an answer line as they are.
  EXPECT_EQ(ParseCommand("\x01\x1b[2J").error.find('\x1b'), std::string::npos);
}

TEST(LibraryRequestTest, MalformedRequestsSayWhatIsWrong) {
  const std::pair<std::string_view, std::string_view> refused[] = {
      {"", "empty line"},
      {"hello bluetooth", "hello takes wired or receiver"},
      {"open 1", "open takes no argument"},
      {"feature ", "feature needs the report as hex"},
      {"feature 0C0A", "lowercase hex"},
      {"feature 0c0", "even number"},
      {"FEATURE 00", "unknown request"},
      {" open", "unknown request"},
  };
  for (const auto& [line, reason] : refused) {
    const ParsedRequest parsed = ParseLibraryRequest(line);
    EXPECT_FALSE(parsed.request) << line;
    EXPECT_NE(parsed.error.find(reason), std::string::npos) << line << ": " << parsed.error;
  }
}

// The mouse with its devices, on a clock the test moves; everything it sends is recorded as
// lines: "<link> event ...", "<link> connect ...".
class MouseUnderTest : public MouseOutputs {
 public:
  explicit MouseUnderTest(const MouseSetup& setup)
      : mouse(
            *this, [this] { return now; }, setup) {}

  void SendEvent(Link link, std::uint16_t event_word, std::uint16_t value) override {
    lines.push_back(std::string(LinkName(link)) + " " + EventLine(event_word, value));
  }
  void Notify(std::uint16_t event_word, std::uint16_t value) override {
    lines.push_back("ble " + EventLine(event_word, value));
  }
  void DeviceChanged(Link link, bool present) override {
    lines.push_back(std::string(LinkName(link)) + " " + ConnectLine(present));
  }
  void Written(const WriteRecord&) override {}

  // Each step and the lines the mouse sent because of it. A step is a command, "at MS" (the clock
  // moves on, ticking as the program's timer does) or "write" (the default light report over the
  // cable).
  void Expect(const std::vector<std::pair<std::string, Lines>>& steps) {
    lines.clear();
    for (const auto& [step, sent] : steps) {
      if (step.starts_with("at ")) {
        AdvanceTo(std::stoll(step.substr(3)));
      } else if (step == "write") {
        EXPECT_TRUE(mouse.Write(Link::kWired, test::FromHex(test::kDefaultLight)));
      } else {
        EXPECT_EQ(mouse.Execute(step).text, "ok") << step;
      }
      EXPECT_EQ(std::exchange(lines, {}), sent) << step;
    }
  }

 private:
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
  VirtualMouse mouse;
};

// Where acknowledgements, the receiver's power and button events, and Bluetooth LE's
// notifications go is run by the integration and BlueZ tests; here the cable beside the receiver.
TEST(VirtualMouseTest, TheCableChargesTheMouseAndHearsWhatTheReceiverCannot) {
  MouseUnderTest m({.receiver = true, .battery = 50, .ack = {}});
  // Plugged, the mouse charges and says so (0x32 = 50 %, state 3 charging).
  m.Expect({{"cable on", {"wired connect 1", "wired event 4010 3203"}},
            {"at 4100", Lines(2, "wired event 4010 3203")},
            {"write", {}},    // acknowledged over the receiver only
            {"light-button",  // wakes the mouse: its power comes first
             {"wireless event 4010 3203", "wired event 4010 3203", "wireless event 7010 0010"}},
            {"charged", {"wireless event 4010 6402", "wired event 4010 6402"}},
            {"battery 80", {"wireless event 4010 5003", "wired event 4010 5003"}},
            {"receiver off", {"wireless connect 0"}},
            {"stage 7", {"wired event 1010 0007"}},
            {"cable off", {"wired connect 0"}},
            {"cable off", {}}});
}

}  // namespace
}  // namespace melko::vmouse
