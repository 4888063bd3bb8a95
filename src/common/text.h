// UTF-16 text helpers: the stores keep names as NUL-terminated UTF-16LE in fixed fields, while the
// rest of the program (command line, files, terminal) speaks UTF-8.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace melko {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
void AppendUtf8(std::string& out, char32_t code_point);

// Compares two names the way the stores do: without regard to letter case (simple Unicode case
// folding of each code point, independent of the process locale).
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);

// Compares two ASCII names (menu items, command words) without regard to ASCII letter case.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// The decimal integer at the start of typed text: leading blanks, an optional sign, then digits up
// to the first other character; 0 when there are none. Its magnitude saturates at 10^9, far past
// any value a field takes, so that no length of digits overflows.
long long ReadLeadingInteger(std::string_view text);

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// Shortens text to at most max_units UTF-16 units without splitting a surrogate pair.
std::u16string TruncateUnits(std::u16string_view text, std::size_t max_units);

// The text of a fixed name field: up to the first NUL, and at most N - 1 units, the most a name
// written into the field keeps. A field without a terminator (written by another program) thus
// reads as the same name wherever it is read, copied or compared, and never past its end.
template <std::size_t N>
std::u16string ReadFixedText(const std::array<char16_t, N>& field) {
  std::size_t length = 0;
  while (length < N && field[length] != u'\0') ++length;
  return TruncateUnits(std::u16string_view(field.data(), length), N - 1);
}

// Clears the whole field and writes text with a terminating NUL, keeping at most N - 1 units.
template <std::size_t N>
void WriteFixedText(std::array<char16_t, N>& field, std::u16string_view text) {
  field.fill(u'\0');
  const std::u16string kept = TruncateUnits(text, N - 1);
  for (std::size_t i = 0; i < kept.size(); ++i) field[i] = kept[i];
}

}  // namespace melko
