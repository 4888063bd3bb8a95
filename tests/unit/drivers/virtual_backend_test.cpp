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
using Script = std::function<Lines(const std::string& line)>;

// A mouse whose device is there, answering every request at once.
Lines Answer(const std::string& line) {
  if (line.starts_with("hello ")) return {"ok"};
  if (line == "open") return {"open 1"};
  if (line.starts_with("feature ")) return {"result 1"};
  return {};
}

// A stand-in for melko-vmouse's library socket: serves one connection at a time, records the
// lines it receives and answers each with the lines its script gives (none: no answer).
struct FakeMouseServer {
  explicit FakeMouseServer(Script script = Answer) : script(std::move(script)) {
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    if (bind(listen_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(listen_fd, 4) != 0) {
      throw std::runtime_error("fake mouse socket");
    }
    thread = std::thread([this] { Run(); });
  }
  ~FakeMouseServer() {
    shutdown(listen_fd, SHUT_RDWR);  // ends the wait for a connection
    Locked([&] { shutdown(client_fd, SHUT_RDWR); });
    thread.join();
    close(listen_fd);
  }
  Lines Received() {
    std::lock_guard lock(mutex);
    return lines;
  }
  // Raw bytes to the current client (include the '\n').
  void Send(const std::string& bytes) {
    Locked([&] { SendTo(client_fd, bytes); });
  }
  static void SendTo(int fd, const std::string& bytes) {
    [[maybe_unused]] const ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  }
  void Run() {
    for (int client; (client = accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
      Locked([&] { client_fd = client; });
      std::string pending;
      char buffer[8192];
      for (ssize_t n; (n = recv(client, buffer, sizeof buffer, 0)) > 0;) {
        std::lock_guard lock(mutex);
        pending.append(buffer, std::size_t(n));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
          lines.push_back(pending.substr(0, end));
          pending.erase(0, end + 1);
          for (const std::string& answer : script(lines.back())) SendTo(client, answer + '\n');
        }
      }
      Locked([&] { close(client), client_fd = -1; });
    }
  }
  void Locked(const std::function<void()>& action) {
    std::lock_guard lock(mutex);
    action();
  }

  Script script;
  TempDir folder;
  std::string path = (folder / "mouse.sock").string();
  int listen_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  std::thread thread;
  std::mutex mutex;
  int client_fd = -1;
  Lines lines;
};

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Messages = std::vector<PostedMessage>;

constexpr std::uint32_t kDataMessage = 1539;
constexpr std::uint32_t kConnectMessage = 1540;
constexpr std::uint8_t kResetReport[] = {0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0, 0, 0, 0};

class VirtualDriverTest : public ::testing::Test {
 protected:
  void OpenMonitor() {
    driver.set_vid_pid(0x1D57, 0x3005);
    driver.open_dev_monitor(recorder.target(), kDataMessage, kConnectMessage);
  }
  void ServeAndOpen(Script script = Answer) {
    server = std::make_unique<FakeMouseServer>(std::move(script));
    socket_env = std::make_unique<ScopedEnv>("MELKO_VMOUSE", server->path);
    OpenMonitor();
    ASSERT_EQ(driver.open_feature_device(), 1);
  }
  std::int32_t WriteReset() { return driver.set_feature(kResetReport, sizeof kResetReport); }

  ~VirtualDriverTest() override {  // the library closes before the server goes
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
  ServeAndOpen([](const std::string& line) -> Lines {
    if (line.starts_with("hello")) return {"ok"};
    if (line == "open") return {"connect 1", "open 1"};
    return {"event 5010 0c00", "result 1"};
  });
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
  EXPECT_EQ(WriteReset(), 1);
}

// The lines a write sends are read by melko-vmouse in the integration tests.
TEST_F(VirtualDriverTest, ALateAnswerIsNotTakenForTheNextRequestAndBadSizesGoNowhere) {
  // The first write is answered late (below), the second refused, the others taken.
  auto writes = std::make_shared<int>(0);
  ServeAndOpen([writes](const std::string& line) -> Lines {
    if (!line.starts_with("feature")) return Answer(line);
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
  EXPECT_EQ(server->Received().size(), 5u);
}

// A mouse silent, or answering only in malformed lines: every call gives up after the timeout. No
// device, no socket, a path too long for one, or a refused hello: every call fails at once.
TEST_F(VirtualDriverTest, EveryCallFailsAtOnceOrAfterTheTimeout) {
  const ScopedEnv timeout("MELKO_VMOUSE_TIMEOUT_MS", "1000");
  const auto after_hello = [](Lines rest) {
    return
        [rest](const std::string& line) { return line.starts_with("hello") ? Lines{"ok"} : rest; };
  };
  FakeMouseServer silent([](const std::string&) { return Lines{}; }), mute(after_hello({})),
      garbled(after_hello({"open 2", "open", "open 1 "})), absent(after_hello({"open 0"})),
      refusing([](const std::string&) { return Lines{"error: busy"}; });
  // The socket; whether the calls wait.
  const std::pair<std::string, bool> rows[] = {
      {silent.path, true},           {mute.path, true},
      {garbled.path, true},          {absent.path, false},
      {refusing.path, false},        {"/nonexistent/melko/mouse.sock", false},
      {std::string(300, 'p'), false}};
  for (const auto& [path, waits] : rows) {
    const ScopedEnv env("MELKO_VMOUSE", path);
    const auto start = Clock::now();
    OpenMonitor();
    EXPECT_EQ(driver.open_feature_device(), 0) << path;
    EXPECT_EQ(WriteReset(), 0) << path;
    driver.close_feature_device();
    driver.close_dev_monitor();
    const auto took = Clock::now() - start;
    EXPECT_EQ(took >= 950ms, waits) << path;
    EXPECT_LT(took, 4s) << path;
  }
  EXPECT_EQ(recorder.size(), 0u);
  EXPECT_EQ(absent.Received(), (Lines{"hello wired", "open"}));
}

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
  // Which racing writes found the device open depends on scheduling: none may crash or hang.
  EXPECT_EQ(WriteReset(), 1);
}

}  // namespace
}  // namespace melko::testing
