#include "vmouse/program/virtual_mouse.h"

#include <algorithm>

#include "vmouse/json.h"

namespace melko::vmouse {
namespace {

// Plugged in, the mouse charges until it is full.
PowerSource SourceOnCable(int level) {
  return level >= 100 ? PowerSource::kCharged : PowerSource::kCharging;
}

}  // namespace

VirtualMouse::VirtualMouse(MouseOutputs& outputs, Firmware::Clock clock, const MouseSetup& setup)
    : outputs_(outputs),
      clock_(std::move(clock)),
      firmware_(clock_),
      ack_(setup.ack),
      cable_(setup.cable),
      receiver_(setup.receiver),
      ble_(setup.ble && setup.ble_available),
      ble_available_(setup.ble_available) {
  firmware_.SetEventSink([this](std::uint16_t event, std::uint16_t value) { Route(event, value); });
  firmware_.SetWriteListener([this](const WriteRecord& record) { outputs_.Written(record); });
  firmware_.SetAckPolicy(ack_);
  if (!setup.awake) firmware_.Sleep();
  firmware_.SetPower(setup.battery, cable_ ? SourceOnCable(setup.battery) : PowerSource::kBattery);
  // An awake mouse has just sent its first power event, which no one could hear yet; the next
  // comes one period later.
  quiet_ = false;
}

bool VirtualMouse::present(Link link) const {
  switch (link) {
    case Link::kWired:
      return cable_;
    case Link::kWireless:
      return receiver_;
    case Link::kBle:
      break;
  }
  return ble_;
}

bool VirtualMouse::Write(Link link, Bytes frame) {
  if (!present(link)) return false;
  firmware_.Receive(link, frame);
  firmware_.ClearLog();  // the listener has it; the program runs for hours
  return true;
}

void VirtualMouse::Route(std::uint16_t event_word, std::uint16_t value) {
  if (event_word == kEventPower) last_power_ms_ = clock_();
  if (quiet_) return;
  const bool receiver_hears = receiver_ && !firmware_.asleep();
  switch (event_word) {
    case kEventAck:
      if (receiver_) outputs_.SendEvent(Link::kWireless, event_word, value);
      break;
    case kEventPower:
      // The mouse charges on the cable, so the cable hears about its battery too.
      if (receiver_hears) outputs_.SendEvent(Link::kWireless, event_word, value);
      if (cable_) outputs_.SendEvent(Link::kWired, event_word, value);
      break;
    default:
      if (receiver_hears) {
        outputs_.SendEvent(Link::kWireless, event_word, value);
      } else if (cable_) {
        outputs_.SendEvent(Link::kWired, event_word, value);
      }
  }
  if (ble_) outputs_.Notify(event_word, value);
}

void VirtualMouse::Tick() {
  const auto wait = MsUntilPower();
  if (!wait || *wait > 0) return;
  if (!firmware_.asleep()) {
    firmware_.Tick(clock_());
  } else {
    SendPowerNow();
  }
}

std::optional<std::int64_t> VirtualMouse::MsUntilPower() const {
  if (firmware_.asleep() && !cable_ && !ble_) return std::nullopt;
  if (!last_power_ms_) return 0;
  return std::max<std::int64_t>(0, *last_power_ms_ + Firmware::kPowerPeriodMs - clock_());
}

// The firmware sends the power event itself while awake. Asleep, its radio is off, but the cable
// and Bluetooth LE still carry the news.
void VirtualMouse::SendPowerNow() {
  firmware_.EmitEvent(kEventPower, PowerValue(firmware_.battery_level(), firmware_.power_source()));
}

void VirtualMouse::ChangePower(int level, PowerSource source) {
  firmware_.SetPower(level, source);
  if (firmware_.asleep() && (cable_ || ble_)) SendPowerNow();
}

void VirtualMouse::SetCable(bool on) {
  if (on == cable_) return;
  cable_ = on;
  outputs_.DeviceChanged(Link::kWired, on);
  const int level = firmware_.battery_level();
  ChangePower(level, on ? SourceOnCable(level) : PowerSource::kBattery);
}

void VirtualMouse::SetReceiver(bool on) {
  if (on == receiver_) return;
  receiver_ = on;
  outputs_.DeviceChanged(Link::kWireless, on);
}

void VirtualMouse::SetBle(bool on) {
  if (on == ble_) return;
  ble_ = on;
  outputs_.DeviceChanged(Link::kBle, on);
}

CommandAnswer VirtualMouse::Execute(std::string_view line) {
  const ParsedCommand parsed = ParseCommand(line);
  if (!parsed.command) return {"error: " + parsed.error};
  return Execute(*parsed.command);
}

CommandAnswer VirtualMouse::Execute(const Command& command) {
  switch (command.kind) {
    case CommandKind::kCable:
      SetCable(command.on);
      break;
    case CommandKind::kReceiver:
      SetReceiver(command.on);
      break;
    case CommandKind::kAwake:
      if (command.on) {
        firmware_.Wake();
      } else {
        firmware_.Sleep();
      }
      break;
    case CommandKind::kBle:
      if (!ble_available_)
        return {"error: Bluetooth LE needs the program started with --bluez-bus"};
      SetBle(command.on);
      break;
    case CommandKind::kBattery: {
      PowerSource source = firmware_.power_source();
      // A full mouse that is no longer full charges on, or runs on its battery.
      if (source == PowerSource::kCharged && command.number < 100) {
        source = cable_ ? PowerSource::kCharging : PowerSource::kBattery;
      }
      ChangePower(command.number, source);
      break;
    }
    case CommandKind::kCharging:
      ChangePower(firmware_.battery_level(), PowerSource::kCharging);
      break;
    case CommandKind::kCharged:
      ChangePower(100, PowerSource::kCharged);
      break;
    case CommandKind::kDpiButton:
      firmware_.PressDpiButton();
      break;
    case CommandKind::kStage:
      firmware_.SetStage(command.number);
      break;
    case CommandKind::kLightButton:
      firmware_.PressLightButton();
      break;
    case CommandKind::kLightMode:
      firmware_.SetLightMode(command.number);
      break;
    case CommandKind::kRate:
      firmware_.SetRateCode(command.number);
      break;
    case CommandKind::kAck:
      ack_ = command.ack;
      firmware_.SetAckPolicy(ack_);
      break;
    case CommandKind::kState:
      return {StateJson()};
    case CommandKind::kQuit:
      return {"ok", true};
  }
  return {"ok"};
}

std::string VirtualMouse::StateJson() const {
  std::string json = FirmwareToJson(firmware_);
  json.pop_back();  // the closing brace; the devices go in the same object
  auto flag = [](bool on) { return on ? "true" : "false"; };
  json += std::string(",\"devices\":{\"cable\":") + flag(cable_) +
          ",\"receiver\":" + flag(receiver_) + ",\"ble\":" + flag(ble_) + "}";
  json += ",\"ack\":" + JsonString(AckPolicyText(ack_)) + "}";
  return json;
}

}  // namespace melko::vmouse
