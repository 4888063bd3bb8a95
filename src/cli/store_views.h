// The commands that only show what the stores hold: the lists of profiles and macros and one
// profile or macro in full. They need neither the mouse nor an event loop, so melkoctl runs them
// without loading the device side at all.
#pragma once

#include <string>
#include <vector>

#include "cli/session.h"

namespace melko::cli {

void ListProfiles(Session& session);
// args: the profile's name, or nothing for the selected one.
void ShowProfile(Session& session, const std::vector<std::string>& args);
void ListMacros(Session& session);
// args: the macro's name.
void ShowMacro(Session& session, const std::vector<std::string>& args);

}  // namespace melko::cli
