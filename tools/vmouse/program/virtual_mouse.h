// The mouse as the program runs it: the firmware model, which of its devices are there (cable,
// receiver, Bluetooth LE), whether the mouse behind the receiver is awake, and where each status
// event goes. Plain C++: the sockets and the mock BlueZ sit behind MouseOutputs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "vmouse/firmware.h"
#include "vmouse/program/commands.h"

namespace melko::vmouse {

class MouseOutputs {
 public:
  virtual ~MouseOutputs() = default;
  // A status event for the library connections of one link: kWired the cable, kWireless the
  // receiver.
  virtual void SendEvent(Link link, std::uint16_t event_word, std::uint16_t value) = 0;
  // A status event as a GATT notification (Bluetooth LE is on).
  virtual void Notify(std::uint16_t event_word, std::uint16_t value) = 0;
  // The cable was plugged or pulled, the receiver inserted or removed, Bluetooth LE connected or
  // disconnected.
  virtual void DeviceChanged(Link link, bool present) = 0;
  // Every write the host made that reached the mouse.
  virtual void Written(const WriteRecord& record) = 0;
};

struct MouseSetup {
  bool cable = false;
  bool receiver = false;
  bool awake = false;
  bool ble = false;
  bool ble_available = false;  // a bus to show Bluetooth LE on
  int battery = 100;
  AckPolicy ack;
};

struct CommandAnswer {
  std::string text;  // "ok", "error: <reason>" or, for state, the JSON
  bool quit = false;
};

class VirtualMouse {
 public:
  VirtualMouse(MouseOutputs& outputs, Firmware::Clock clock, const MouseSetup& setup);
  VirtualMouse(const VirtualMouse&) = delete;
  VirtualMouse& operator=(const VirtualMouse&) = delete;

  // A frame the host wrote over a link. False, and the mouse never sees it, while the device of
  // that link is not there.
  bool Write(Link link, Bytes frame);
  bool present(Link link) const;

  CommandAnswer Execute(std::string_view line);
  CommandAnswer Execute(const Command& command);

  // Sends the power event when it is due. MsUntilPower says when that is, or nothing while no one
  // could hear it (asleep, no cable, no Bluetooth LE).
  void Tick();
  std::optional<std::int64_t> MsUntilPower() const;

  // The firmware's JSON with the devices and the acknowledgement policy added.
  std::string StateJson() const;

  const Firmware& firmware() const { return firmware_; }

 private:
  void Route(std::uint16_t event_word, std::uint16_t value);
  void ChangePower(int level, PowerSource source);
  void SendPowerNow();
  void SetCable(bool on);
  void SetReceiver(bool on);
  void SetBle(bool on);

  MouseOutputs& outputs_;
  Firmware::Clock clock_;
  Firmware firmware_;
  AckPolicy ack_;
  bool cable_ = false;
  bool receiver_ = false;
  bool ble_ = false;
  bool ble_available_ = false;
  bool quiet_ = true;  // events made while setting up go nowhere
  std::optional<std::int64_t> last_power_ms_;
};

}  // namespace melko::vmouse
