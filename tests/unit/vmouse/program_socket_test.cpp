// The real melko-vmouse over its sockets: the driver-library conversation, the pushed lines, the
// write log, the commands and the ctl client.
#include <gtest/gtest.h>

#include <filesystem>

#include "unit/vmouse/program_harness.h"
#include "unit/vmouse/vmouse_test_support.h"
#include "vmouse/report_checks.h"

namespace melko::vmouse::test {
namespace {

std::string FeatureLine(std::string_view spaced_hex) {
  return "feature " + HexBytes(FromHex(spaced_hex));
}

bool Contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

// A library connection as these tests read it. The mouse reports its power every 2 s on its own
// while the cable is in or it is awake; reading passes over those reports, so that a slow run
// sees the same conversation.
class Library {
 public:
  explicit Library(std::unique_ptr<LineSocket> socket) : socket_(std::move(socket)) {}
  explicit operator bool() const { return socket_ != nullptr; }

  void Send(std::string_view request) { socket_->Send(request); }
  void SendRaw(std::string_view bytes) { socket_->SendRaw(bytes); }
  std::string Ask(std::string_view request) {
    Send(request);
    return Next();
  }
  // The next line that is not a power event.
  std::string Next() { return Read(true); }
  // The next line, passing over only a power event that repeats the one before.
  std::string NextChange() { return Read(false); }

 private:
  std::string Read(bool skip_all_power) {
    for (;;) {
      const auto line = socket_->ReadLine();
      if (!line) return "(nothing)";
      if (!line->starts_with("event 4010 ")) return *line;
      const bool repeat = *line == last_power_;
      last_power_ = *line;
      if (!skip_all_power && !repeat) return *line;
    }
  }

  std::unique_ptr<LineSocket> socket_;
  std::string last_power_;
};

TEST(LibrarySocketTest, FeatureReportsAreWrittenAndLogged) {
  VmouseProcess mouse({"--cable"});
  Library wired(mouse.Library("wired"));
  ASSERT_TRUE(wired) << mouse.errors();
  EXPECT_EQ(wired.Ask("open"), "open 1");
  EXPECT_EQ(wired.Ask(FeatureLine(kReset)), "result 1");
  // A frame the mouse rejects was still written; the log says why it was refused.
  EXPECT_EQ(wired.Ask("feature 050f01"), "result 1");

  const auto log = mouse.LogLines();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_TRUE(log[0].starts_with("{\"t_ms\":")) << log[0];
  EXPECT_TRUE(
      Contains(log[0], "\"link\":\"wired\",\"hex\":\"0c0a01fe01fe00000000\",\"valid\":true"))
      << log[0];
  EXPECT_TRUE(Contains(log[1], "\"hex\":\"050f01\",\"valid\":false,\"reason\":\"")) << log[1];
  EXPECT_FALSE(Contains(log[1], "\"reason\":\"\"")) << log[1];

  // Closed, the device takes nothing, and nothing more reaches the log.
  wired.Send("close");
  EXPECT_EQ(wired.Ask(FeatureLine(kReset)), "result 0");
  EXPECT_EQ(mouse.LogLines().size(), 2u);
}

TEST(LibrarySocketTest, AnAbsentDeviceCannotBeOpenedOrWritten) {
  VmouseProcess mouse({});
  Library receiver(mouse.Library("receiver"));
  ASSERT_TRUE(receiver);
  EXPECT_EQ(receiver.Ask(FeatureLine(kDefaultLight)), "result 0");  // never opened
  EXPECT_EQ(receiver.Ask("open"), "open 0");
  EXPECT_EQ(receiver.Ask(FeatureLine(kDefaultLight)), "result 0");
  EXPECT_TRUE(mouse.LogLines().empty());
}

TEST(LibrarySocketTest, MalformedRequestsAreAnsweredAndTheConnectionLives) {
  VmouseProcess mouse({"--cable"});
  Library wired(mouse.Library("wired"));
  ASSERT_TRUE(wired);
  EXPECT_EQ(wired.Ask("fly"), "error: unknown request (hello, open, close or feature)");
  EXPECT_EQ(wired.Ask("feature 0C0A"),
            "error: feature needs an even number of lowercase hex digits");
  EXPECT_EQ(wired.Ask("feature"), "error: feature needs the report as hex");
  EXPECT_EQ(wired.Ask("hello receiver"), "error: hello was already said");
  EXPECT_EQ(wired.Ask(""), "error: empty line");
  // An endless line is refused as soon as it is too long, before its newline comes.
  wired.SendRaw("feature " + std::string(5000, 'a'));
  EXPECT_EQ(wired.Next(), "error: line longer than 1024 bytes");
  wired.SendRaw(std::string(100000, 'b') + "\n");
  EXPECT_EQ(wired.Ask("open"), "open 1");
  EXPECT_TRUE(mouse.LogLines().empty());
}

TEST(LibrarySocketTest, TheFirstLineMustBeHello) {
  VmouseProcess mouse({"--cable"});
  for (const char* first : {"open", "hello mouse", "hello"}) {
    SCOPED_TRACE(first);
    LineSocket socket(mouse.socket_path());
    ASSERT_TRUE(socket.connected());
    EXPECT_EQ(socket.Ask(first), "error: the first line must be hello wired or hello receiver");
    EXPECT_TRUE(socket.WaitForClose());
  }
  LineSocket oversized(mouse.socket_path());
  oversized.SendRaw(std::string(3000, 'h'));
  EXPECT_EQ(oversized.ReadLine(), "error: the first line must be hello wired or hello receiver");
  EXPECT_TRUE(oversized.WaitForClose());
}

TEST(LibrarySocketTest, ClientsThatVanishLeaveTheOthersServed) {
  VmouseProcess mouse({"--receiver", "--awake"});
  {
    Library gone(mouse.Library("receiver"));
    ASSERT_TRUE(gone);
    gone.Ask("open");
    gone.SendRaw("feature 0c0a");  // half a line, then the client is gone
  }
  {
    LineSocket silent(mouse.socket_path());  // never says hello
  }
  Library receiver(mouse.Library("receiver"));
  ASSERT_TRUE(receiver);
  EXPECT_EQ(receiver.Ask("open"), "open 1");
  EXPECT_EQ(mouse.Command("dpi-button"), "ok");
  EXPECT_EQ(receiver.Next(), "event 1010 0003");
  EXPECT_TRUE(mouse.LogLines().empty());
  EXPECT_TRUE(mouse.process().running());
}

TEST(ReceiverTest, InsertingAndRemovingIsPushedToTheReceiverConnectionsOnly) {
  VmouseProcess mouse({"--cable"});
  Library receiver(mouse.Library("receiver"));
  Library second(mouse.Library("receiver"));
  Library wired(mouse.Library("wired"));
  ASSERT_TRUE(receiver && second && wired);

  EXPECT_EQ(mouse.Command("receiver on"), "ok");
  EXPECT_EQ(receiver.Next(), "connect 1");
  EXPECT_EQ(second.Next(), "connect 1");
  EXPECT_EQ(receiver.Ask("open"), "open 1");
  EXPECT_EQ(mouse.Command("receiver on"), "ok");  // already there: nothing to say

  EXPECT_EQ(mouse.Command("receiver off"), "ok");
  EXPECT_EQ(receiver.Next(), "connect 0");
  EXPECT_EQ(second.Next(), "connect 0");
  // The removal closed the device: after it comes back the library has to open it again.
  EXPECT_EQ(mouse.Command("receiver on"), "ok");
  EXPECT_EQ(receiver.Next(), "connect 1");
  EXPECT_EQ(receiver.Ask(FeatureLine(kDefaultLight)), "result 0");
  EXPECT_EQ(receiver.Ask("open"), "open 1");

  // The cable's connection heard none of it: its next line answers its own request.
  EXPECT_EQ(wired.Ask("open"), "open 1");
}

TEST(ReceiverTest, AnAcknowledgementFollowsTheResultOfAReceiverWrite) {
  VmouseProcess mouse({"--receiver", "--awake"});
  Library receiver(mouse.Library("receiver"));
  ASSERT_TRUE(receiver);
  ASSERT_EQ(receiver.Ask("open"), "open 1");
  EXPECT_EQ(receiver.Ask(FeatureLine(kDefaultLight)), "result 1");
  EXPECT_EQ(receiver.Next(), "event 5010 0500");
  EXPECT_EQ(receiver.Ask("feature 0500"), "result 1");
  EXPECT_EQ(receiver.Next(), "event 5010 0501");  // rejected

  EXPECT_EQ(mouse.Command("ack never"), "ok");
  EXPECT_EQ(receiver.Ask(FeatureLine(kDefaultLight)), "result 1");
  EXPECT_EQ(receiver.Ask("open"), "open 1");  // and no acknowledgement in between

  EXPECT_EQ(mouse.Command("ack after=2"), "ok");
  EXPECT_EQ(receiver.Ask(FeatureLine(kDefaultRate)), "result 1");
  EXPECT_EQ(receiver.Ask(FeatureLine(kDefaultRate)), "result 1");
  EXPECT_EQ(receiver.Next(), "event 5010 0600");

  // Asleep, the mouse never hears the receiver: the write is logged, no answer comes.
  EXPECT_EQ(mouse.Command("awake off"), "ok");
  EXPECT_EQ(receiver.Ask(FeatureLine(kDefaultLight)), "result 1");
  EXPECT_EQ(receiver.Ask("open"), "open 1");
  const auto log = mouse.LogLines();
  ASSERT_EQ(log.size(), 6u);
  EXPECT_TRUE(Contains(log[5], "\"link\":\"wireless\"")) << log[5];
  EXPECT_TRUE(Contains(log[5], "asleep")) << log[5];
}

TEST(ReceiverTest, AnAwakeMouseSendsItsPowerEveryTwoSeconds) {
  VmouseProcess mouse({"--receiver", "--battery", "57"});
  auto receiver = mouse.Library("receiver");
  ASSERT_TRUE(receiver);
  EXPECT_EQ(mouse.Command("awake on"), "ok");
  const auto woke = std::chrono::steady_clock::now();
  EXPECT_EQ(receiver->ReadLine(), "event 4010 3901");  // 57 %, on battery, at once
  EXPECT_EQ(receiver->ReadLine(3000), "event 4010 3901");
  const auto period = std::chrono::steady_clock::now() - woke;
  EXPECT_GE(period, std::chrono::milliseconds(1900));
  EXPECT_LE(period, std::chrono::milliseconds(2600));
}

TEST(CableTest, PluggedTheMouseChargesAndTellsTheCable) {
  VmouseProcess mouse({"--battery", "40"});
  Library wired(mouse.Library("wired"));
  ASSERT_TRUE(wired);
  EXPECT_EQ(mouse.Command("cable on"), "ok");
  EXPECT_EQ(wired.NextChange(), "connect 1");
  EXPECT_EQ(wired.NextChange(), "event 4010 2803");  // 40 %, charging
  EXPECT_EQ(mouse.Command("charged"), "ok");
  EXPECT_EQ(wired.NextChange(), "event 4010 6402");
  // The receiver is not there, so the button's news goes over the cable.
  EXPECT_EQ(mouse.Command("light-button"), "ok");
  EXPECT_EQ(wired.NextChange(), "event 7010 0010");
  EXPECT_EQ(mouse.Command("cable off"), "ok");
  EXPECT_EQ(wired.NextChange(), "connect 0");
}

TEST(ControlTest, CommandsOnTheControlSocket) {
  VmouseProcess mouse({"--cable"});
  LineSocket control(mouse.socket_path() + ".ctl");
  ASSERT_TRUE(control.connected());
  EXPECT_EQ(control.Ask("stage 4"), "ok");
  EXPECT_EQ(control.Ask("stage 40"), "error: stage takes a number from 1 to 8");
  EXPECT_EQ(control.Ask("rate 500"), "ok");
  const std::string state = control.Ask("state");
  EXPECT_TRUE(Contains(state, "\"current_stage\":4")) << state;
  EXPECT_TRUE(Contains(state, "\"rate_code\":2")) << state;
  EXPECT_TRUE(Contains(state, "\"devices\":{\"cable\":true,\"receiver\":false,\"ble\":false}"));
  control.SendRaw(std::string(1000, 'x'));
  EXPECT_EQ(control.ReadLine(), "error: command longer than 256 bytes");
  control.SendRaw("\nstate\n");
  EXPECT_TRUE(control.ReadLine()->starts_with("{\"settings\":"));
  EXPECT_EQ(control.Ask("ble on"),
            "error: Bluetooth LE needs the program started with --bluez-bus");
  {
    LineSocket gone(mouse.socket_path() + ".ctl");
    gone.SendRaw("dpi-butt");
  }
  EXPECT_EQ(control.Ask("light-mode 2"), "ok");
}

TEST(ControlTest, CtlSendsOneCommandAndExitsByItsAnswer) {
  VmouseProcess mouse({"--receiver"});
  auto ok = RunCtl(mouse.socket_path(), {"light-mode", "5"});
  EXPECT_EQ(ok.exit_code, 0);
  EXPECT_EQ(ok.out, "ok\n");
  auto state = RunCtl(mouse.socket_path(), {"state"});
  EXPECT_EQ(state.exit_code, 0);
  EXPECT_TRUE(Contains(state.out, "\"mode\":5")) << state.out;
  auto refused = RunCtl(mouse.socket_path(), {"battery", "200"});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_EQ(refused.out, "error: battery takes a number from 0 to 100\n");
  auto unknown = RunCtl(mouse.socket_path(), {"sing"});
  EXPECT_EQ(unknown.exit_code, 1);

  auto quit = RunCtl(mouse.socket_path(), {"quit"});
  EXPECT_EQ(quit.exit_code, 0);
  EXPECT_EQ(quit.out, "ok\n");
  EXPECT_EQ(mouse.process().WaitExit(), 0);
  EXPECT_FALSE(std::filesystem::exists(mouse.socket_path()));
  EXPECT_FALSE(std::filesystem::exists(mouse.socket_path() + ".ctl"));

  auto nobody = RunCtl(mouse.socket_path(), {"state"});
  EXPECT_EQ(nobody.exit_code, 1);
  EXPECT_EQ(nobody.out, "");
}

TEST(ProgramTest, QuitOnStandardInputAndOnSignals) {
  VmouseProcess by_command({});
  EXPECT_EQ(by_command.Command("quit"), "ok");
  EXPECT_EQ(by_command.process().WaitExit(), 0);

  VmouseProcess by_signal({"--cable"});
  EXPECT_EQ(by_signal.process().Stop(), 0);
  EXPECT_FALSE(std::filesystem::exists(by_signal.socket_path()));

  // The end of standard input is not the end of the mouse.
  VmouseProcess no_input({"--cable"});
  no_input.process().CloseInput();
  EXPECT_EQ(RunCtl(no_input.socket_path(), {"dpi-button"}).exit_code, 0);
}

TEST(ProgramTest, BadStartsExitWithAnError) {
  melko::testing::TempDir folder;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {"--socket", "x", "--battery", "101"}, {"--bogus"}}) {
    std::vector<std::string> argv{VmouseBinary()};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildProcess run(argv, folder / "err");
    EXPECT_EQ(run.WaitExit(), 2);
  }
  ChildProcess unwritable_log(
      {VmouseBinary(), "--socket", (folder / "s").string(), "--log", "/nonexistent/dir/log"},
      folder / "err");
  EXPECT_EQ(unwritable_log.WaitExit(), 1);
  // A running mouse keeps its socket.
  VmouseProcess running({"--cable"});
  ChildProcess second({VmouseBinary(), "--socket", running.socket_path()}, folder / "err");
  EXPECT_EQ(second.WaitExit(), 1);
  EXPECT_EQ(running.Command("cable off"), "ok");
  EXPECT_TRUE(Library(running.Library("wired")));
  ChildProcess bad_bus({VmouseBinary(), "--socket", (folder / "s").string(), "--bluez-bus",
                        "unix:path=" + (folder / "no-bus").string()},
                       folder / "err");
  EXPECT_EQ(bad_bus.WaitExit(), 1);

  const auto errors = melko::testing::ReadAll(folder / "err");
  const std::string text(errors.begin(), errors.end());
  for (std::string_view reason :
       {"--socket PATH is required", "usage: melko-vmouse", "cannot write the log",
        "is served by a running mouse", "cannot connect to the bus"}) {
    EXPECT_TRUE(Contains(text, reason)) << reason << " in " << text;
  }
}

}  // namespace
}  // namespace melko::vmouse::test
