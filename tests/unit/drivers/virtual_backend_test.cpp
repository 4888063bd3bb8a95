// The driver library against a scripted stand-in for the virtual mouse's socket, through the
// built hiddriver_2.so as the program loads it.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "device/driver_library.h"
#include "platform/dl_driver_loader.h"
#include "support/plugin_support.h"
#include "support/test_support.h"

namespace melko::testing {
namespace {

using Lines = std::vector<std::string>;

// A stand-in for melko-vmouse's library socket: serves one connection at a time, records the
// lines it receives and answers each with the lines its script gives (none: no answer).
class FakeMouseServer {
 public:
  using Script = std::function<Lines(const std::string& line)>;

  // A mouse whose device is there (`present`) or not, answering every request at once.
  static Script Answering(bool present) {
    return [present](const std::string& line) -> Lines {
      if (line.starts_with("hello ")) return {"ok"};
      if (line == "open") return {present ? "open 1" : "open 0"};
      if (line.starts_with("feature ")) return {present ? "result 1" : "result 0"};
      return {};
    };
  }

  explicit FakeMouseServer(Script script = Answering(true)) : script_(std::move(script)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path_.copy(address.sun_path, sizeof address.sun_path - 1);
    if (bind(listen_fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(listen_fd_, 4) != 0) {
      throw std::runtime_error("fake mouse socket");
    }
    thread_ = std::thread([this] { Run(); });
  }
  ~FakeMouseServer() {
    shutdown(listen_fd_, SHUT_RDWR);  // ends the wait for a connection
    {
      std::lock_guard lock(mutex_);
      if (client_fd_ >= 0) shutdown(client_fd_, SHUT_RDWR);
    }
    thread_.join();
    close(listen_fd_);
  }

  const std::string& path() const { return path_; }
  Lines lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  // Raw bytes to the current client (include the '\n').
  void Send(const std::string& bytes) {
    std::lock_guard lock(mutex_);
    SendTo(client_fd_, bytes);
  }

 private:
  static void SendTo(int fd, const std::string& bytes) {
    if (fd < 0) return;
    [[maybe_unused]] const ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  }
  void Run() {
    for (int client; (client = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
      {
        std::lock_guard lock(mutex_);
        client_fd_ = client;
      }
      std::string pending;
      char buffer[8192];
      for (ssize_t n; (n = recv(client, buffer, sizeof buffer, 0)) > 0;) {
        std::lock_guard lock(mutex_);
        pending.append(buffer, std::size_t(n));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
          lines_.push_back(pending.substr(0, end));
          pending.erase(0, end + 1);
          for (const std::string& answer : script_(lines_.back())) SendTo(client, answer + '\n');
        }
      }
      std::lock_guard lock(mutex_);
      close(client);
      client_fd_ = -1;
    }
  }

  Script script_;
  TempDir folder_;
  std::string path_ = (folder_ / "mouse.sock").string();
  int listen_fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  std::thread thread_;

  std::mutex mutex_;
  int client_fd_ = -1;
  std::vector<std::string> lines_;
};

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Messages = std::vector<PostedMessage>;

constexpr std::uint32_t kDataMessage = 1539;
constexpr std::uint32_t kConnectMessage = 1540;
constexpr std::uint8_t kResetReport[] = {0x0C, 0x0A, 0x01, 0xFE, 0x01,
                                         0xFE, 0x00, 0x00, 0x00, 0x00};

std::chrono::milliseconds Since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
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
    driver.set_vid_pid(0x1D57, 0x3005);
    driver.open_dev_monitor(recorder.target(), kDataMessage, kConnectMessage);
  }
  void ServeAndOpen(FakeMouseServer::Script script = FakeMouseServer::Answering(true)) {
    Serve(std::move(script));
    OpenMonitor();
    ASSERT_EQ(driver.open_feature_device(), 1);
  }
  std::int32_t WriteReset() { return driver.set_feature(kResetReport, sizeof kResetReport); }

  // The library closes before the server goes.
  ~VirtualDriverTest() override {
    if (driver.usable()) driver.close_feature_device(), driver.close_dev_monitor();
    loader.Unload(driver);
  }

  MessageRecorder recorder;
  ScopedEnv timeout_env{"MELKO_VMOUSE_TIMEOUT_MS", "300"};
  std::unique_ptr<FakeMouseServer> server;
  std::unique_ptr<ScopedEnv> socket_env;
  DlDriverLoader loader{{MELKO_BIN_DIR}};
  DriverLibrary driver = loader.Load(kWiredDriverFile);
};

TEST_F(VirtualDriverTest, EventAndConnectLinesArePostedAlsoBetweenARequestAndItsAnswer) {
  Serve([](const std::string& line) -> Lines {
    if (line.starts_with("hello")) return {"ok"};
    if (line == "open") return {"connect 1", "open 1"};
    return {"event 5010 0c00", "result 1"};
  });
  OpenMonitor();
  EXPECT_EQ(driver.open_feature_device(), 1);
  EXPECT_EQ(WriteReset(), 1);
  server->Send("event 4010 5602\nconnect 0\n");
  EXPECT_EQ(recorder.Take(4), (Messages{{kConnectMessage, 1, 0},
                                        {kDataMessage, 0x5010, 0x0C00},
                                        {kDataMessage, 0x4010, 0x5602},
                                        {kConnectMessage, 0, 0}}));

  // Once the monitor is closed nothing is posted; the device stays usable.
  driver.close_dev_monitor();
  server->Send("event 4010 0050\n");
  EXPECT_EQ(WriteReset(), 1);
  EXPECT_EQ(recorder.size(), 0u);
}

TEST_F(VirtualDriverTest, MalformedAndOversizedLinesAreIgnored) {
  ServeAndOpen();
  // A status event followed by stray bytes is not an event line.
  const char binary_line[] = "event 1010 0001\0\xff\n";
  server->Send(
      "event 4010\nevent 4010 56020\nevent 40g0 5602\nevent  4010 5602\nevent 4010 5602 \n"
      "EVENT 4010 5602\nevent +010 5602\nconnect 2\nconnect\nconnect 1\r\nbogus\n\n\r\n" +
      std::string(binary_line, sizeof binary_line - 1) + std::string(5000, 'x') +
      "event 1010 0002\n" + "event " + std::string(4100, '1') + "\n");
  server->Send(std::string(3000, 'y'));
  server->Send(std::string(3000, 'y') + "connect 1\n");
  server->Send("event 1010 0004\n");
  EXPECT_EQ(recorder.Take(1), (Messages{{kDataMessage, 0x1010, 0x0004}}));
  // The connection still carries requests and answers.
  EXPECT_EQ(WriteReset(), 1);
}

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
    EXPECT_EQ(driver.open_feature_device(), 0);
    EXPECT_GE(Since(start), kTimeout - 50ms);
    EXPECT_LT(Since(start), 2s);
    EXPECT_EQ(WriteReset(), 0);
    EXPECT_EQ(server->lines().front(), "hello wired");
    driver.close_dev_monitor();
  }
}

// The lines a write sends are read by melko-vmouse in the integration tests.
TEST_F(VirtualDriverTest, ALateAnswerIsNotTakenForTheNextRequestAndBadSizesGoNowhere) {
  // The first write is answered late (below), the second refused, the others taken.
  auto writes = std::make_shared<int>(0);
  ServeAndOpen([writes](const std::string& line) -> Lines {
    if (!line.starts_with("feature")) return FakeMouseServer::Answering(true)(line);
    return ++*writes == 1 ? Lines{} : Lines{*writes == 2 ? "result 0" : "result 1"};
  });
  EXPECT_EQ(WriteReset(), 0);
  server->Send("result 1\n");
  EXPECT_EQ(WriteReset(), 0);
  EXPECT_EQ(WriteReset(), 1);
  // Nothing to send, or too long for one protocol line: nothing goes out.
  const std::vector<std::uint8_t> huge(4096, 0xAB);
  EXPECT_EQ(driver.set_feature(nullptr, 10) + driver.set_feature(kResetReport, 0) +
                driver.set_feature(kResetReport, -5) +
                driver.set_feature(huge.data(), std::int32_t(huge.size())),
            0);
  EXPECT_EQ(server->lines().size(), 5u);
}

// A device that is not there, no socket, a path too long for one, or a mouse that refuses the
// hello: every call fails at once, and no write goes out.
TEST_F(VirtualDriverTest, NoDeviceNoSocketOrARefusedHelloFailsAtOnce) {
  ScopedEnv long_timeout("MELKO_VMOUSE_TIMEOUT_MS", "5000");
  FakeMouseServer absent(FakeMouseServer::Answering(false));
  FakeMouseServer refusing([](const std::string&) { return Lines{"error: busy"}; });
  for (const std::string& path :
       {absent.path(), refusing.path(), std::string("/nonexistent/melko/mouse.sock"),
        std::string(300, 'p')}) {
    ScopedEnv env("MELKO_VMOUSE", path);
    const auto start = Clock::now();
    OpenMonitor();
    EXPECT_EQ(driver.open_feature_device(), 0) << path;
    EXPECT_EQ(WriteReset(), 0) << path;
    EXPECT_EQ(driver.get_feature(nullptr, 0), 0);
    driver.close_feature_device();
    driver.close_dev_monitor();
    EXPECT_LT(Since(start), 2s) << path;
  }
  EXPECT_EQ(recorder.size(), 0u);
  EXPECT_EQ(absent.lines(), (Lines{"hello wired", "open"}));
}

// The apply thread writes while the UI thread closes and reopens the device.
TEST_F(VirtualDriverTest, WritesRaceOpensAndClosesSafely) {
  ServeAndOpen();
  std::thread apply([&] {
    for (int i = 0; i < 200; ++i) WriteReset();
  });
  for (int i = 0; i < 30; ++i) {
    driver.close_feature_device();
    EXPECT_EQ(driver.open_feature_device(), 1);
  }
  apply.join();
  // How many of the racing writes found the device open depends on scheduling; what counts is
  // that none crashed or hung, and that the device open at the end takes writes.
  EXPECT_EQ(WriteReset(), 1);
}

}  // namespace
}  // namespace melko::testing
