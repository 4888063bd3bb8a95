// The user's private runtime folder, where the desktop program keeps its single-instance lock and
// socket, so that melkoctl finds the running program there too.
#pragma once

#include <string>

namespace melko {

// $XDG_RUNTIME_DIR, or a private folder (0700) of the user's in the temporary folder; empty when
// neither is safe to use.
std::string PrivateRuntimeFolder();

// The running desktop program's socket: "<runtime folder>/Zorph Melko R7 Wireless.socket", or
// empty without a runtime folder.
std::string DesktopSocketPath();

}  // namespace melko
