// The real melko-vmouse over its sockets: the driver-library conversation and its malformed
// lines, the pushed lines, the write log, the control socket, the ctl client and the program's
// start and end. Where each event goes is proven in process (program_core_test.cpp).
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

  void SendRaw(std::string_view bytes) { socket_->SendRaw(bytes); }
  std::string Ask(std::string_view request) {
    socket_->Send(request);
    return Next();
  }
  // The next line that is not a power event.
  std::string Next() {
    for (;;) {
      const auto line = socket_->ReadLine();
      if (!line) return "(nothing)";
      if (!line->starts_with("event 4010 ")) return *line;
    }
  }

 private:
  std::unique_ptr<LineSocket> socket_;
};

TEST(LibrarySocketTest, FeatureReportsAreWrittenAndLoggedWhileTheDeviceIsOpen) {
  VmouseProcess mouse({"--cable"});
  Library wired(mouse.Library("wired"));
  Library receiver(mouse.Library("receiver"));
  ASSERT_TRUE(wired && receiver) << mouse.errors();
  // Not opened, or not there: nothing is written.
  EXPECT_EQ(wired.Ask(FeatureLine(kReset)), "result 0");
  EXPECT_EQ(receiver.Ask("open"), "open 0");
  EXPECT_EQ(receiver.Ask(FeatureLine(kDefaultLight)), "result 0");
  EXPECT_EQ(wired.Ask("open"), "open 1");
  EXPECT_EQ(wired.Ask(FeatureLine(kReset)), "result 1");
  // A frame the mouse rejects was still written; the log says why it was refused.
  EXPECT_EQ(wired.Ask("feature 050f01"), "result 1");
  // Closed, the device takes nothing, and nothing more reaches the log.
  wired.SendRaw("close\n");
  EXPECT_EQ(wired.Ask(FeatureLine(kReset)), "result 0");

  const auto log = mouse.LogLines();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_TRUE(log[0].starts_with("{\"t_ms\":")) << log[0];
  EXPECT_TRUE(
      Contains(log[0], "\"link\":\"wired\",\"hex\":\"0c0a01fe01fe00000000\",\"valid\":true"))
      << log[0];
  EXPECT_TRUE(Contains(log[1], "\"hex\":\"050f01\",\"valid\":false,\"reason\":\"")) << log[1];
  EXPECT_FALSE(Contains(log[1], "\"reason\":\"\"")) << log[1];
}

TEST(LibrarySocketTest, MalformedRequestsAreAnsweredAndTheConnectionLives) {
  VmouseProcess mouse({"--cable"});
  Library wired(mouse.Library("wired"));
  ASSERT_TRUE(wired);
  // Each refusal is its request's one answer (program_core_test.cpp has them all).
  EXPECT_EQ(wired.Ask("fly"), "error: unknown request (hello, open, close or feature)");
  EXPECT_EQ(wired.Ask(""), "error: empty line");
  EXPECT_EQ(wired.Ask("hello receiver"), "error: hello was already said");
  // An endless line is refused as soon as it is too long, before its newline comes.
  wired.SendRaw("feature " + std::string(5000, 'a'));
  EXPECT_EQ(wired.Next(), "error: line longer than 1024 bytes");
  wired.SendRaw(std::string(100000, 'b') + "\n");
  EXPECT_EQ(wired.Ask("open"), "open 1");
  EXPECT_TRUE(mouse.LogLines().empty());
}

TEST(LibrarySocketTest, TheFirstLineMustBeHello) {
  VmouseProcess mouse({"--cable"});
  const std::string firsts[] = {"open\n", "hello mouse\n", "hello\n", std::string(3000, 'h')};
  for (const std::string& first : firsts) {
    SCOPED_TRACE(first.substr(0, 20));
    LineSocket socket(mouse.socket_path());
    ASSERT_TRUE(socket.connected());
    socket.SendRaw(first);
    EXPECT_EQ(socket.ReadLine(), "error: the first line must be hello wired or hello receiver");
    EXPECT_TRUE(socket.WaitForClose());
  }
}

TEST(LibrarySocketTest, ClientsThatVanishLeaveTheOthersServed) {
  VmouseProcess mouse({"--receiver", "--awake"});
  {
    Library gone(mouse.Library("receiver"));
    ASSERT_TRUE(gone);
    gone.Ask("open");
    gone.SendRaw("feature 0c0a");            // half a line, then the client is gone
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

TEST(LibrarySocketTest, DevicesComingAndGoingArePushedToTheirOwnConnections) {
  VmouseProcess mouse({"--cable", "--awake"});
  Library receiver(mouse.Library("receiver"));
  Library second(mouse.Library("receiver"));
  Library wired(mouse.Library("wired"));
  ASSERT_TRUE(receiver && second && wired);

  EXPECT_EQ(mouse.Command("receiver on"), "ok");
  EXPECT_EQ(receiver.Next(), "connect 1");
  EXPECT_EQ(second.Next(), "connect 1");
  EXPECT_EQ(receiver.Ask("open"), "open 1");
  EXPECT_EQ(mouse.Command("receiver on"), "ok");  // already there: nothing to say
  // The acknowledgement follows the result of the write, on every receiver connection.
  EXPECT_EQ(receiver.Ask(FeatureLine(kDefaultLight)), "result 1");
  EXPECT_EQ(receiver.Next(), "event 5010 0500");
  EXPECT_EQ(second.Next(), "event 5010 0500");

  EXPECT_EQ(mouse.Command("receiver off"), "ok");
  EXPECT_EQ(receiver.Next(), "connect 0");
  EXPECT_EQ(second.Next(), "connect 0");
  // The removal closed the device: after it comes back the library has to open it again.
  EXPECT_EQ(mouse.Command("receiver on"), "ok");
  EXPECT_EQ(receiver.Next(), "connect 1");
  EXPECT_EQ(receiver.Ask(FeatureLine(kDefaultLight)), "result 0");
  EXPECT_EQ(receiver.Ask("open"), "open 1");

  // The cable's connection heard none of it: its next line answers its own request. With the
  // receiver gone, a button's news goes over the cable.
  EXPECT_EQ(wired.Ask("open"), "open 1");
  EXPECT_EQ(mouse.Command("receiver off"), "ok");
  EXPECT_EQ(mouse.Command("light-button"), "ok");
  EXPECT_EQ(wired.Next(), "event 7010 0010");
}

TEST(ControlTest, TheControlSocketSurvivesBadCommandsAndClients) {
  VmouseProcess mouse({"--cable"});
  LineSocket control(mouse.socket_path() + ".ctl");
  ASSERT_TRUE(control.connected());
  // Commands that work are run through ctl by the integration tests; here what goes wrong. An
  // overlong command is refused at once and the rest of it skipped.
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
  const CtlResult state = RunCtl(mouse.socket_path(), {"state"});
  EXPECT_EQ(state.exit_code, 0);
  EXPECT_TRUE(state.out.starts_with("{\"settings\":")) << state.out;
  const CtlResult refused = RunCtl(mouse.socket_path(), {"battery", "200"});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_EQ(refused.out, "error: battery takes a number from 0 to 100\n");

  const CtlResult quit = RunCtl(mouse.socket_path(), {"quit"});
  EXPECT_EQ(quit.exit_code, 0);
  EXPECT_EQ(quit.out, "ok\n");
  EXPECT_EQ(mouse.process().WaitExit(), 0);
  EXPECT_FALSE(std::filesystem::exists(mouse.socket_path()));
  EXPECT_FALSE(std::filesystem::exists(mouse.socket_path() + ".ctl"));

  const CtlResult nobody = RunCtl(mouse.socket_path(), {"state"});
  EXPECT_EQ(nobody.exit_code, 1);
  EXPECT_EQ(nobody.out, "");
}

TEST(ProgramTest, SignalsEndItCleanlyAndTheEndOfInputDoesNot) {
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
