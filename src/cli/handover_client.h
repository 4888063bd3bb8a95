// melkoctl's side of the hand-over to a running desktop program (common/handover.h): when one
// runs on the same data folder, it writes to the mouse and melkoctl only reports.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "common/handover.h"

namespace melko::cli {

// Asks the program listening at socket_path to carry out the request. Nothing when no program
// takes it (none runs, it works on another data folder, or it does not speak this request), so
// that melkoctl goes on alone; otherwise its last answer. on_report hears each report line. A
// program that accepted the request but then says nothing for answer_limit, or goes away, gives
// kUnfinished.
std::optional<HandoverAnswer> HandOver(const std::string& socket_path,
                                       const HandoverRequest& request,
                                       const std::function<void(const std::string&)>& on_report,
                                       std::chrono::milliseconds answer_limit);

}  // namespace melko::cli
