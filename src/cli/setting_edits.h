// `melkoctl set ...`: one setting of a profile, parsed from words and checked against what the
// mouse's reports can carry.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/device_options.h"
#include "cli/session.h"
#include "macros/macro_store.h"
#include "profiles/profile_record.h"

namespace melko::cli {

// Parses the words after "set" into an edit of a profile; throws Refused for a value out of range
// (naming the range) and UsageError for words it does not understand. The macro store is needed
// for `button N macro NAME`.
std::function<void(ProfileRecord&)> ParseSettingEdit(const std::vector<std::string>& words,
                                                     const MacroStore& macros);

// `set`'s change to the stores the session has loaded for writing, not yet saved: the profile
// options.profile names (or the selected one) gets the setting of options.rest.
struct SetChange {
  ProfileRecord before;  // the profile as it was
  bool changed = false;  // setting what is already set changes nothing, and writes nothing
  bool selected = true;  // only the selected profile is on the mouse
};
SetChange ChangeProfileForSet(Session& session, const DeviceOptions& options);

// What set says when it stored a profile that is not the selected one.
inline constexpr const char* kStoredNotSelected =
    "saved; not sent (the mouse holds the selected profile)\n";

// The usage text of `set`, with the function names a button takes.
std::string SetUsage();

}  // namespace melko::cli
