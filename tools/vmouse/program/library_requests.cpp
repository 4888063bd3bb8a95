#include "vmouse/program/library_requests.h"

#include <cstdio>

namespace melko::vmouse {
namespace {

ParsedRequest Fail(std::string reason) {
  return {std::nullopt, std::move(reason)};
}

ParsedRequest Accept(RequestKind kind, Link link = Link::kWired,
                     std::vector<std::uint8_t> bytes = {}) {
  LibraryRequest request;
  request.kind = kind;
  request.link = link;
  request.bytes = std::move(bytes);
  return {std::move(request), {}};
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

ParsedRequest ParseLibraryRequest(std::string_view line) {
  const std::size_t space = line.find(' ');
  const std::string_view verb = line.substr(0, space);
  const bool has_argument = space != std::string_view::npos;
  const std::string_view argument = has_argument ? line.substr(space + 1) : std::string_view();

  if (verb == "open" || verb == "close") {
    if (has_argument) return Fail(std::string(verb) + " takes no argument");
    return Accept(verb == "open" ? RequestKind::kOpen : RequestKind::kClose);
  }
  if (verb == "hello") {
    if (argument == "wired") return Accept(RequestKind::kHello, Link::kWired);
    if (argument == "receiver") return Accept(RequestKind::kHello, Link::kWireless);
    return Fail("hello takes wired or receiver");
  }
  if (verb == "feature") {
    if (argument.empty()) return Fail("feature needs the report as hex");
    auto bytes = ParseLowercaseHex(argument);
    if (!bytes) return Fail("feature needs an even number of lowercase hex digits");
    return Accept(RequestKind::kFeature, Link::kWired, std::move(*bytes));
  }
  if (line.empty()) return Fail("empty line");
  return Fail("unknown request (hello, open, close or feature)");
}

std::optional<std::vector<std::uint8_t>> ParseLowercaseHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]);
    const int low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(std::uint8_t(high << 4 | low));
  }
  return bytes;
}

std::string EventLine(std::uint16_t event_word, std::uint16_t value) {
  char line[32];
  std::snprintf(line, sizeof line, "event %04x %04x", unsigned(event_word), unsigned(value));
  return line;
}

std::string ConnectLine(bool present) {
  return present ? "connect 1" : "connect 0";
}

std::string OpenLine(bool present) {
  return present ? "open 1" : "open 0";
}

std::string ResultLine(bool written) {
  return written ? "result 1" : "result 0";
}

}  // namespace melko::vmouse
