// What the conversation carries is proven by the integration tests.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "support/vmouse_process.h"

namespace melko::vmouse {
namespace {

using ::melko::testing::VmouseProcess;

// The mouse reports its power every 2 s while the cable is in; Next() passes over those reports, so
// that a slow run sees the same conversation.
struct Connection {
  explicit Connection(const VmouseProcess& mouse) {
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    mouse.socket_path().copy(address.sun_path, sizeof address.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      reader = ::melko::testing::LineReader(fd);
    }
  }
  ~Connection() { ::close(fd); }

  void SendRaw(std::string_view bytes) {
    [[maybe_unused]] const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  }
  std::string Ask(std::string_view request) {
    SendRaw(std::string(request) + "\n");
    return Next();
  }
  std::string Next() {
    for (;;) {
      const auto line = reader.ReadLine(3000);
      if (!line) return "(nothing)";
      if (!line->starts_with("event 4010 ")) return *line;
    }
  }

  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ::melko::testing::LineReader reader;
};

TEST(LibrarySocketTest, MalformedAndOversizedRequestsAreAnsweredAndTheConnectionLives) {
  VmouseProcess mouse({"--cable"});
  Connection wired(mouse);
  ASSERT_EQ(wired.Ask("hello wired"), "ok") << mouse.errors();
  // Each refusal is its request's one answer.
  const std::pair<std::string_view, std::string_view> refused[] = {
      {"fly", "unknown request (hello, open, close or feature)"},
      {"", "empty line"},
      {"hello receiver", "hello was already said"},
      {"open 1", "open takes no argument"},
      {"feature ", "feature needs the report as hex"},
      {"feature 0C0A", "lowercase hex"},
      {"feature 0c0", "even number"},
  };
  for (const auto& [line, reason] : refused) {
    const std::string answer = wired.Ask(line);
    EXPECT_TRUE(answer.starts_with("error: ")) << line << ": " << answer;
    EXPECT_NE(answer.find(reason), std::string::npos) << line << ": " << answer;
  }
  // An endless line is refused as soon as it is too long, before its newline comes.
  wired.SendRaw("feature " + std::string(5000, 'a'));
  EXPECT_EQ(wired.Next(), "error: line longer than 1024 bytes");
  wired.SendRaw(std::string(100000, 'b') + "\n");
  // Not opened, nothing is written; a frame the firmware rejects was still written.
  EXPECT_EQ(wired.Ask("feature 0c0a01fe01fe00000000"), "result 0");
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
    EXPECT_TRUE(connection.reader.WaitForEnd(3000));
  }
}

}  // namespace
}  // namespace melko::vmouse
