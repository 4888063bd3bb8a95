// Which report blocks an apply sends: found by comparing the current profile with the copy last
// applied, field group by field group.
#pragma once

#include <array>

#include "profiles/profile_record.h"

namespace melko {

struct DirtyBlocks {
  bool dpi = false;
  bool light = false;
  bool rate = false;
  bool buttons = false;
  std::array<bool, kMouseButtonCount> macro{};  // per button slot

  static DirtyBlocks All();
  bool operator==(const DirtyBlocks&) const = default;
};

// Compares the fields each block is made of. Fields outside every block (the name, move_mode,
// reserved values) never mark anything; a change of a macro's name, index or step count alone
// marks only the buttons block, since the macro report does not carry them.
DirtyBlocks DetectChanges(const ProfileRecord& now, const ProfileRecord& before);

}  // namespace melko
