// Names of profiles and macros: unique within their list without regard to letter case, and
// numbered "name_N" when a name is taken.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"

namespace melko {

// Works on any list of owned records whose first field is their fixed UTF-16 name.
template <class Record>
bool NameExists(const std::vector<std::unique_ptr<Record>>& list, std::u16string_view name) {
  for (const auto& record : list) {
    if (EqualsIgnoreCase(ReadFixedText(record->name), name)) return true;
  }
  return false;
}

// The name itself when it is free, else "name_1", "name_2", ... whichever is free first. The
// result never exceeds max_units: the name is shortened so that the number always fits whole.
template <class Record>
std::u16string MakeUniqueName(const std::vector<std::unique_ptr<Record>>& list,
                              std::u16string_view name, std::size_t max_units) {
  std::u16string candidate = TruncateUnits(name, max_units);
  if (!NameExists(list, candidate)) return candidate;
  const std::u16string base = candidate;
  // At most list.size() + 1 numbers can be needed, since each taken one is a different record.
  for (std::size_t number = 1;; ++number) {
    const std::u16string suffix = Utf8ToUtf16("_" + std::to_string(number));
    const std::size_t room = max_units > suffix.size() ? max_units - suffix.size() : 0;
    candidate = TruncateUnits(base, room) + suffix;
    if (!NameExists(list, candidate)) return candidate;
  }
}

}  // namespace melko
