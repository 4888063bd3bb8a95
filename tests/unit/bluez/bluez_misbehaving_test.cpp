// The adapter against a BlueZ that answers in the wrong shapes, late or never, refuses, or
// resolves the mouse's services late: every case ends in a defined result within the call timeout.
#include <gtest/gtest.h>

#include <chrono>

#include "bluez/bluez_ble_transport.h"
#include "unit/bluez/bluez_harness.h"

namespace melko::bluez::test {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr int kCallTimeoutMs = 300;
constexpr const char* kMouseWrite = "/org/bluez/hci0/dev_11_22_33_44_55_66/service0020/char0021";
constexpr const char* kMouseNotify = "/org/bluez/hci0/dev_11_22_33_44_55_66/service0020/char0023";
const std::vector<std::uint8_t> kReport{0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0, 0, 0, 0};

class MisbehavingBluez : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fake_.output().ReadLine() == "ready");
    // Made once BlueZ is there, so that BlueZ's arrival is not part of what the tests count.
    transport_ = std::make_unique<BluezBleTransport>(bus_.connection(), recorder_.Handlers(),
                                                     kCallTimeoutMs);
    transport_->SetMatch(kBleVendorMatch, kBleProductMatch);
  }
  void Fake(const std::string& command) { ASSERT_EQ(fake_.Ask(command), "ok") << command; }
  // "calls N writes M last PATH": the method calls BlueZ received, as it counts them.
  std::string Count() { return fake_.Ask("count"); }

  melko::testing::TempDir folder_;
  PrivateBus bus_{folder_.path()};
  ChildProcess fake_{{MELKO_BIN_DIR "/melko_fake_bluez", bus_.address()}, folder_ / "fake.err"};
  Recorder recorder_;
  std::unique_ptr<BluezBleTransport> transport_;
};

TEST_F(MisbehavingBluez, AFailedWriteIsTriedOnceMoreOnlyWhenRefused) {
  ASSERT_EQ(transport_->Write(kReport), 1);
  // Never answered: it fails after the timeout and, since the value may have reached the mouse,
  // is not sent a second time.
  Fake("write silent");
  const auto start = steady_clock::now();
  EXPECT_EQ(transport_->Write(kReport), 0);
  const auto took = steady_clock::now() - start;
  EXPECT_GE(took, milliseconds(kCallTimeoutMs - 50));
  EXPECT_LT(took, milliseconds(3 * kCallTimeoutMs));
  EXPECT_EQ(Count(), std::string("calls 3 writes 2 last ") + kMouseWrite);
  Fake("write answer");
  EXPECT_EQ(transport_->Write(kReport), 1);

  // Refused: tried once more.
  Fake("write refuse");
  EXPECT_EQ(transport_->Write(kReport), 0);
  EXPECT_EQ(Count(), std::string("calls 8 writes 5 last ") + kMouseWrite);
  Fake("write answer");
  EXPECT_EQ(transport_->Write(kReport), 1);
}

TEST_F(MisbehavingBluez, AListingOfAnotherShapeOrNothingAnsweredHoldsNothingUp) {
  Fake("listing garbage");
  EXPECT_FALSE(transport_->MousePresentNow());
  EXPECT_EQ(transport_->Write(kReport), 0);
  transport_->OpenNotifications();
  SpinFor(200);
  EXPECT_TRUE(transport_->subscribed().isEmpty());
  EXPECT_TRUE(Count().ends_with("writes 0 last -"));

  Fake("listing good");
  Fake("notify silent");
  auto start = steady_clock::now();
  transport_->OpenNotifications();
  // The event loop's thread does not wait for the answers.
  EXPECT_LT(steady_clock::now() - start, milliseconds(kCallTimeoutMs / 2));
  SpinFor(kCallTimeoutMs + 200);
  EXPECT_TRUE(transport_->subscribed().isEmpty());
  Fake("emit value 10100200");

  Fake("listing silent");
  start = steady_clock::now();
  transport_->OpenNotifications();
  transport_->CloseNotifications();
  EXPECT_LT(steady_clock::now() - start, milliseconds(kCallTimeoutMs / 2));
  // The writing thread waits for one timeout, no more.
  start = steady_clock::now();
  EXPECT_EQ(transport_->Write(kReport), 0);
  EXPECT_FALSE(transport_->MousePresentNow());
  const auto took = steady_clock::now() - start;
  EXPECT_GE(took, milliseconds(2 * kCallTimeoutMs - 50));
  EXPECT_LT(took, milliseconds(4 * kCallTimeoutMs));
  SpinFor(kCallTimeoutMs);
  EXPECT_TRUE(transport_->subscribed().isEmpty());
  EXPECT_TRUE(recorder_.values.empty());
}

TEST_F(MisbehavingBluez, ASubscriptionAnsweredAfterItWasClosedIsStopped) {
  Fake("notify late");
  transport_->OpenNotifications();
  // The listing is answered and StartNotify sent, not answered yet.
  ASSERT_TRUE(SpinUntil([&] { return Count().starts_with("calls 2 "); }));
  transport_->CloseNotifications();
  EXPECT_TRUE(SpinUntil([&] { return fake_.Ask("stops") == "stops 1"; }));
  EXPECT_TRUE(transport_->subscribed().isEmpty());
  Fake("emit value 10100200");
  SpinFor(200);
  EXPECT_TRUE(recorder_.values.empty());
}

TEST_F(MisbehavingBluez, OnlyWellFormedValuesOfSubscribedCharacteristicsAreDelivered) {
  ASSERT_TRUE(transport_->MousePresentNow());
  Fake("emit value 10100300");  // not subscribed yet
  ASSERT_TRUE(OpenAndWait(*transport_));
  Fake("emit odd");
  Fake("emit value 1010020055");
  Fake("emit value ");
  ASSERT_TRUE(SpinUntil([&] { return recorder_.values.size() >= 2; }));
  SpinFor(100);
  // Every byte, even past the fourth, and an empty value as it came.
  EXPECT_EQ(recorder_.EventValues(), (std::vector<std::string>{"1010020055", ""}));
  EXPECT_EQ(recorder_.gone, 0);
  EXPECT_EQ(recorder_.arrived, 0);
  EXPECT_TRUE(transport_->mouse_present());
}

TEST_F(MisbehavingBluez, ADeviceNotListedBeforeIsAskedForWhenItConnects) {
  Fake("listing adapter-only");
  ASSERT_FALSE(transport_->MousePresentNow());
  Fake("emit connected /org/bluez/hci0/dev_77_77_77_77_77_77");
  ASSERT_TRUE(SpinUntil([&] { return recorder_.arrived == 1; }));
  EXPECT_TRUE(transport_->mouse_present());
}

// BlueZ resolves the mouse's services some time after the connection: the notify characteristic
// appears after the first subscription found none, announced by InterfacesAdded (its UUID on
// another base) or by ServicesResolved, and is subscribed to without being asked.
class LateCharacteristic : public MisbehavingBluez,
                           public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(LateCharacteristic, IsSubscribedWhenItAppears) {
  Fake("listing unresolved");
  transport_->OpenNotifications();
  ASSERT_TRUE(SpinUntil([&] { return Count().starts_with("calls 1 "); }));
  SpinFor(100);
  EXPECT_TRUE(transport_->subscribed().isEmpty());

  for (const std::string& command : GetParam()) Fake(command);
  ASSERT_TRUE(SpinUntil([&] { return !transport_->subscribed().isEmpty(); }));
  EXPECT_EQ(transport_->subscribed(), QStringList{kMouseNotify});
  Fake("emit value 10100300");
  ASSERT_TRUE(SpinUntil([&] { return !recorder_.values.empty(); }));
  EXPECT_EQ(recorder_.EventValues(), std::vector<std::string>{"10100300"});
}

INSTANTIATE_TEST_SUITE_P(MisbehavingBluez, LateCharacteristic,
                         ::testing::Values(std::vector<std::string>{"emit characteristic"},
                                           std::vector<std::string>{"listing good",
                                                                    "emit resolved"}));

}  // namespace
}  // namespace melko::bluez::test
