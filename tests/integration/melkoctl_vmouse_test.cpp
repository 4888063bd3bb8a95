// melkoctl against the virtual mouse: the real program, the real driver libraries over the mouse's
// socket, the real pacing. Each test starts its own virtual mouse in a private folder.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/test_support.h"
#include "unit/vmouse/program_harness.h"

namespace melko {
namespace {

using vmouse::test::ChildProcess;
using vmouse::test::RunCtl;
using vmouse::test::VmouseProcess;

struct LoggedWrite {
  std::int64_t t_ms = 0;
  std::string link;
  std::string hex;
  bool valid = false;
};

std::string Field(const std::string& line, const std::string& key) {
  const std::string marker = "\"" + key + "\":";
  std::size_t at = line.find(marker);
  if (at == std::string::npos) return {};
  at += marker.size();
  if (line[at] == '"') {
    const std::size_t end = line.find('"', at + 1);
    return line.substr(at + 1, end - at - 1);
  }
  const std::size_t end = line.find_first_of(",}", at);
  return line.substr(at, end - at);
}

std::vector<LoggedWrite> Writes(const VmouseProcess& mouse) {
  std::vector<LoggedWrite> writes;
  for (const std::string& line : mouse.LogLines()) {
    writes.push_back({std::stoll(Field(line, "t_ms")), Field(line, "link"), Field(line, "hex"),
                      Field(line, "valid") == "true"});
  }
  return writes;
}

struct Result {
  int exit_code = -1;
  std::string out;
};

class MelkoctlVmouseTest : public ::testing::Test {
 protected:
  // melkoctl with the driver libraries pointed at the virtual mouse.
  std::vector<std::string> Command(const VmouseProcess& mouse, std::vector<std::string> args) {
    std::vector<std::string> argv = {"/usr/bin/env",
                                     "MELKO_VMOUSE=" + mouse.socket_path(),
                                     "MELKO_VMOUSE_TIMEOUT_MS=2000",
                                     std::string(MELKO_BIN_DIR) + "/melkoctl",
                                     "--data-dir",
                                     data_.path().string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
  }
  std::unique_ptr<ChildProcess> Start(const VmouseProcess& mouse, std::vector<std::string> args) {
    return std::make_unique<ChildProcess>(Command(mouse, std::move(args)),
                                          data_.path() / "melkoctl.err");
  }
  Result Run(const VmouseProcess& mouse, std::vector<std::string> args, int timeout_ms = 60000) {
    auto child = Start(mouse, std::move(args));
    child->CloseInput();
    Result result;
    while (auto line = child->output().ReadLine(timeout_ms)) result.out += *line + "\n";
    result.exit_code = child->WaitExit(timeout_ms).value_or(-2);
    return result;
  }
  // Waits until the log has at least count writes.
  std::vector<LoggedWrite> AwaitWrites(const VmouseProcess& mouse, std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::vector<LoggedWrite> writes = Writes(mouse);
    while (writes.size() < count && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      writes = Writes(mouse);
    }
    return writes;
  }

  testing::TempDir data_;
};

TEST_F(MelkoctlVmouseTest, ApplyOverTheCableWritesTheDefaultReportsWithTheirPacing) {
  VmouseProcess mouse({"--cable"});
  const Result applied = Run(mouse, {"apply"});
  ASSERT_EQ(applied.exit_code, 0) << applied.out;
  EXPECT_EQ(applied.out, "applied Profile1 over the cable\n");
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
  const std::vector<LoggedWrite> writes = Writes(mouse);
  ASSERT_EQ(writes.size(), expected.size());
  for (std::size_t i = 0; i < writes.size(); ++i) {
    EXPECT_EQ(writes[i].hex, expected[i]) << "report " << i;
    EXPECT_TRUE(writes[i].valid) << i;
    EXPECT_EQ(writes[i].link, "wired");
    if (i > 0) {
      EXPECT_GE(writes[i].t_ms - writes[i - 1].t_ms, 500) << "report " << i;
    }
  }
}

TEST_F(MelkoctlVmouseTest, ApplyOverTheReceiverWaitsForItsMouseAndSendsEachReportOnce) {
  VmouseProcess mouse({"--receiver", "--awake"});
  const Result applied = Run(mouse, {"apply"});
  ASSERT_EQ(applied.exit_code, 0) << applied.out;
  EXPECT_EQ(applied.out, "applied Profile1 over the receiver\n");
  const std::vector<LoggedWrite> writes = Writes(mouse);
  ASSERT_EQ(writes.size(), 5u);  // each acknowledged at once
  for (const LoggedWrite& write : writes) {
    EXPECT_EQ(write.link, "wireless");
    EXPECT_TRUE(write.valid);
  }
  EXPECT_EQ(writes[3].hex, "06090101fe00000000");
}

TEST_F(MelkoctlVmouseTest, OverTheReceiverAReportIsRepeatedUntilTheMouseAcknowledges) {
  VmouseProcess mouse({"--receiver", "--awake", "--ack", "after=3"});
  ASSERT_EQ(Run(mouse, {"set", "rate", "500"}).out, "saved and sent over the receiver\n");
  std::vector<LoggedWrite> writes = Writes(mouse);
  ASSERT_EQ(writes.size(), 3u);
  for (const LoggedWrite& write : writes) {
    EXPECT_EQ(write.link, "wireless");
    EXPECT_EQ(write.hex, "06090102fd00000000");
  }

  // Without any acknowledgement the report goes out ten times.
  EXPECT_EQ(RunCtl(mouse.socket_path(), {"ack", "never"}).exit_code, 0);
  ASSERT_EQ(Run(mouse, {"set", "rate", "250"}).exit_code, 0);
  writes = Writes(mouse);
  ASSERT_EQ(writes.size(), 13u);
  EXPECT_EQ(writes.back().hex, "06090104fb00000000");
}

TEST_F(MelkoctlVmouseTest, PullingTheCableDuringAnApplyEndsItWithoutHanging) {
  VmouseProcess mouse({"--cable"});
  auto apply = Start(mouse, {"apply"});
  ASSERT_GE(AwaitWrites(mouse, 2).size(), 2u);
  EXPECT_EQ(RunCtl(mouse.socket_path(), {"cable", "off"}).exit_code, 0);
  apply->CloseInput();
  EXPECT_TRUE(apply->WaitExit(20000).has_value());
  const std::vector<LoggedWrite> writes = Writes(mouse);
  EXPECT_LT(writes.size(), 5u);
  const Result status = Run(mouse, {"status", "--wait", "0"});
  EXPECT_NE(status.out.find("Cable:        not connected"), std::string::npos) << status.out;
}

TEST_F(MelkoctlVmouseTest, WatchSeesTheDpiButtonAndKeepsTheProfileInLine) {
  VmouseProcess mouse({"--receiver", "--awake"});
  auto watch = Start(mouse, {"watch", "--seconds", "8"});
  const auto opening = watch->output().ReadLine(5000);
  ASSERT_TRUE(opening.has_value());
  EXPECT_EQ(*opening, "links: cable down, receiver up, bluetooth down");
  EXPECT_EQ(RunCtl(mouse.socket_path(), {"dpi-button"}).exit_code, 0);
  bool seen = false;
  while (auto line = watch->output().ReadLine(6000)) {
    if (*line == "receiver: dpi stage 3 (2400 DPI)") {
      seen = true;
      break;
    }
  }
  EXPECT_TRUE(seen);
  watch->Stop();
  const Result shown = Run(mouse, {"profile", "show"});
  EXPECT_NE(shown.out.find("Current stage: 3"), std::string::npos) << shown.out;
}

TEST_F(MelkoctlVmouseTest, WatchReportsTheReceiversMouseFallingAsleep) {
  VmouseProcess mouse({"--receiver", "--awake"});
  auto watch = Start(mouse, {"watch", "--seconds", "15"});
  bool awake = false, asleep = false;
  while (auto line = watch->output().ReadLine(10000)) {
    if (!awake && line->rfind("receiver: battery", 0) == 0) {
      awake = true;
      EXPECT_EQ(RunCtl(mouse.socket_path(), {"awake", "off"}).exit_code, 0);
    }
    if (*line == "receiver: mouse stopped reporting (asleep)") {
      asleep = true;
      break;
    }
  }
  EXPECT_TRUE(awake);
  EXPECT_TRUE(asleep);
  watch->Stop();
}

// Another command's changes made while watch runs survive watch's saves of the mouse's changes,
// and the mouse's change goes to the profile selected at that moment.
TEST_F(MelkoctlVmouseTest, WatchKeepsWhatOtherCommandsChangeMeanwhile) {
  VmouseProcess mouse({"--cable"});
  auto watch = Start(mouse, {"watch", "--seconds", "20"});
  ASSERT_TRUE(watch->output().ReadLine(5000).has_value());
  const Result added = Run(mouse, {"profile", "add", "X"});
  ASSERT_EQ(added.exit_code, 0);
  EXPECT_EQ(Writes(mouse).front().hex.substr(0, 2), "0c") << "the new profile is sent in full";
  EXPECT_EQ(RunCtl(mouse.socket_path(), {"stage", "5"}).exit_code, 0);
  bool seen = false;
  while (auto line = watch->output().ReadLine(6000)) {
    if (line->rfind("cable: dpi stage 5", 0) == 0) {
      seen = true;
      break;
    }
  }
  EXPECT_TRUE(seen);
  watch->Stop();
  EXPECT_EQ(Run(mouse, {"profiles"}).out, "0   Profile1\n1 * X\n");
  EXPECT_NE(Run(mouse, {"profile", "show", "X"}).out.find("Current stage: 5"), std::string::npos);
}

// The mouse reports its polling rate as a rate code: stored as the rate it means, it is neither
// shown wrongly nor written back as another rate.
TEST_F(MelkoctlVmouseTest, ARateTheMouseReportsIsKeptAsThatRate) {
  VmouseProcess mouse({"--cable"});
  auto watch = Start(mouse, {"watch", "--count", "1"});
  ASSERT_TRUE(watch->output().ReadLine(5000).has_value());
  EXPECT_EQ(RunCtl(mouse.socket_path(), {"rate", "250"}).exit_code, 0);
  std::string seen;
  while (auto line = watch->output().ReadLine(6000)) {
    if (line->find("polling rate") != std::string::npos) seen = *line;
  }
  EXPECT_EQ(seen, "cable: polling rate 250 Hz");
  ASSERT_EQ(watch->WaitExit(5000).value_or(-1), 0);
  ASSERT_EQ(Run(mouse, {"apply"}).exit_code, 0);
  EXPECT_EQ(Writes(mouse)[3].hex, "06090104fb00000000");
  EXPECT_NE(Run(mouse, {"profile", "show"}).out.find("Polling rate: 250 Hz"), std::string::npos);
}

// Commands that change what the mouse should hold send it; without a link they say so.
TEST_F(MelkoctlVmouseTest, ProfileAndMacroCommandsKeepTheMouseInStep) {
  VmouseProcess mouse({"--cable"});
  ASSERT_EQ(Run(mouse, {"profile", "add", "Game"}).out, "Game\n");
  ASSERT_EQ(Writes(mouse).size(), 5u);
  ASSERT_EQ(Run(mouse, {"profile", "select", "Profile1"}).exit_code, 0);
  ASSERT_EQ(Writes(mouse).size(), 10u);
  ASSERT_EQ(Run(mouse, {"macro", "add", "M"}).exit_code, 0);
  ASSERT_EQ(Writes(mouse).size(), 10u) << "a new macro plays nowhere yet";
  ASSERT_EQ(Run(mouse, {"set", "button", "4", "macro", "M"}).exit_code, 0);
  const std::size_t before_delete = Writes(mouse).size();
  ASSERT_EQ(Run(mouse, {"macro", "delete", "M"}).exit_code, 0);
  const std::vector<LoggedWrite> writes = Writes(mouse);
  ASSERT_EQ(writes.size(), before_delete + 1);
  EXPECT_EQ(writes.back().hex.substr(0, 2), "08") << "button 4 is back to its default";

  EXPECT_EQ(RunCtl(mouse.socket_path(), {"cable", "off"}).exit_code, 0);
  ASSERT_EQ(Run(mouse, {"profile", "select", "Game"}).exit_code, 0);
  EXPECT_EQ(Writes(mouse).size(), writes.size());
  EXPECT_NE(testing::ReadText(data_.path() / "melkoctl.err").find("not sent (no link to the mouse can take settings); run melkoctl apply"),
            std::string::npos);
}

}  // namespace
}  // namespace melko
