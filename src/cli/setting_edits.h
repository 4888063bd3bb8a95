// `melkoctl set ...`: one setting of a profile, parsed from words and checked against what the
// mouse's reports can carry.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "macros/macro_store.h"
#include "profiles/profile_record.h"

namespace melko::cli {

// Parses the words after "set" into an edit of a profile; throws Refused for a value out of range
// (naming the range) and UsageError for words it does not understand. The macro store is needed
// for `button N macro NAME`.
std::function<void(ProfileRecord&)> ParseSettingEdit(const std::vector<std::string>& words,
                                                     const MacroStore& macros);

// The usage text of `set`, with the function names a button takes.
std::string SetUsage();

}  // namespace melko::cli
