// The requests melkoctl hands to the running desktop program, so that one program drives the
// mouse, and their answers. Each is one line of text on the program's local socket (beside the
// single-instance requests), at most kLongestHandoverLine bytes with its newline:
//
//   melkoctl/1 send changed|full|apply wait=MS progress=0|1 folder=DATA-FOLDER
//
// "changed": the stores were changed, send what differs from what the mouse holds; "full": a
// profile switch or restore, send everything; "apply": melkoctl apply. wait is how long to wait
// for a link that can take settings, folder the data folder melkoctl works on (escaped). The
// program answers with lines, the last of which ends the exchange:
//
//   accepted                       the request is taken (sent at once)
//   report NAME                    a report is being sent (with progress=1)
//   sent LINK PROFILE              done over that link; PROFILE is the selected profile's name
//   no-link                        no link could take settings within the wait
//   unfinished                     the send did not finish (the program is ending)
//   elsewhere                      the program works on another data folder
//   failed REASON                  the stores could not be synchronised
//   bad-request REASON             the line is not a request of a version the program speaks
//
// Free text (folders, names, reasons) is escaped: bytes up to the space, '%' and DEL as %XX.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace melko {

inline constexpr std::size_t kLongestHandoverLine = 16384;
inline constexpr int kLongestHandoverWaitMs = 86400 * 1000;

enum class HandoverSend { kChanged, kFull, kApply };

struct HandoverRequest {
  HandoverSend send = HandoverSend::kChanged;
  int wait_ms = 0;
  bool progress = false;
  std::string data_folder;
};

enum class HandoverAnswerKind {
  kAccepted,
  kReport,
  kSent,
  kNoLink,
  kUnfinished,
  kElsewhere,
  kFailed,
  kBadRequest,
};

struct HandoverAnswer {
  HandoverAnswerKind kind = HandoverAnswerKind::kBadRequest;
  std::string first;   // report: NAME; sent: LINK; failed, bad-request: REASON
  std::string second;  // sent: PROFILE
};

std::string EscapeHandoverText(std::string_view text);
// Nothing for a malformed escape.
std::optional<std::string> UnescapeHandoverText(std::string_view text);

// Whether a line is meant as a hand-over request (of any version), not a second launch's.
bool IsHandoverLine(std::string_view line);

// Lines without their newline; the formatters add it.
std::string FormatHandoverRequest(const HandoverRequest& request);
// The request of a line, or nothing with why in *error.
std::optional<HandoverRequest> ParseHandoverRequest(std::string_view line, std::string* error);

std::string FormatHandoverAnswer(const HandoverAnswer& answer);
std::optional<HandoverAnswer> ParseHandoverAnswer(std::string_view line);

}  // namespace melko
