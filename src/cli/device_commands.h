// The commands that talk to the mouse: status, apply, set and watch. Each runs the device side of
// the program (DeviceRuntime) on an event loop for as long as it needs.
#pragma once

#include <string>
#include <vector>

#include "cli/session.h"

namespace melko::cli {

void RunStatus(Session& session, const std::vector<std::string>& args);
void RunApply(Session& session, const std::vector<std::string>& args);
void RunSet(Session& session, const std::vector<std::string>& args);
void RunWatch(Session& session, const std::vector<std::string>& args);

}  // namespace melko::cli
