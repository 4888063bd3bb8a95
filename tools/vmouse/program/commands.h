// The commands that drive the virtual mouse from a shell or a test: what the user does to the
// mouse (buttons, cable, battery), what the radio does (receiver, Bluetooth LE, acknowledgements),
// and questions about its state. One command per line, words separated by spaces.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "vmouse/firmware.h"

namespace melko::vmouse {

enum class CommandKind {
  kCable,
  kReceiver,
  kAwake,
  kBle,
  kBattery,
  kCharging,
  kCharged,
  kDpiButton,
  kStage,
  kLightButton,
  kLightMode,
  kRate,
  kAck,
  kState,
  kQuit,
};

struct Command {
  CommandKind kind = CommandKind::kState;
  bool on = false;  // cable, receiver, awake, ble
  int number = 0;   // battery level, stage, light mode; for rate the rate code (1, 2, 4 or 8)
  AckPolicy ack;    // ack
};

struct ParsedCommand {
  std::optional<Command> command;
  std::string error;  // why the line is not a command, when command is empty
};

ParsedCommand ParseCommand(std::string_view line);

// A decimal number of at most nine digits, without sign.
std::optional<int> ParseNumber(std::string_view text);

// "always", "never" or "after=N" with N from 1.
std::optional<AckPolicy> ParseAckPolicy(std::string_view text);
std::string AckPolicyText(const AckPolicy& policy);

// The rate code of a polling rate in Hz: 1000 -> 1, 500 -> 2, 250 -> 4, 125 -> 8.
std::optional<int> RateCodeOfHz(int hz);

}  // namespace melko::vmouse
