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

// The name field of a record, owned or held by value.
template <class Record>
const auto& NameField(const Record& record) {
  return record.name;
}
template <class Record>
const auto& NameField(const std::unique_ptr<Record>& record) {
  return record->name;
}

// The record named exactly so; failing that, the first named so without regard to case; -1 when
// there is none. An exact match wins, so that of "Jump" and "JUMP" (possible in a store another
// program wrote) each is found by its own name.
template <class List>
int FindName(const List& list, std::u16string_view name) {
  int folded = -1;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::u16string candidate = ReadFixedText(NameField(list[i]));
    if (candidate == name) return int(i);
    if (folded < 0 && EqualsIgnoreCase(candidate, name)) folded = int(i);
  }
  return folded;
}

// A record of a list that is read anew from disk after every change, identified by its exact name
// and by how many records before it bear exactly that name (0 for the first). Names that differ
// in letter case name different records here.
struct NameKey {
  std::u16string name;
  std::size_t ordinal = 0;
  bool operator==(const NameKey&) const = default;
};

template <class List>
NameKey KeyOf(const List& list, std::size_t index) {
  NameKey key{ReadFixedText(NameField(list[index])), 0};
  for (std::size_t i = 0; i < index; ++i) {
    if (ReadFixedText(NameField(list[i])) == key.name) ++key.ordinal;
  }
  return key;
}

// The record of that key. When no record bears its exact name any more, the one record named so
// without regard to case (another program changed only the letter case); -1 when there is none,
// when that is ambiguous, or when fewer records bear the name than before (this one is gone).
template <class List>
int FindKey(const List& list, const NameKey& key) {
  std::size_t exact = 0;
  int folded = -1;
  int folded_count = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::u16string name = ReadFixedText(NameField(list[i]));
    if (name == key.name) {
      if (exact++ == key.ordinal) return int(i);
    } else if (EqualsIgnoreCase(name, key.name)) {
      folded = int(i);
      ++folded_count;
    }
  }
  return exact == 0 && folded_count == 1 ? folded : -1;
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
