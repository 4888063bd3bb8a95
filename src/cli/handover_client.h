// melkoctl's side of the hand-over to a running desktop program (common/handover.h): when one
// runs on the same data folder, it writes to the mouse and melkoctl only reports.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "common/handover.h"

namespace melko::cli {

// One exchange with the program listening at a socket.
class DesktopHandover {
 public:
  // Connects; connected() tells whether a program listens there.
  explicit DesktopHandover(const std::string& socket_path);
  ~DesktopHandover();
  DesktopHandover(const DesktopHandover&) = delete;
  DesktopHandover& operator=(const DesktopHandover&) = delete;

  bool connected() const { return fd_ >= 0; }

  // Sends the request and waits up to accept_limit for the program to take it. False when it does
  // not (it works on another data folder, does not speak this request, or does not answer): it
  // has then done nothing, and melkoctl goes on alone.
  bool Request(const HandoverRequest& request, std::chrono::milliseconds accept_limit);
  // After an accepted request: the program's last answer; each report line goes to on_report. A
  // program that says nothing for answer_limit, or goes away, gives kUnfinished.
  HandoverAnswer Outcome(const std::function<void(const std::string&)>& on_report,
                         std::chrono::milliseconds answer_limit);

 private:
  bool Send(const std::string& text);
  std::optional<std::string> ReadLine(std::chrono::steady_clock::time_point deadline);
  bool Await(short events, std::chrono::steady_clock::time_point deadline);

  int fd_ = -1;
  std::string buffered_;
};

// The request for a data folder; nothing when the folder's path cannot be worked out.
std::optional<HandoverRequest> MakeHandoverRequest(const std::filesystem::path& data_folder,
                                                   HandoverSend send, double wait_seconds);

// How long a command waits for the program's last answer: for a link, then a full apply.
std::chrono::milliseconds HandoverAnswerLimit(double wait_seconds);

// Prints the progress line of an interactive command for each report sent.
void ShowSendingReport(const std::string& report);

// Says what the program did with a changed store's send (on report), or refuses.
void ReportHandedSend(const HandoverAnswer& answer, std::ostream& report);
// Says what the program did with an apply (on out), or refuses.
void ReportHandedApply(const HandoverAnswer& answer, std::ostream& out);

}  // namespace melko::cli
