// The driver library against a scripted stand-in for the virtual mouse's socket, through the
// built hiddriver_2.so as the program loads it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "driver_test_support.h"

namespace melko::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;
using Messages = std::vector<PostedMessage>;

constexpr std::uint8_t kResetReport[] = {0x0C, 0x0A, 0x01, 0xFE, 0x01,
                                         0xFE, 0x00, 0x00, 0x00, 0x00};

std::chrono::milliseconds Since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

// A mouse that says ok to the hello, opens, and answers writes with `writes(line)`.
FakeMouseServer::Script Writes(std::function<Lines(const std::string&)> writes) {
  return [writes](const std::string& line) -> Lines {
    if (line.starts_with("hello")) return {"ok"};
    if (line == "open") return {"open 1"};
    return writes(line);
  };
}

class VirtualDriverTest : public ::testing::Test {
 protected:
  // The mouse answers within milliseconds; tests that wait for a timeout wait this long.
  static constexpr auto kTimeout = 300ms;

  void Serve(FakeMouseServer::Script script = FakeMouseServer::Answering(true)) {
    socket_env.reset();  // so that a second server's variable is put back to the first state
    server = std::make_unique<FakeMouseServer>(std::move(script));
    socket_env = std::make_unique<ScopedEnv>("MELKO_VMOUSE", server->path());
  }
  void OpenMonitor() {
    driver->set_vid_pid(0x1D57, 0x3005);
    driver->open_dev_monitor(recorder.target(), kDataMessage, kConnectMessage);
  }
  void ServeAndOpen(FakeMouseServer::Script script = FakeMouseServer::Answering(true)) {
    Serve(std::move(script));
    OpenMonitor();
    ASSERT_EQ(driver->open_feature_device(), 1);
  }
  std::int32_t WriteReset() { return driver->set_feature(kResetReport, sizeof kResetReport); }

  // Declared so that the library closes first, then the server goes, then the recorder.
  MessageRecorder recorder;
  ScopedEnv timeout_env{"MELKO_VMOUSE_TIMEOUT_MS", "300"};
  std::unique_ptr<FakeMouseServer> server;
  std::unique_ptr<ScopedEnv> socket_env;
  LoadedDriver driver{kWiredDriverFile};
};

// --- requests and answers

TEST_F(VirtualDriverTest, FeatureWritesGoAsLowercaseHexAndReturnTheResult) {
  // The mouse refuses the rate report here.
  ServeAndOpen(Writes([](const std::string& line) -> Lines {
    return {line.starts_with("feature 06") ? "result 0" : "result 1"};
  }));
  EXPECT_EQ(WriteReset(), 1);
  const std::uint8_t rate[] = {0x06, 0x09, 0x01, 0x01, 0xFE, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(driver->set_feature(rate, sizeof rate), 0);
  // Nothing to send, or too long for one protocol line: nothing goes out.
  EXPECT_EQ(driver->set_feature(nullptr, 10), 0);
  EXPECT_EQ(driver->set_feature(kResetReport, 0), 0);
  EXPECT_EQ(driver->set_feature(kResetReport, -5), 0);
  const std::vector<std::uint8_t> huge(4096, 0xAB);
  EXPECT_EQ(driver->set_feature(huge.data(), std::int32_t(huge.size())), 0);
  EXPECT_EQ(server->lines(), (Lines{"hello wired", "open", "feature 0c0a01fe01fe00000000",
                                    "feature 06090101fe00000000"}));
}

TEST_F(VirtualDriverTest, AbsentDeviceOpensAsZeroAndTakesNoWrites) {
  Serve(FakeMouseServer::Answering(false));
  OpenMonitor();
  EXPECT_EQ(driver->open_feature_device(), 0);
  EXPECT_EQ(WriteReset(), 0);
  EXPECT_EQ(server->lines(), (Lines{"hello wired", "open"}));
}

TEST_F(VirtualDriverTest, ClosingSendsCloseAndTheNextOpenConnectsAgain) {
  ServeAndOpen();
  driver->close_feature_device();
  driver->close_dev_monitor();
  ASSERT_TRUE(server->WaitForLines(3));
  EXPECT_EQ(driver->open_feature_device(), 1);
  EXPECT_EQ(server->connections(), 2);
  EXPECT_EQ(server->lines(), (Lines{"hello wired", "open", "close", "hello wired", "open"}));
}

// Without a monitor, closing the device ends the connection, and the backend is chosen again at
// the next open, so a new socket path takes effect.
TEST_F(VirtualDriverTest, WithoutAMonitorClosingTheDeviceEndsTheConnection) {
  Serve();
  EXPECT_EQ(driver->open_feature_device(), 1);
  EXPECT_EQ(WriteReset(), 1);
  driver->close_feature_device();
  EXPECT_EQ(WriteReset(), 0);
  ASSERT_TRUE(server->WaitForLines(4));
  EXPECT_EQ(server->lines(),
            (Lines{"hello wired", "open", "feature 0c0a01fe01fe00000000", "close"}));

  FakeMouseServer second(FakeMouseServer::Answering(false));
  ScopedEnv elsewhere("MELKO_VMOUSE", second.path());
  EXPECT_EQ(driver->open_feature_device(), 0);
  EXPECT_EQ(second.lines(), (Lines{"hello wired", "open"}));
  driver->close_feature_device();
}

// --- messages from the mouse

TEST_F(VirtualDriverTest, EventAndConnectLinesArePosted) {
  ServeAndOpen();
  server->Send("event 4010 5602\nconnect 0\nevent 5010 09ff\nconnect 1\n");
  ASSERT_TRUE(recorder.WaitFor(4));
  EXPECT_EQ(recorder.messages(), (Messages{{kDataMessage, 0x4010, 0x5602},
                                           {kConnectMessage, 0, 0},
                                           {kDataMessage, 0x5010, 0x09FF},
                                           {kConnectMessage, 1, 0}}));

  // Once the monitor is closed nothing is posted; the device stays usable, the write's answer
  // coming after an event line.
  driver->close_dev_monitor();
  server->Send("event 4010 0050\n");
  EXPECT_EQ(WriteReset(), 1);
  EXPECT_EQ(recorder.messages().size(), 4u);
}

TEST_F(VirtualDriverTest, EventsBetweenARequestAndItsAnswerAreBothHandled) {
  Serve([](const std::string& line) -> Lines {
    if (line.starts_with("hello")) return {"ok"};
    if (line == "open") return {"connect 1", "open 1"};
    return {"event 5010 0c00", "result 1"};
  });
  OpenMonitor();
  EXPECT_EQ(driver->open_feature_device(), 1);
  EXPECT_EQ(WriteReset(), 1);
  ASSERT_TRUE(recorder.WaitFor(2));
  EXPECT_EQ(recorder.messages(),
            (Messages{{kConnectMessage, 1, 0}, {kDataMessage, 0x5010, 0x0C00}}));
}

TEST_F(VirtualDriverTest, MalformedAndOversizedLinesAreIgnored) {
  ServeAndOpen();
  // A status event followed by stray bytes is not an event line.
  const char binary_line[] = "event 1010 0001\0\xff\n";
  server->Send(
      "event 4010\nevent 4010 56020\nevent 40g0 5602\nevent  4010 5602\nevent 4010 5602 \n"
      "EVENT 4010 5602\nconnect 2\nconnect\nbogus\n\n\r\n" +
      std::string(binary_line, sizeof binary_line - 1) + std::string(5000, 'x') +
      "event 1010 0002\n" + "event " + std::string(4100, '1') + "\n");
  server->Send(std::string(3000, 'y'));
  server->Send(std::string(3000, 'y') + "connect 1\n");
  server->Send("event 1010 0004\n");
  ASSERT_TRUE(recorder.WaitFor(1));
  EXPECT_EQ(recorder.messages(), (Messages{{kDataMessage, 0x1010, 0x0004}}));
  // The connection still carries requests and answers.
  EXPECT_EQ(WriteReset(), 1);
}

// --- a mouse that does not answer, refuses, closes or is not there

TEST_F(VirtualDriverTest, ASilentMouseMakesEveryCallGiveUpAfterTheTimeout) {
  // Silent from the start, after the hello, or answering only in malformed lines, which count as
  // no answer.
  for (const auto& script :
       {FakeMouseServer::Script([](const std::string&) { return Lines{}; }),
        FakeMouseServer::Script([](const std::string& line) {
          return line.starts_with("hello") ? Lines{"ok"} : Lines{};
        }),
        FakeMouseServer::Script([](const std::string& line) {
          return line.starts_with("hello") ? Lines{"ok"} : Lines{"open 2", "open", "open 1 "};
        })}) {
    Serve(script);
    auto start = Clock::now();
    OpenMonitor();
    EXPECT_LT(Since(start), 2s);
    start = Clock::now();
    EXPECT_EQ(driver->open_feature_device(), 0);
    EXPECT_GE(Since(start), kTimeout - 50ms);
    EXPECT_LT(Since(start), 2s);
    EXPECT_EQ(WriteReset(), 0);
    EXPECT_EQ(server->lines().front(), "hello wired");
    driver->close_dev_monitor();
  }
}

TEST_F(VirtualDriverTest, ALateAnswerIsNotTakenForTheNextRequest) {
  auto writes = std::make_shared<int>(0);
  ServeAndOpen(Writes([writes](const std::string&) -> Lines {
    switch (++*writes) {
      case 1:
        return {};  // answered late, below
      case 2:
        return {"result 0"};
      default:
        return {"result 1"};
    }
  }));
  EXPECT_EQ(WriteReset(), 0);
  server->Send("result 1\n");
  EXPECT_EQ(WriteReset(), 0);
  EXPECT_EQ(WriteReset(), 1);
}

TEST_F(VirtualDriverTest, ARefusedHelloFailsWithoutWaiting) {
  ScopedEnv long_timeout("MELKO_VMOUSE_TIMEOUT_MS", "5000");
  Serve([](const std::string&) { return Lines{"error: busy"}; });
  const auto start = Clock::now();
  OpenMonitor();
  EXPECT_EQ(driver->open_feature_device(), 0);
  EXPECT_EQ(WriteReset(), 0);
  EXPECT_LT(Since(start), 3s);
}

TEST_F(VirtualDriverTest, AMouseThatClosesCountsAsRemovedAndCanComeBack) {
  ServeAndOpen();
  server->DropClient();
  ASSERT_TRUE(recorder.WaitFor(1));
  EXPECT_EQ(recorder.messages(), (Messages{{kConnectMessage, 0, 0}}));
  const auto start = Clock::now();
  EXPECT_EQ(WriteReset(), 0);
  EXPECT_LT(Since(start), kTimeout);

  // As after a real removal, the program closes the device and opens it on the next arrival.
  driver->close_feature_device();
  EXPECT_EQ(driver->open_feature_device(), 1);
  EXPECT_EQ(WriteReset(), 1);
  EXPECT_EQ(server->connections(), 2);
}

TEST_F(VirtualDriverTest, NoSocketMeansEveryCallReturnsZero) {
  for (const std::string& path :
       {std::string("/nonexistent/melko/mouse.sock"), std::string(300, 'p')}) {
    ScopedEnv env("MELKO_VMOUSE", path);
    const auto start = Clock::now();
    OpenMonitor();
    EXPECT_EQ(driver->open_feature_device(), 0) << path;
    EXPECT_EQ(WriteReset(), 0) << path;
    EXPECT_EQ(driver->get_feature(nullptr, 0), 0);
    driver->close_feature_device();
    driver->close_dev_monitor();
    EXPECT_LT(Since(start), 1s) << path;
  }
  EXPECT_TRUE(recorder.messages().empty());
}

// The apply thread writes while the UI thread closes and reopens the device.
TEST_F(VirtualDriverTest, WritesRaceOpensAndClosesSafely) {
  ServeAndOpen();
  std::atomic<int> written = 0;
  std::thread apply([&] {
    for (int i = 0; i < 200; ++i) written += WriteReset();
  });
  for (int i = 0; i < 30; ++i) {
    driver->close_feature_device();
    EXPECT_EQ(driver->open_feature_device(), 1);
  }
  apply.join();
  // How many of the racing writes found the device open depends on scheduling; what counts is
  // that none crashed or hung, and that the device open at the end takes writes.
  EXPECT_LE(written.load(), 200);
  EXPECT_EQ(WriteReset(), 1);
  EXPECT_EQ(server->connections(), 1);
}

}  // namespace
}  // namespace melko::testing
