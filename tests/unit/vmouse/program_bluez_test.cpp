// The mock BlueZ of melko-vmouse on a private bus, seen by an independent D-Bus client (a small
// Python program on the system's dbus module) the way the program's Bluetooth side sees BlueZ.
#include <gtest/gtest.h>

#include <deque>

#include "unit/vmouse/program_harness.h"

namespace melko::vmouse::test {
namespace {

constexpr const char* kDevice = "/org/bluez/hci0/dev_F4_5E_AB_04_5E_40";
constexpr const char* kService = "/org/bluez/hci0/dev_F4_5E_AB_04_5E_40/service0010";
constexpr const char* kWriteChar = "/org/bluez/hci0/dev_F4_5E_AB_04_5E_40/service0010/char0011";
constexpr const char* kNotifyChar = "/org/bluez/hci0/dev_F4_5E_AB_04_5E_40/service0010/char0013";
constexpr const char* kCharacteristic = "org.bluez.GattCharacteristic1";

std::string Join(std::initializer_list<std::string_view> words) {
  std::string line;
  for (std::string_view word : words) {
    if (!line.empty()) line += ' ';
    line += word;
  }
  return line;
}

// tests/unit/vmouse/bluez_client.py: commands in, "answer ..." and "signal ..." lines out.
class BluezClient {
 public:
  BluezClient(const std::filesystem::path& folder, const std::string& bus)
      : process_({"/usr/bin/python3",
                  std::string(MELKO_SOURCE_DIR) + "/tests/unit/vmouse/bluez_client.py", bus},
                 folder / "bluez_client.err") {
    ready_ = process_.output().ReadLine(10000) == "ready";
  }
  bool ready() const { return ready_; }

  std::string Ask(std::initializer_list<std::string_view> words) {
    process_.WriteLine(Join(words));
    while (auto line = process_.output().ReadLine()) {
      if (line->starts_with("answer ")) return line->substr(7);
      Stash(*line);
    }
    return "(no answer)";
  }

  // The next signal, in the order they came, passing over the power notifications the mouse
  // sends every 2 s on its own (a slow run may see more of them).
  std::string NextSignal() {
    for (;;) {
      while (signals_.empty()) {
        const auto line = process_.output().ReadLine();
        if (!line) return "(no signal)";
        Stash(*line);
      }
      const std::string signal = signals_.front();
      signals_.pop_front();
      if (signal.find("Value=ay:1040") == std::string::npos) return signal;
    }
  }

  // Leaves the bus by ending.
  void Quit() {
    process_.CloseInput();
    process_.WaitExit();
  }

 private:
  void Stash(const std::string& line) {
    if (line.starts_with("signal ")) signals_.push_back(line.substr(7));
  }

  ChildProcess process_;
  bool ready_ = false;
  std::deque<std::string> signals_;
};

class BluezMockTest : public ::testing::Test {
 protected:
  BluezMockTest() : bus_(folder_.path()), mouse_({"--ble", "--receiver"}, bus_.address()) {}

  std::unique_ptr<BluezClient> Client() {
    auto client = std::make_unique<BluezClient>(folder_.path(), bus_.address());
    EXPECT_TRUE(client->ready());
    return client;
  }

  melko::testing::TempDir folder_;
  PrivateBus bus_;
  VmouseProcess mouse_;
};

TEST_F(BluezMockTest, TheConnectedMouseWithItsTwoCharacteristics) {
  ASSERT_FALSE(bus_.address().empty());
  auto client = Client();
  EXPECT_EQ(client->Ask({"paths"}),
            Join({"/org/bluez/hci0", kDevice, kService, kWriteChar, kNotifyChar}));
  // What the adapter's own tests do not look at, from the object manager's listing ("managed")
  // and from the objects themselves ("get").
  const std::tuple<const char*, const char*, const char*, const char*, std::string> properties[] = {
      {"managed", kDevice, "org.bluez.Device1", "Address", "s F4:5E:AB:04:5E:40"},
      {"managed", kDevice, "org.bluez.Device1", "ServicesResolved", "b true"},
      {"get", kNotifyChar, kCharacteristic, "Notifying", "b false"},
      {"get", "/org/bluez/hci0", "org.bluez.Adapter1", "Powered", "b true"},
      {"get", kDevice, "org.bluez.Device1", "Paired", "b true"}};
  for (const auto& [how, path, interface, name, value] : properties) {
    EXPECT_EQ(client->Ask({how, path, interface, name}), value) << path << " " << name;
  }
}

TEST_F(BluezMockTest, CallsBlueZWouldRefuseAreRefused) {
  auto client = Client();
  EXPECT_EQ(client->Ask({"write-bare", kWriteChar, "0c"}),
            "error org.bluez.Error.InvalidArguments");
  EXPECT_EQ(client->Ask({"write", kNotifyChar, "0c"}), "error org.bluez.Error.NotPermitted");
  EXPECT_EQ(client->Ask({"write", kWriteChar, std::string(1026, 'a')}),
            "error org.bluez.Error.InvalidValueLength");
  EXPECT_EQ(client->Ask({"call", kWriteChar, kCharacteristic, "StartNotify"}),
            "error org.bluez.Error.NotSupported");
  EXPECT_EQ(client->Ask({"call", kNotifyChar, kCharacteristic, "StopNotify"}),
            "error org.bluez.Error.Failed");
  EXPECT_EQ(client->Ask({"write", std::string(kWriteChar) + "9", "0c"}),
            "error org.freedesktop.DBus.Error.UnknownObject");
  EXPECT_EQ(client->Ask({"get", kDevice, "org.bluez.Device1", "Colour"}),
            "error org.freedesktop.DBus.Error.UnknownProperty");
  EXPECT_EQ(client->Ask({"call", kDevice, "org.bluez.Device1", "Fly"}),
            "error org.freedesktop.DBus.Error.UnknownMethod");
  EXPECT_TRUE(mouse_.LogLines().empty());
  EXPECT_EQ(mouse_.Command("state").front(), '{');  // still serving
}

TEST_F(BluezMockTest, SubscribingThenTheMouseGoingAndComing) {
  auto client = Client();
  EXPECT_EQ(client->Ask({"call", kNotifyChar, kCharacteristic, "StartNotify"}), "ok");
  EXPECT_EQ(client->NextSignal(),
            Join({"PropertiesChanged", kNotifyChar, kCharacteristic, "Notifying=b:true"}));
  EXPECT_EQ(client->Ask({"call", kNotifyChar, kCharacteristic, "StopNotify"}), "ok");
  EXPECT_EQ(client->NextSignal(),
            Join({"PropertiesChanged", kNotifyChar, kCharacteristic, "Notifying=b:false"}));
  // Unsubscribed, a change is not announced: the next signals are the disconnection.
  EXPECT_EQ(mouse_.Command("stage 5"), "ok");
  EXPECT_EQ(mouse_.Command("ble off"), "ok");
  EXPECT_EQ(client->NextSignal(), Join({"PropertiesChanged", kDevice, "org.bluez.Device1",
                                        "Connected=b:false ServicesResolved=b:false"}));
  const std::string standard =
      "org.freedesktop.DBus.Introspectable,org.freedesktop.DBus.Properties";
  EXPECT_EQ(client->NextSignal(),
            Join({"InterfacesRemoved", kNotifyChar, "org.bluez.GattCharacteristic1," + standard}));
  EXPECT_EQ(client->NextSignal(),
            Join({"InterfacesRemoved", kWriteChar, "org.bluez.GattCharacteristic1," + standard}));
  EXPECT_EQ(client->NextSignal(),
            Join({"InterfacesRemoved", kService, "org.bluez.GattService1," + standard}));
  EXPECT_EQ(client->NextSignal(),
            Join({"InterfacesRemoved", kDevice, "org.bluez.Device1," + standard}));
  EXPECT_EQ(client->Ask({"paths"}), "/org/bluez/hci0");

  EXPECT_EQ(mouse_.Command("ble on"), "ok");
  EXPECT_EQ(client->NextSignal(),
            Join({"InterfacesAdded", kDevice, "org.bluez.Device1," + standard}));
  EXPECT_EQ(client->Ask({"managed", kDevice, "org.bluez.Device1", "Connected"}), "b true");
  EXPECT_EQ(client->Ask({"get", kNotifyChar, kCharacteristic, "Notifying"}), "b false");
}

TEST_F(BluezMockTest, AClientThatLeavesTheBusLosesItsSubscription) {
  auto watcher = Client();
  auto leaving = Client();
  EXPECT_EQ(leaving->Ask({"call", kNotifyChar, kCharacteristic, "StartNotify"}), "ok");
  EXPECT_EQ(watcher->NextSignal(),
            Join({"PropertiesChanged", kNotifyChar, kCharacteristic, "Notifying=b:true"}));
  leaving->Quit();
  EXPECT_EQ(watcher->NextSignal(),
            Join({"PropertiesChanged", kNotifyChar, kCharacteristic, "Notifying=b:false"}));
  EXPECT_EQ(mouse_.Command("light-mode 4"), "ok");
  EXPECT_EQ(watcher->Ask({"get", kNotifyChar, kCharacteristic, "Value"}), "ay 10704000");
}

}  // namespace
}  // namespace melko::vmouse::test
