#include "input/key_names.h"

#include <utility>

#include "common/language.h"
#include "input/key_table.h"

namespace melko {
namespace {

using NameEntry = std::pair<std::uint32_t, std::string_view>;

constexpr NameEntry kUsageNames[] = {
    {58, "key_F1"},
    {59, "key_F2"},
    {60, "key_F3"},
    {61, "key_F4"},
    {62, "key_F5"},
    {63, "key_F6"},
    {64, "key_F7"},
    {65, "key_F8"},
    {66, "key_F9"},
    {67, "key_F10"},
    {68, "key_F11"},
    {69, "key_F12"},
    {70, "key_Print Scr"},
    {71, "key_Scroll Lock"},
    {72, "key_Pause"},
    {73, "key_Insert"},
    {74, "key_Home"},
    {75, "key_Page Up"},
    {76, "key_Delete"},
    {77, "key_End"},
    {78, "key_Page Down"},
    {79, "key_Right"},
    {80, "key_Left"},
    {81, "key_Down"},
    {82, "key_Up"},
    {83, "key_Num Lock"},
    {84, "key_Num_/"},
    {85, "key_Num_*"},
    {86, "key_Num_-"},
    {87, "key_Num_+"},
    {88, "key_Num_Enter"},
    {89, "key_Num_1"},
    {90, "key_Num_2"},
    {91, "key_Num_3"},
    {92, "key_Num_4"},
    {93, "key_Num_5"},
    {94, "key_Num_6"},
    {95, "key_Num_7"},
    {96, "key_Num_8"},
    {97, "key_Num_9"},
    {98, "key_Num_0"},
    {99, "key_Num_."},
    {100, "key_\\"},
    {101, "key_APP"},
    {102, ""},
    {103, ""},
    {104, ""},
    {130, "Sleep"},
    {136, "Kana/Roma"},
    {221, "`"},
    {224, "key_LCtrl"},
    {225, "key_LShift"},
    {226, "key_LAlt"},
    {227, "key_LWin"},
    {228, "key_RCtrl"},
    {229, "key_RShift"},
    {230, "key_RAlt"},
    {231, "key_RWin"},
    {241, "L_Button"},
    {242, "R_Button"},
    {243, "M_Button"},
    {244, "Backward_Button"},
    {245, "Forward_Button"},
};

constexpr NameEntry kVirtualKeyNames[] = {
    {8, "key_BackSpace"}, {9, "key_Tab"},         {13, "key_Enter"},        {16, "key_LShift"},
    {17, "key_LCtrl"},    {18, "key_LAlt"},       {19, "key_Pause"},        {20, "key_Caplk"},
    {27, "key_Esc"},      {32, "key_Space"},      {33, "key_Page Up"},      {34, "key_Page Down"},
    {35, "key_End"},      {36, "key_Home"},       {37, "key_Left"},         {38, "key_Up"},
    {39, "key_Right"},    {40, "key_Down"},       {42, "key_Print Scr"},    {44, "key_Print Scr"},
    {45, "key_Insert"},   {46, "key_Delete"},     {91, "key_LWin"},         {92, "key_RWin"},
    {93, "key_APP"},      {96, "key_Num_0"},      {97, "key_Num_1"},        {98, "key_Num_2"},
    {99, "key_Num_3"},    {100, "key_Num_4"},     {101, "key_Num_5"},       {102, "key_Num_6"},
    {103, "key_Num_7"},   {104, "key_Num_8"},     {105, "key_Num_9"},       {106, "key_Num_*"},
    {107, "key_Num_+"},   {108, "key_Num_Enter"}, {109, "key_Num_-"},       {110, "key_Num_."},
    {111, "key_Num_/"},   {112, "key_F1"},        {113, "key_F2"},          {114, "key_F3"},
    {115, "key_F4"},      {116, "key_F5"},        {117, "key_F6"},          {118, "key_F7"},
    {119, "key_F8"},      {120, "key_F9"},        {121, "key_F10"},         {122, "key_F11"},
    {123, "key_F12"},     {144, "key_Num Lock"},  {145, "key_Scroll Lock"}, {160, "key_LShift"},
    {161, "key_RShift"},  {162, "key_LCtrl"},     {163, "key_RCtrl"},       {164, "key_LAlt"},
    {165, "key_RAlt"},    {240, "key_Caplk"},
};

template <std::size_t N>
std::optional<std::string_view> FindName(const NameEntry (&list)[N], std::uint32_t code) {
  for (const auto& [listed, key] : list) {
    if (listed == code) return key;
  }
  return std::nullopt;
}

// Usages of letters, digits, punctuation, F1 to F12 and the keys between them: these name a key
// position, so the layout decides which virtual-key code reaches them.
bool IsPositionUsage(std::uint32_t usage) {
  return usage >= 0x04 && usage <= 0x45;
}

}  // namespace

std::optional<std::string_view> UsageNameKey(std::uint32_t usage) {
  return FindName(kUsageNames, usage);
}

std::optional<std::string_view> VirtualKeyNameKey(std::uint32_t virtual_key) {
  return FindName(kVirtualKeyNames, virtual_key);
}

std::optional<std::uint32_t> VirtualKeyToUsage(const KeyboardLayout& layout,
                                               std::uint32_t virtual_key) {
  const KeyRow* row = FindRowByVirtualKey(virtual_key);
  if (!row) return std::nullopt;
  if (IsPositionUsage(row->usage)) {
    if (const KeyRow* position = FindRowByScanCode(layout.ScanCodeOf(virtual_key))) {
      return position->usage;
    }
  }
  return row->usage;
}

std::string UsageToKeyName(const KeyboardLayout& layout, std::uint32_t usage) {
  if (usage >= 4 && usage <= 57) {
    // Letters, digits, punctuation, Enter to Space and Caps Lock: what the key there is called.
    const KeyRow* row = FindRowByUsage(usage);
    const std::uint32_t virtual_key = row ? layout.VirtualKeyOf(row->scan_code) : 0;
    if (virtual_key == 0 && row) {
      // No layout knows the key (none could be loaded): Enter, Esc, Tab, Space, Backspace and
      // Caps Lock keep their fixed names, letters and digits the name of the US position.
      if (const auto key = VirtualKeyNameKey(row->virtual_key)) return text(*key);
      const char ascii = char(row->virtual_key);
      if ((ascii >= 'A' && ascii <= 'Z') || (ascii >= '0' && ascii <= '9')) {
        return std::string(1, ascii);
      }
    }
    return VirtualKeyToKeyName(layout, virtual_key);
  }
  if (usage >= 232 && usage <= 239) {
    const KeyRow* row = FindRowByUsage(usage);
    return VirtualKeyToKeyName(layout, row ? row->virtual_key : 0);
  }
  if (const auto key = UsageNameKey(usage)) return text(*key);
  return {};
}

std::string VirtualKeyToKeyName(const KeyboardLayout& layout, std::uint32_t virtual_key) {
  if (const auto key = VirtualKeyNameKey(virtual_key)) return text(*key);
  const std::uint32_t scan_code = layout.ScanCodeOf(virtual_key);
  if (scan_code == 0) return {};
  std::string name = layout.TypedText(scan_code);
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return name;
}

}  // namespace melko
