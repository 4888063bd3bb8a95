// The language file reader and the UTF-8 conversion on arbitrary bytes.
#include <cstdlib>
#include <string_view>

#include "common/language.h"
#include "common/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const melko::LanguageTexts texts = melko::LanguageTexts::Parse(text);
  texts.Text("add_profile_text");
  // Converting to UTF-16 and back is stable after the first pass replaced malformed bytes.
  const std::string once = melko::Utf16ToUtf8(melko::Utf8ToUtf16(text));
  if (melko::Utf16ToUtf8(melko::Utf8ToUtf16(once)) != once) std::abort();
  return 0;
}
