// The real melko-vmouse over its library socket, where the driver libraries depend on it: every
// malformed or oversized request gets its one answer and the connection lives, clients that
// vanish leave the others served, and devices coming and going reach each connection of their
// link. What the conversation carries is proven by the integration tests.
#include <gtest/gtest.h>

#include "unit/vmouse/program_harness.h"
#include "unit/vmouse/vmouse_test_support.h"
#include "vmouse/report_checks.h"

namespace melko::vmouse::test {
namespace {

std::string FeatureLine(std::string_view spaced_hex) {
  return "feature " + HexBytes(FromHex(spaced_hex));
}

// A library connection as these tests read it. The mouse reports its power every 2 s on its own
// while the cable is in or it is awake; reading passes over those reports, so that a slow run
// sees the same conversation.
class Client {
 public:
  Client(const VmouseProcess& mouse, std::string_view link) : socket_(Library(mouse, link)) {}
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

TEST(LibrarySocketTest, MalformedAndOversizedRequestsAreAnsweredAndTheConnectionLives) {
  VmouseProcess mouse({"--cable"});
  Client wired(mouse, "wired");
  ASSERT_TRUE(wired) << mouse.errors();
  // Each refusal is its request's one answer (program_core_test.cpp has them all).
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
    LineSocket socket(mouse.socket_path());
    socket.SendRaw(first);
    EXPECT_EQ(socket.ReadLine(), "error: the first line must be hello wired or hello receiver");
    EXPECT_TRUE(socket.WaitForClose());
  }
}

TEST(LibrarySocketTest, ClientsThatVanishLeaveTheOthersServed) {
  VmouseProcess mouse({"--receiver", "--awake"});
  {
    Client gone(mouse, "receiver");
    ASSERT_TRUE(gone);
    gone.Ask("open");
    gone.SendRaw("feature 0c0a");            // half a line, then the client is gone
    LineSocket silent(mouse.socket_path());  // never says hello
  }
  Client receiver(mouse, "receiver");
  ASSERT_TRUE(receiver);
  EXPECT_EQ(receiver.Ask("open"), "open 1");
  EXPECT_EQ(mouse.Command("dpi-button"), "ok");
  EXPECT_EQ(receiver.Next(), "event 1010 0003");
  EXPECT_TRUE(mouse.LogLines().empty());
  EXPECT_TRUE(mouse.process().running());
}

TEST(LibrarySocketTest, DevicesComingAndGoingArePushedToEachConnectionOfTheirLink) {
  VmouseProcess mouse({"--cable", "--awake"});
  Client receiver(mouse, "receiver"), second(mouse, "receiver"), wired(mouse, "wired");
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

}  // namespace
}  // namespace melko::vmouse::test
