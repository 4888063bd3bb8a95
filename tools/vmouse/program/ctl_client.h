// `melko-vmouse ctl`: sends one command to a running mouse and prints its answer.
#pragma once

#include <string>

namespace melko::vmouse {

// Exit status: 0 when the mouse answered with anything but an error, 1 otherwise.
int RunCtl(const std::string& socket_path, const std::string& command);

}  // namespace melko::vmouse
