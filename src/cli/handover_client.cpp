#include "cli/handover_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>

#include "cli/device_options.h"
#include "cli/session.h"

namespace melko::cli {
namespace {

using Clock = std::chrono::steady_clock;

// Writing a request never waits longer than this for room in the socket.
constexpr std::chrono::milliseconds kSendLimit(5000);

}  // namespace

DesktopHandover::DesktopHandover(const std::string& socket_path) {
  sockaddr_un address{};
  if (socket_path.empty() || socket_path.size() >= sizeof address.sun_path) return;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, socket_path.c_str(), socket_path.size() + 1);
  // Non-blocking: a full backlog of a program that does not accept is no reason to hang.
  fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

DesktopHandover::~DesktopHandover() {
  if (fd_ >= 0) ::close(fd_);
}

bool DesktopHandover::Request(const HandoverRequest& request,
                              std::chrono::milliseconds accept_limit) {
  if (!connected() || !Send(FormatHandoverRequest(request))) return false;
  // Until "accepted", the program has done nothing: any other outcome leaves melkoctl alone.
  const auto first = ReadLine(Clock::now() + accept_limit);
  const auto accepted = first ? ParseHandoverAnswer(*first) : std::nullopt;
  return accepted && accepted->kind == HandoverAnswerKind::kAccepted;
}

HandoverAnswer DesktopHandover::Outcome(const std::function<void(const std::string&)>& on_report,
                                        std::chrono::milliseconds answer_limit) {
  const HandoverAnswer unfinished{HandoverAnswerKind::kUnfinished, {}, {}};
  const Clock::time_point deadline = Clock::now() + answer_limit;
  for (;;) {
    const auto line = ReadLine(deadline);
    if (!line) return unfinished;
    const auto answer = ParseHandoverAnswer(*line);
    if (!answer || answer->kind == HandoverAnswerKind::kAccepted) return unfinished;
    if (answer->kind != HandoverAnswerKind::kReport) return *answer;
    if (on_report) on_report(answer->first);
  }
}

bool DesktopHandover::Send(const std::string& text) {
  const Clock::time_point deadline = Clock::now() + kSendLimit;
  std::size_t done = 0;
  while (done < text.size()) {
    if (!Await(POLLOUT, deadline)) return false;
    const ssize_t sent = ::send(fd_, text.data() + done, text.size() - done, MSG_NOSIGNAL);
    if (sent < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (sent <= 0) return false;
    done += std::size_t(sent);
  }
  return true;
}

// The next line without its newline; nothing at the end of the stream, on an error, for a line too
// long, or when the deadline passes.
std::optional<std::string> DesktopHandover::ReadLine(Clock::time_point deadline) {
  for (;;) {
    const std::size_t end = buffered_.find('\n');
    if (end != std::string::npos) {
      std::string line = buffered_.substr(0, end);
      buffered_.erase(0, end + 1);
      return line;
    }
    if (buffered_.size() >= kLongestHandoverLine) return std::nullopt;
    if (!Await(POLLIN, deadline)) return std::nullopt;
    char chunk[512];
    const ssize_t got = ::recv(fd_, chunk, sizeof chunk, 0);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) return std::nullopt;
    buffered_.append(chunk, std::size_t(got));
  }
}

bool DesktopHandover::Await(short events, Clock::time_point deadline) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd watched{fd_, events, 0};
    const int ready = ::poll(&watched, 1, int(std::min<long long>(left.count(), 60000)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return false;
    if (ready > 0) return true;
  }
}

std::optional<HandoverRequest> MakeHandoverRequest(const std::filesystem::path& data_folder,
                                                   HandoverSend send, double wait_seconds) {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::weakly_canonical(data_folder, error);
  if (error) return std::nullopt;
  HandoverRequest request;
  request.send = send;
  request.wait_ms = int(Millis(wait_seconds).count());
  request.progress = Interactive();
  request.data_folder = folder.string();
  return request;
}

std::chrono::milliseconds HandoverAnswerLimit(double wait_seconds) {
  // As long as melkoctl would wait itself: the link, then a full apply of up to 15 minutes.
  return Millis(wait_seconds) + std::chrono::minutes(15);
}

void ShowSendingReport(const std::string& report) {
  std::cerr << "sending " << report << " report\n";
}

void ReportHandedSend(const HandoverAnswer& answer, std::ostream& report) {
  switch (answer.kind) {
    case HandoverAnswerKind::kSent:
      report << "saved and sent over the " << answer.first << '\n';
      return;
    case HandoverAnswerKind::kNoLink:
      report << "saved; not sent (no link to the mouse can take settings); melko sends it once "
                "one can\n";
      return;
    case HandoverAnswerKind::kFailed:
      throw Refused("saved, but the running melko could not take it: " + answer.first);
    default:
      throw Refused("saved, but sending did not finish");
  }
}

void ReportHandedApply(const HandoverAnswer& answer, std::ostream& out) {
  switch (answer.kind) {
    case HandoverAnswerKind::kSent:
      out << "applied " << answer.second << " over the " << answer.first << '\n';
      return;
    case HandoverAnswerKind::kNoLink:
      throw Refused(std::string(kNoLinkForApply) + "; melko applies it once one can");
    case HandoverAnswerKind::kFailed:
      throw Refused("the running melko could not apply: " + answer.first);
    default:
      throw Refused("the apply did not finish");
  }
}

}  // namespace melko::cli
