#include "input/typed_text_layout.h"

#include <iterator>
#include <set>
#include <vector>

namespace melko {
namespace {

constexpr KeyPosition kPositions[] = {
    // Typing keys: the layout decides their codes.
    {2, 0x31, true},   // 1
    {3, 0x32, true},   // 2
    {4, 0x33, true},   // 3
    {5, 0x34, true},   // 4
    {6, 0x35, true},   // 5
    {7, 0x36, true},   // 6
    {8, 0x37, true},   // 7
    {9, 0x38, true},   // 8
    {10, 0x39, true},  // 9
    {11, 0x30, true},  // 0
    {12, 0xBD, true},  // minus
    {13, 0xBB, true},  // equals
    {16, 0x51, true},  // Q
    {17, 0x57, true},  // W
    {18, 0x45, true},  // E
    {19, 0x52, true},  // R
    {20, 0x54, true},  // T
    {21, 0x59, true},  // Y
    {22, 0x55, true},  // U
    {23, 0x49, true},  // I
    {24, 0x4F, true},  // O
    {25, 0x50, true},  // P
    {26, 0xDB, true},  // left bracket
    {27, 0xDD, true},  // right bracket
    {30, 0x41, true},  // A
    {31, 0x53, true},  // S
    {32, 0x44, true},  // D
    {33, 0x46, true},  // F
    {34, 0x47, true},  // G
    {35, 0x48, true},  // H
    {36, 0x4A, true},  // J
    {37, 0x4B, true},  // K
    {38, 0x4C, true},  // L
    {39, 0xBA, true},  // semicolon
    {40, 0xDE, true},  // quote
    {41, 0xC0, true},  // grave accent
    {43, 0xDC, true},  // backslash
    {44, 0x5A, true},  // Z
    {45, 0x58, true},  // X
    {46, 0x43, true},  // C
    {47, 0x56, true},  // V
    {48, 0x42, true},  // B
    {49, 0x4E, true},  // N
    {50, 0x4D, true},  // M
    {51, 0xBC, true},  // comma
    {52, 0xBE, true},  // period
    {53, 0xBF, true},  // slash
    {86, 0xE2, true},  // extra key left of Z
    // Keys named the same on every layout; modifiers left and right told apart.
    {1, 0x1B, false},    // Esc
    {14, 0x08, false},   // Backspace
    {15, 0x09, false},   // Tab
    {28, 0x0D, false},   // Enter
    {57, 0x20, false},   // Space
    {58, 0x14, false},   // Caps Lock
    {29, 0xA2, false},   // left Ctrl
    {42, 0xA0, false},   // left Shift
    {56, 0xA4, false},   // left Alt
    {125, 0x5B, false},  // left Super
    {97, 0xA3, false},   // right Ctrl
    {54, 0xA1, false},   // right Shift
    {100, 0xA5, false},  // right Alt
    {126, 0x5C, false},  // right Super
    {127, 0x5D, false},  // Application
    // F1 to F12, then the system and navigation keys.
    {59, 0x70, false},   // F1
    {60, 0x71, false},   // F2
    {61, 0x72, false},   // F3
    {62, 0x73, false},   // F4
    {63, 0x74, false},   // F5
    {64, 0x75, false},   // F6
    {65, 0x76, false},   // F7
    {66, 0x77, false},   // F8
    {67, 0x78, false},   // F9
    {68, 0x79, false},   // F10
    {87, 0x7A, false},   // F11
    {88, 0x7B, false},   // F12
    {99, 0x2C, false},   // Print Screen
    {70, 0x91, false},   // Scroll Lock
    {119, 0x13, false},  // Pause
    {110, 0x2D, false},  // Insert
    {102, 0x24, false},  // Home
    {104, 0x21, false},  // Page Up
    {111, 0x2E, false},  // Delete
    {107, 0x23, false},  // End
    {109, 0x22, false},  // Page Down
    {106, 0x27, false},  // right arrow
    {105, 0x25, false},  // left arrow
    {108, 0x28, false},  // down arrow
    {103, 0x26, false},  // up arrow
    // Keypad, with its Enter on the separator code as in the key table.
    {69, 0x90, false},  // Num Lock
    {98, 0x6F, false},  // keypad divide
    {55, 0x6A, false},  // keypad multiply
    {74, 0x6D, false},  // keypad minus
    {78, 0x6B, false},  // keypad plus
    {96, 0x6C, false},  // keypad Enter (separator code)
    {79, 0x61, false},  // keypad 1
    {80, 0x62, false},  // keypad 2
    {81, 0x63, false},  // keypad 3
    {75, 0x64, false},  // keypad 4
    {76, 0x65, false},  // keypad 5
    {77, 0x66, false},  // keypad 6
    {71, 0x67, false},  // keypad 7
    {72, 0x68, false},  // keypad 8
    {73, 0x69, false},  // keypad 9
    {82, 0x60, false},  // keypad 0
    {83, 0x6E, false},  // keypad decimal point
};

// 'A' to 'Z' or '0' to '9' when the text is one ASCII letter or digit, else 0.
std::uint32_t LetterOrDigitCode(const std::string& text) {
  if (text.size() != 1) return 0;
  const char c = text[0];
  if (c >= 'a' && c <= 'z') return std::uint32_t(c - 'a' + 'A');
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return std::uint32_t(c);
  return 0;
}

}  // namespace

std::span<const KeyPosition> StandardKeyPositions() {
  return kPositions;
}

TypedTextLayout::TypedTextLayout(
    const std::function<std::string(std::uint32_t scan_code)>& typed_text) {
  std::vector<std::uint32_t> assigned(std::size(kPositions), 0);
  std::set<std::uint32_t> taken;
  for (std::size_t i = 0; i < std::size(kPositions); ++i) {
    std::string text = typed_text(kPositions[i].scan_code);
    if (kPositions[i].typing_key) {
      const std::uint32_t code = LetterOrDigitCode(text);
      if (code != 0 && taken.insert(code).second) assigned[i] = code;
    }
    if (!text.empty()) text_of_scan_[kPositions[i].scan_code] = std::move(text);
  }
  for (std::size_t i = 0; i < std::size(kPositions); ++i) {
    if (assigned[i] == 0 && taken.insert(kPositions[i].standard_virtual_key).second) {
      assigned[i] = kPositions[i].standard_virtual_key;
    }
  }
  std::vector<std::uint32_t> left_over;
  for (const KeyPosition& position : kPositions) {
    if (!taken.count(position.standard_virtual_key))
      left_over.push_back(position.standard_virtual_key);
  }
  std::size_t next_left_over = 0;
  for (std::size_t i = 0; i < std::size(kPositions); ++i) {
    // As many codes are left over as keys are without one: letters and digits are position codes
    // too, so every code handed out above is one position code fewer.
    if (assigned[i] == 0) assigned[i] = left_over.at(next_left_over++);
    virtual_key_of_scan_[kPositions[i].scan_code] = assigned[i];
    scan_of_virtual_key_[assigned[i]] = kPositions[i].scan_code;
  }
}

std::uint32_t TypedTextLayout::ScanCodeOf(std::uint32_t virtual_key) const {
  const auto found = scan_of_virtual_key_.find(virtual_key);
  return found == scan_of_virtual_key_.end() ? 0 : found->second;
}

std::uint32_t TypedTextLayout::VirtualKeyOf(std::uint32_t scan_code) const {
  const auto found = virtual_key_of_scan_.find(scan_code);
  return found == virtual_key_of_scan_.end() ? 0 : found->second;
}

std::string TypedTextLayout::TypedText(std::uint32_t scan_code) const {
  const auto found = text_of_scan_.find(scan_code);
  return found == text_of_scan_.end() ? std::string() : found->second;
}

}  // namespace melko
