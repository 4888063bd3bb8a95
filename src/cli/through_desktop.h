// `melkoctl set` and `melkoctl apply` while the desktop program runs on the same data folder: it
// drives the mouse, so melkoctl needs none of the device side and runs them without
// melkoctl-mouse (whose libraries take longer to load than the rest of the command).
#pragma once

#include <optional>
#include <string>

#include "cli/session.h"

namespace melko::cli {

// The command's exit status once the running desktop program took it. Nothing when it is not one
// of these commands, no program takes it, or anything stops it before the program took it: this
// process has then changed nothing, and melkoctl-mouse runs the command as it would have. The
// options are the command line's, help and version already answered.
std::optional<int> RunThroughDesktop(const Options& options, const std::string& layout_name);

}  // namespace melko::cli
