// What the keyboard layout reads from the system: the input as a keyboard defaults file, and its
// lines as what each key types (from the keymap), named through the key names of every code.
#include <sstream>
#include <string>

#include "input/key_names.h"
#include "input/typed_text_layout.h"
#include "input/xkb/xkb_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  melko::ParseKeyboardDefaults(text);
  std::istringstream lines(text);
  const melko::TypedTextLayout layout([&](std::uint32_t) {
    std::string line;
    std::getline(lines, line);
    return line;
  });
  for (std::uint32_t code = 0; code < 256; ++code) {
    melko::VirtualKeyToUsage(layout, code);
    melko::VirtualKeyToKeyName(layout, code);
    melko::UsageToKeyName(layout, code);
  }
  return 0;
}
