#include "vmouse_lines.h"

#include <optional>

namespace melko::hiddriver {
namespace {

// Exactly four hex digits.
std::optional<std::uint16_t> Hex4(std::string_view text) {
  if (text.size() != 4) return std::nullopt;
  std::uint16_t value = 0;
  for (const char c : text) {
    int digit = 0;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    value = std::uint16_t(value << 4 | digit);
  }
  return value;
}

// "<word> 0" or "<word> 1".
std::optional<std::uint16_t> Flag(std::string_view line, std::string_view word) {
  if (line.size() != word.size() + 2 || !line.starts_with(word) || line[word.size()] != ' ') {
    return std::nullopt;
  }
  const char c = line.back();
  if (c != '0' && c != '1') return std::nullopt;
  return std::uint16_t(c - '0');
}

}  // namespace

void LineSplitter::Feed(std::string_view bytes, const LineHandler& on_line) {
  while (!bytes.empty()) {
    const auto end = bytes.find('\n');
    const auto part = bytes.substr(0, end);
    if (!dropping_) {
      if (pending_.size() + part.size() > kMaxLine) {
        pending_.clear();
        dropping_ = true;
      } else {
        pending_.append(part);
      }
    }
    if (end == std::string_view::npos) return;
    if (!dropping_) on_line(pending_);
    pending_.clear();
    dropping_ = false;
    bytes.remove_prefix(end + 1);
  }
}

void LineSplitter::Reset() {
  pending_.clear();
  dropping_ = false;
}

MouseLine ParseMouseLine(std::string_view line) {
  if (line == "ok") return {MouseLine::kOk};
  if (line.starts_with("error:")) return {MouseLine::kError};
  if (const auto flag = Flag(line, "open")) return {MouseLine::kOpen, *flag};
  if (const auto flag = Flag(line, "result")) return {MouseLine::kResult, *flag};
  if (const auto flag = Flag(line, "connect")) return {MouseLine::kConnect, *flag};
  // "event EEEE VVVV"
  if (line.size() == 15 && line.starts_with("event ") && line[10] == ' ') {
    const auto event = Hex4(line.substr(6, 4));
    const auto value = Hex4(line.substr(11, 4));
    if (event && value) return {MouseLine::kEvent, *event, *value};
  }
  return {};
}

std::string FeatureLine(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string line = "feature ";
  line.reserve(line.size() + bytes.size() * 2);
  for (const std::uint8_t byte : bytes) {
    line += kDigits[byte >> 4];
    line += kDigits[byte & 0x0F];
  }
  return line;
}

}  // namespace melko::hiddriver
