// The melko-vmouse program: its pieces that need no process (commands, the library protocol's
// requests, where the mouse sends the events the cable hears), and the real binary over its
// library socket, where the driver libraries depend on it: every malformed or oversized request
// gets its one answer and the connection lives, clients that vanish leave the others served, and
// devices coming and going reach each connection of their link. What the conversation carries is
// proven by the integration tests.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "support/vmouse_process.h"
#include "unit/vmouse/vmouse_test_support.h"
#include "vmouse/program/commands.h"
#include "vmouse/program/library_requests.h"
#include "vmouse/program/virtual_mouse.h"
#include "vmouse/report_checks.h"

namespace melko::vmouse {
namespace {

using namespace test;
using ::melko::testing::VmouseProcess;

std::string FeatureLine(std::string_view spaced_hex) {
  return "feature " + HexBytes(FromHex(spaced_hex));
}

// A connection to the mouse's library socket. The mouse reports its power every 2 s on its own
// while the cable is in or it is awake; Next() passes over those reports, so that a slow run sees
// the same conversation.
class Connection {
 public:
  explicit Connection(const VmouseProcess& mouse) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    mouse.socket_path().copy(address.sun_path, sizeof address.sun_path - 1);
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      reader_ = ::melko::testing::LineReader(fd_);
    }
  }
  // Said hello over `link` ("wired" or "receiver") and the mouse took it.
  Connection(const VmouseProcess& mouse, std::string_view link) : Connection(mouse) {
    hello_ = Ask("hello " + std::string(link)) == "ok";
  }
  ~Connection() { ::close(fd_); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  explicit operator bool() const { return hello_; }

  void SendRaw(std::string_view bytes) {
    [[maybe_unused]] const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  }
  std::string Ask(std::string_view request) {
    SendRaw(std::string(request) + "\n");
    return Next();
  }
  // The next line that is not a power event.
  std::string Next() {
    for (;;) {
      const auto line = reader_.ReadLine(3000);
      if (!line) return "(nothing)";
      if (!line->starts_with("event 4010 ")) return *line;
    }
  }
  bool WaitForClose() { return reader_.WaitForEnd(3000); }

 private:
  int fd_ = -1;
  bool hello_ = false;
  ::melko::testing::LineReader reader_;
};

TEST(LibrarySocketTest, MalformedAndOversizedRequestsAreAnsweredAndTheConnectionLives) {
  VmouseProcess mouse({"--cable"});
  Connection wired(mouse, "wired");
  ASSERT_TRUE(wired) << mouse.errors();
  // Each refusal is its request's one answer (LibraryRequestTest has them all).
  EXPECT_EQ(wired.Ask("fly"), "error: unknown request (hello, open, close or feature)");
  EXPECT_EQ(wired.Ask(""), "error: empty line");
  EXPECT_EQ(wired.Ask("hello receiver"), "error: hello was already said");
  // An endless line is refused as soon as it is too long, before its newline comes.
  wired.SendRaw("feature " + std::string(5000, 'a'));
  EXPECT_EQ(wired.Next(), "error: line longer than 1024 bytes");
  wired.SendRaw(std::string(100000, 'b') + "\n");
  // Not opened, nothing is written; a frame the firmware rejects was still written.
  EXPECT_EQ(wired.Ask(FeatureLine(kReset)), "result 0");
  EXPECT_EQ(wired.Ask("open"), "open 1");
  EXPECT_EQ(wired.Ask("feature 050f01"), "result 1");
  const auto log = mouse.LogLines();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("\"hex\":\"050f01\",\"valid\":false"), std::string::npos) << log[0];

  // Only a bad first line, however long, ends the connection.
  for (const std::string& first : {std::string("hello mouse\n"), std::string(3000, 'h')}) {
    Connection connection(mouse);
    connection.SendRaw(first);
    EXPECT_EQ(connection.Next(), "error: the first line must be hello wired or hello receiver");
    EXPECT_TRUE(connection.WaitForClose());
  }
}

TEST(LibrarySocketTest, ClientsThatVanishLeaveTheOthersServed) {
  VmouseProcess mouse({"--receiver", "--awake"});
  {
    Connection gone(mouse, "receiver");
    ASSERT_TRUE(gone);
    gone.Ask("open");
    gone.SendRaw("feature 0c0a");  // half a line, then the client is gone
    Connection silent(mouse);      // never says hello
  }
  Connection receiver(mouse, "receiver");
  ASSERT_TRUE(receiver);
  EXPECT_EQ(receiver.Ask("open"), "open 1");
  EXPECT_EQ(mouse.Command("dpi-button"), "ok");
  EXPECT_EQ(receiver.Next(), "event 1010 0003");
  EXPECT_TRUE(mouse.LogLines().empty());
  EXPECT_TRUE(mouse.process().running());
}

TEST(LibrarySocketTest, DevicesComingAndGoingArePushedToEachConnectionOfTheirLink) {
  VmouseProcess mouse({"--cable", "--awake"});
  Connection receiver(mouse, "receiver"), second(mouse, "receiver"), wired(mouse, "wired");
  ASSERT_TRUE(receiver && second && wired);

  EXPECT_EQ(mouse.Command("receiver on"), "ok");
  EXPECT_EQ(receiver.Next(), "connect 1");
  EXPECT_EQ(second.Next(), "connect 1");
  EXPECT_EQ(receiver.Ask("open"), "open 1");
  // The acknowledgement follows the result of the write, on every receiver connection.
  EXPECT_EQ(receiver.Ask(FeatureLine(kDefaultLight)), "result 1");
  EXPECT_EQ(receiver.Next(), "event 5010 0500");
  EXPECT_EQ(second.Next(), "event 5010 0500");

  // The removal closed the device: after it comes back the library has to open it again.
  EXPECT_EQ(mouse.Command("receiver off"), "ok");
  EXPECT_EQ(mouse.Command("receiver on"), "ok");
  EXPECT_EQ(receiver.Next(), "connect 0");
  EXPECT_EQ(receiver.Next(), "connect 1");
  EXPECT_EQ(receiver.Ask(FeatureLine(kDefaultLight)), "result 0");

  // The cable's connection heard none of it: its next line answers its own request.
  EXPECT_EQ(wired.Ask("open"), "open 1");
}

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
