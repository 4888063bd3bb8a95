// melkoctl against the virtual mouse: the real program, driver libraries and pacing over the
// mouse's socket; each test with its own virtual mouse.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "profiles/data_folder.h"
#include "support/child_process.h"
#include "support/test_support.h"
#include "support/vmouse_process.h"

namespace melko::testing {
namespace {

using ::testing::HasSubstr;

bool Ctl(const VmouseProcess& mouse, const std::vector<std::string>& args) {
  return RunCtl(mouse.socket_path(), args).exit_code == 0;
}

std::vector<std::string> Hex(const std::vector<LoggedWrite>& writes, std::size_t from = 0) {
  std::vector<std::string> hex;
  for (std::size_t i = from; i < writes.size(); ++i) hex.push_back(writes[i].hex);
  return hex;
}

bool AwaitLine(ChildProcess& program, const std::string& start, int timeout_ms = 6000) {
  while (auto line = program.output().ReadLine(timeout_ms))
    if (line->starts_with(start)) return true;
  return false;
}

// A desktop program at the socket of the runtime folder that works on another data folder: it
// answers every request "elsewhere".
struct ProgramElsewhere {
  explicit ProgramElsewhere(const std::filesystem::path& runtime_folder) {
    sockaddr_un address{AF_UNIX, {}};
    std::strcpy(address.sun_path,
                ((runtime_folder / kDataFolderName).string() + ".socket").c_str());
    EXPECT_TRUE(::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                ::listen(listening, 4) == 0);
    server = std::thread([this] {
      for (int client; (client = ::accept(listening, nullptr, nullptr)) >= 0; ::close(client)) {
        char line[512];
        if (::recv(client, line, sizeof line, 0) > 0 && ++requests > 0)
          (void)!::send(client, "elsewhere\n", 10, MSG_NOSIGNAL);
      }
    });
  }
  ~ProgramElsewhere() {
    ::shutdown(listening, SHUT_RDWR);  // ends the accept
    server.join();
    ::close(listening);
  }
  std::atomic<int> requests{0};
  int listening = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  std::thread server;
};

class MelkoctlVmouseTest : public ::testing::Test {
 protected:
  std::unique_ptr<ChildProcess> Start(const VmouseProcess& mouse, std::vector<std::string> args) {
    return std::make_unique<ChildProcess>(Argv(std::move(args)), data_ / "melkoctl.err",
                                          Env(mouse));
  }
  ProgramRun Run(const VmouseProcess& mouse, std::vector<std::string> args,
                 std::map<std::string, std::string> more_env = {}) {
    more_env.merge(Env(mouse));
    return RunProgram(Argv(std::move(args)), more_env);
  }
  std::vector<std::string> Argv(std::vector<std::string> args) const {
    args.insert(args.begin(), {MELKO_BIN_DIR "/melkoctl", "--data-dir", data_.path().string()});
    return args;
  }
  static std::map<std::string, std::string> Env(const VmouseProcess& mouse) {
    return {{"MELKO_VMOUSE", mouse.socket_path()}, {"MELKO_VMOUSE_TIMEOUT_MS", "2000"}};
  }

  TempDir data_;
};

TEST_F(MelkoctlVmouseTest, ApplyOverTheCableWritesTheDefaultReportsWithTheirPacing) {
  VmouseProcess mouse({"--cable"});
  const ProgramRun applied = Run(mouse, {"apply"});
  ASSERT_EQ(applied.exit_code, 0) << applied.err;
  // The reset report and the four blocks of the default profile, byte for byte.
  const std::vector<std::string> expected = {
      "0c0a01fe01fe00000000",
      "04380100017f00001225384b70a98d00000000000000010002ff000000ff000000ff00ffffffff00ff00ffffff"
      "ffffffff0111d500000000",
      "050f010003a80000ff010401af0000",
      "06090101fe00000000",
      "083b010200000300000400000d00003c00000d00000600000500003c00000100000100000100000100000100"
      "000100000100000a000009000000c0",
  };
  const std::vector<LoggedWrite> writes = mouse.Writes();
  EXPECT_EQ(Hex(writes), expected);
  for (std::size_t i = 1; i < writes.size(); ++i)
    EXPECT_GE(writes[i].t_ms - writes[i - 1].t_ms, 500) << "report " << i;
}

// Over the receiver a report is repeated until the mouse's acknowledgement comes back through the
// driver library (ten passes without one: ReportSenderTest); one changed setting is one report.
TEST_F(MelkoctlVmouseTest, OverTheReceiverAReportIsRepeatedUntilTheMouseAcknowledges) {
  VmouseProcess mouse({"--receiver", "--awake"});
  // A desktop program that does not take the change (it works on another data folder) leaves
  // melkoctl to send what it saved, as if none ran.
  ASSERT_TRUE(Ctl(mouse, {"ack", "after=3"}));
  const TempDir runtime;
  const ProgramElsewhere desktop(runtime.path());
  ASSERT_EQ(Run(mouse, {"set", "rate", "500"}, {{"XDG_RUNTIME_DIR", runtime.path().string()}}).out,
            "saved and sent over the receiver\n");
  EXPECT_EQ(Hex(mouse.Writes()), std::vector<std::string>(3, "06090102fd00000000"));
  EXPECT_EQ(desktop.requests, 2) << "melkoctl asks, then melkoctl-mouse asks again";
}

TEST_F(MelkoctlVmouseTest, PullingTheCableDuringAnApplyEndsItWithoutHanging) {
  VmouseProcess mouse({"--cable"});
  auto apply = Start(mouse, {"apply"});
  ASSERT_TRUE(Await([&] { return mouse.Writes().size() >= 2; }));
  EXPECT_TRUE(Ctl(mouse, {"cable", "off"}));
  apply->CloseInput();
  EXPECT_TRUE(apply->WaitExit(20000).has_value());
  EXPECT_LT(mouse.Writes().size(), 5u);
}

// watch ends at once on SIGTERM, which wakes its sleeping loop.
TEST_F(MelkoctlVmouseTest, WatchFollowsTheReceiversMouse) {
  VmouseProcess mouse({"--receiver", "--awake"});
  auto watch = Start(mouse, {"watch", "--seconds", "20"});
  EXPECT_EQ(watch->output().ReadLine().value_or(""),
            "links: cable down, receiver up, bluetooth down");
  EXPECT_TRUE(Ctl(mouse, {"dpi-button"}));
  EXPECT_TRUE(AwaitLine(*watch, "receiver: dpi stage 3 (2400 DPI)"));
  EXPECT_TRUE(Ctl(mouse, {"awake", "off"}));
  EXPECT_TRUE(AwaitLine(*watch, "receiver: mouse stopped reporting (asleep)", 10000));
  EXPECT_EQ(watch->Stop(2000), 0);
}

// watch saves the mouse's changes to the profile selected then, keeping what other commands
// changed; a rate the mouse reports as a code is stored as the rate it means, which the next apply
// sends.
TEST_F(MelkoctlVmouseTest, WatchKeepsWhatOtherCommandsChangeMeanwhile) {
  VmouseProcess mouse({"--cable"});
  auto watch = Start(mouse, {"watch", "--seconds", "20"});
  ASSERT_TRUE(watch->output().ReadLine().has_value());
  ASSERT_EQ(Run(mouse, {"profile", "add", "X"}).exit_code, 0);
  EXPECT_TRUE(Ctl(mouse, {"stage", "5"}));
  EXPECT_TRUE(AwaitLine(*watch, "cable: dpi stage 5"));
  EXPECT_TRUE(Ctl(mouse, {"rate", "250"}));
  EXPECT_TRUE(AwaitLine(*watch, "cable: polling rate 250 Hz"));
  watch->Stop();

  EXPECT_THAT(Run(mouse, {"profile", "show", "X"}).out, HasSubstr("Current stage: 5"));
  const std::size_t before = mouse.Writes().size();
  ASSERT_EQ(Run(mouse, {"apply"}).exit_code, 0);
  EXPECT_EQ(mouse.Writes().at(before + 3).hex, "06090104fb00000000");

  // With a count, watch ends by itself after that many events (the mouse's battery, here).
  const ProgramRun counted = Run(mouse, {"watch", "--count", "1"});
  EXPECT_EQ(counted.exit_code, 0);
  EXPECT_EQ(std::count(counted.out.begin(), counted.out.end(), '\n'), 2) << counted.out;
}

TEST_F(MelkoctlVmouseTest, ProfileAndMacroCommandsKeepTheMouseInStep) {
  VmouseProcess mouse({"--cable"});
  const auto sent = [&](const std::vector<std::string>& args) {  // the reports a command sends
    const std::size_t before = mouse.Writes().size();
    EXPECT_EQ(Run(mouse, args).exit_code, 0) << args[0];
    return Hex(mouse.Writes(), before);
  };
  EXPECT_EQ(sent({"profile", "add", "Game"}).size(), 5u);
  EXPECT_EQ(sent({"profile", "select", "Profile1"}).size(), 5u);
  EXPECT_EQ(sent({"macro", "add", "M"}).size(), 0u) << "a new macro plays nowhere yet";
  sent({"set", "button", "4", "macro", "M"});
  const std::vector<std::string> deleted = sent({"macro", "delete", "M"});
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(deleted[0].substr(0, 2), "08") << "button 4 is back to its default";
}

}  // namespace
}  // namespace melko::testing
