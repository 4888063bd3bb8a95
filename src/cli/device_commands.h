// The commands that talk to the mouse: status, apply, set and watch. Each runs the device side of
// the program (DeviceRuntime) on an event loop for as long as it needs.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/device_options.h"
#include "cli/session.h"

namespace melko::cli {

// After a command changed the stores: writes the selected profile to the mouse when a link can
// take settings, waiting up to options.wait_seconds for one. With before (the selected profile as
// the mouse is taken to hold it) only the blocks that differ are sent, else everything. Lets go of
// the session's store lock. Says on report what happened.
void SendSelectedProfile(Session& session, const DeviceOptions& options,
                         const std::optional<ProfileRecord>& before, std::ostream& report);

void RunStatus(Session& session, const std::vector<std::string>& args);
void RunApply(Session& session, const std::vector<std::string>& args);
void RunSet(Session& session, const std::vector<std::string>& args);
void RunWatch(Session& session, const std::vector<std::string>& args);

}  // namespace melko::cli
