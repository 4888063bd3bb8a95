#include "bluez/modalias.h"

#include <cctype>

namespace melko::bluez {
namespace {

char Lower(char c) {
  return char(std::tolower(static_cast<unsigned char>(c)));
}

// Takes `word` off the front of `text`, ignoring case.
bool TakePrefix(std::string_view& text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (Lower(text[i]) != word[i]) return false;
  }
  text.remove_prefix(word.size());
  return true;
}

// Takes exactly four hex digits off the front of `text`.
std::optional<std::uint16_t> TakeHex4(std::string_view& text) {
  if (text.size() < 4) return std::nullopt;
  std::uint16_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const char c = Lower(text[i]);
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else {
      return std::nullopt;
    }
    value = std::uint16_t(value << 4 | digit);
  }
  text.remove_prefix(4);
  return value;
}

}  // namespace

std::optional<DeviceIds> ParseModalias(std::string_view modalias) {
  std::string_view rest = modalias;
  if (!TakePrefix(rest, "usb:") && !TakePrefix(rest, "bluetooth:")) return std::nullopt;
  if (!TakePrefix(rest, "v")) return std::nullopt;
  const auto vendor = TakeHex4(rest);
  if (!vendor || !TakePrefix(rest, "p")) return std::nullopt;
  const auto product = TakeHex4(rest);
  if (!product) return std::nullopt;
  return DeviceIds{*vendor, *product};
}

}  // namespace melko::bluez
