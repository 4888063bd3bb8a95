#include "vmouse/program/commands.h"

#include <array>
#include <vector>

namespace melko::vmouse {
namespace {

enum class Argument { kNone, kOnOff, kNumber, kRate, kAck };

struct Grammar {
  std::string_view name;
  CommandKind kind;
  Argument argument;
  int min = 0;
  int max = 0;
};

constexpr std::array kGrammar{
    Grammar{"cable", CommandKind::kCable, Argument::kOnOff},
    Grammar{"receiver", CommandKind::kReceiver, Argument::kOnOff},
    Grammar{"awake", CommandKind::kAwake, Argument::kOnOff},
    Grammar{"ble", CommandKind::kBle, Argument::kOnOff},
    Grammar{"battery", CommandKind::kBattery, Argument::kNumber, 0, 100},
    Grammar{"charging", CommandKind::kCharging, Argument::kNone},
    Grammar{"charged", CommandKind::kCharged, Argument::kNone},
    Grammar{"dpi-button", CommandKind::kDpiButton, Argument::kNone},
    Grammar{"stage", CommandKind::kStage, Argument::kNumber, 1, kStageCount},
    Grammar{"light-button", CommandKind::kLightButton, Argument::kNone},
    Grammar{"light-mode", CommandKind::kLightMode, Argument::kNumber, 0, 15},
    Grammar{"rate", CommandKind::kRate, Argument::kRate},
    Grammar{"ack", CommandKind::kAck, Argument::kAck},
    Grammar{"state", CommandKind::kState, Argument::kNone},
    Grammar{"quit", CommandKind::kQuit, Argument::kNone},
};

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < line.size()) {
    if (line[at] == ' ' || line[at] == '\t') {
      ++at;
      continue;
    }
    const std::size_t end = line.find_first_of(" \t", at);
    words.push_back(line.substr(at, end - at));
    at = end == std::string_view::npos ? line.size() : end;
  }
  return words;
}

std::string Quoted(std::string_view text) {
  constexpr std::size_t kShown = 40;
  std::string out = "\"";
  for (char c : text.substr(0, kShown)) {
    out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
  }
  if (text.size() > kShown) out += "...";
  return out + '"';
}

ParsedCommand Fail(std::string reason) {
  return {std::nullopt, std::move(reason)};
}

std::string CommandNames() {
  std::string names;
  for (const Grammar& g : kGrammar) {
    if (!names.empty()) names += ", ";
    names += g.name;
  }
  return names;
}

ParsedCommand ParseArgument(const Grammar& g, std::string_view word) {
  Command command;
  command.kind = g.kind;
  const std::string name(g.name);
  switch (g.argument) {
    case Argument::kNone:
      break;
    case Argument::kOnOff:
      if (word != "on" && word != "off") return Fail(name + " takes on or off");
      command.on = word == "on";
      break;
    case Argument::kNumber: {
      const auto number = ParseNumber(word);
      if (!number || *number < g.min || *number > g.max) {
        return Fail(name + " takes a number from " + std::to_string(g.min) + " to " +
                    std::to_string(g.max));
      }
      command.number = *number;
      break;
    }
    case Argument::kRate: {
      const auto hz = ParseNumber(word);
      const auto code = hz ? RateCodeOfHz(*hz) : std::nullopt;
      if (!code) return Fail("rate takes 125, 250, 500 or 1000 (Hz)");
      command.number = *code;
      break;
    }
    case Argument::kAck: {
      const auto policy = ParseAckPolicy(word);
      if (!policy) return Fail("ack takes always, never or after=N with N from 1");
      command.ack = *policy;
      break;
    }
  }
  return {command, {}};
}

}  // namespace

ParsedCommand ParseCommand(std::string_view line) {
  const auto words = Words(line);
  if (words.empty()) return Fail("empty command");
  for (const Grammar& g : kGrammar) {
    if (words[0] != g.name) continue;
    const std::size_t wanted = g.argument == Argument::kNone ? 1 : 2;
    if (words.size() != wanted) {
      return Fail(std::string(g.name) +
                  (wanted == 1 ? " takes no argument" : " takes one argument"));
    }
    return ParseArgument(g, wanted == 2 ? words[1] : std::string_view());
  }
  return Fail("unknown command " + Quoted(words[0]) + " (commands: " + CommandNames() + ")");
}

std::optional<int> ParseNumber(std::string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::optional<AckPolicy> ParseAckPolicy(std::string_view text) {
  if (text == "always") return AckPolicy{AckMode::kAlways, 1};
  if (text == "never") return AckPolicy{AckMode::kNever, 1};
  constexpr std::string_view kAfter = "after=";
  if (!text.starts_with(kAfter)) return std::nullopt;
  const auto copies = ParseNumber(text.substr(kAfter.size()));
  if (!copies || *copies < 1) return std::nullopt;
  return AckPolicy{AckMode::kAfterCopies, *copies};
}

std::string AckPolicyText(const AckPolicy& policy) {
  switch (policy.mode) {
    case AckMode::kNever:
      return "never";
    case AckMode::kAfterCopies:
      return "after=" + std::to_string(policy.copies);
    case AckMode::kAlways:
      break;
  }
  return "always";
}

std::optional<int> RateCodeOfHz(int hz) {
  switch (hz) {
    case 1000:
      return 1;
    case 500:
      return 2;
    case 250:
      return 4;
    case 125:
      return 8;
    default:
      return std::nullopt;
  }
}

}  // namespace melko::vmouse
