#include "shell/dialog_logic.h"

#include <cctype>
#include <optional>

#include "common/text.h"
#include "input/key_names.h"

namespace melko {

FilteredText DigitsOnly(std::string_view text) {
  FilteredText result;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      result.text.push_back(c);
    } else {
      result.changed = true;
    }
  }
  return result;
}

ChannelValue ParseChannel(std::string_view text) {
  const long long value = ReadLeadingInteger(text);
  if (value > 255) return {255, true};
  if (value < 0) return {0, true};
  return {int(value), false};
}

std::uint32_t WithChannel(std::uint32_t argb, int channel, int value) {
  const int shift = 16 - 8 * channel;
  const std::uint32_t mask = 0xFFu << shift;
  return 0xFF000000u | (argb & ~mask & 0x00FFFFFFu) | (std::uint32_t(value & 0xFF) << shift);
}

const std::vector<std::uint32_t>& ColourSwatches() {
  static const std::vector<std::uint32_t> swatches = {
      0xFF00FFFF, 0xFF6CFF00, 0xFF7F00FF, 0xFF007FFF, 0xFF0000FF, 0xFF7FFF00,
      0xFFFF5400, 0xFFFF7F00, 0xFFFFB400, 0xFFFFFF00, 0xFFFF0000, 0xFFFF00FF,
      0xFF1EB40A, 0xFF48B1FF, 0xFFFF48B0, 0xFFFFFFFF};
  return swatches;
}

RepeatCount ParseRepeatCount(std::string_view text) {
  const long long value = ReadLeadingInteger(text);
  if (value >= 256) return {255, "255"};
  if (value <= 0) return {1, "1"};
  return {int(value), std::to_string(value)};
}

std::string ProfileNameRefusal(const std::u16string& name,
                               const std::vector<std::u16string>& taken) {
  if (name.empty()) return "warn_name_1_text";
  for (const std::u16string& other : taken) {
    if (EqualsIgnoreCase(other, name)) return "warn_name_2_text";
  }
  return {};
}

int AssignmentMenuTop(int y, int menu_height, int screen_bottom) {
  if (y + menu_height + 4 < screen_bottom) return y;
  // Upwards: the menu ends just below the button's top edge.
  return y + 21 - menu_height;
}

namespace {

// The box (Ctrl, Shift, Alt, Win) of a modifier key's virtual-key code, left, right or either.
std::optional<std::size_t> ModifierBox(std::uint32_t virtual_key) {
  switch (virtual_key) {
    case 0x11:
    case 0xA2:
    case 0xA3:
      return 0;
    case 0x10:
    case 0xA0:
    case 0xA1:
      return 1;
    case 0x12:
    case 0xA4:
    case 0xA5:
      return 2;
    case 0x5B:
    case 0x5C:
      return 3;
    default:
      return std::nullopt;
  }
}

}  // namespace

void ShortcutTyping::Restart() {
  down_.reset();
  lone_modifier_ = 0;
}

bool ShortcutTyping::Hear(const KeyboardLayout& layout, std::uint32_t virtual_key, bool release,
                          ShortcutFields& fields) {
  if (virtual_key >= down_.size()) return false;
  const auto usage = [&] {
    return std::uint8_t(VirtualKeyToUsage(layout, virtual_key).value_or(0));
  };
  if (release) {
    if (!down_[virtual_key]) return false;  // pressed before the listening began
    down_[virtual_key] = false;
    if (virtual_key != lone_modifier_) return false;
    lone_modifier_ = 0;
    fields.key = usage();
    return true;
  }
  if (down_[virtual_key]) return false;  // a held key's repeat
  const bool alone = down_.none();
  down_[virtual_key] = true;
  if (ModifierBox(virtual_key)) {
    lone_modifier_ = alone ? virtual_key : 0;
    return false;
  }
  lone_modifier_ = 0;
  std::array<bool, 4> held{};
  for (std::size_t key = 0; key < down_.size(); ++key) {
    if (const auto box = ModifierBox(std::uint32_t(key)); box && down_[key]) held[*box] = true;
  }
  if (held != std::array<bool, 4>{}) fields.modifiers = held;
  fields.key = usage();
  return true;
}

}  // namespace melko
