// The lines of the driver-library socket: the requests a library sends and the lines the mouse
// pushes back. See docs/virtual-mouse.md for the conversation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vmouse/link.h"

namespace melko::vmouse {

enum class RequestKind { kHello, kOpen, kClose, kFeature };

struct LibraryRequest {
  RequestKind kind = RequestKind::kOpen;
  Link link = Link::kWired;         // hello: wired is the cable, receiver the 2.4 GHz receiver
  std::vector<std::uint8_t> bytes;  // feature
};

struct ParsedRequest {
  std::optional<LibraryRequest> request;
  std::string error;
};

ParsedRequest ParseLibraryRequest(std::string_view line);

// Lowercase hex pairs without separators, as the protocol writes bytes.
std::optional<std::vector<std::uint8_t>> ParseLowercaseHex(std::string_view hex);

std::string EventLine(std::uint16_t event_word, std::uint16_t value);  // "event 4010 6403"
std::string ConnectLine(bool present);                                 // "connect 1"
std::string OpenLine(bool present);                                    // "open 1"
std::string ResultLine(bool written);                                  // "result 1"

}  // namespace melko::vmouse
