#include "common/handover.h"

#include <charconv>
#include <vector>

namespace melko {
namespace {

constexpr std::string_view kVersionPrefix = "melkoctl/";
constexpr std::string_view kVersion1 = "melkoctl/1";

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  while (!line.empty()) {
    const std::size_t space = line.find(' ');
    if (space != 0) words.push_back(line.substr(0, space));
    if (space == std::string_view::npos) break;
    line.remove_prefix(space + 1);
  }
  return words;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The value of "key=value", or nothing when the word is not that key.
std::optional<std::string_view> ValueOf(std::string_view word, std::string_view key) {
  if (word.size() <= key.size() || word.substr(0, key.size()) != key || word[key.size()] != '=') {
    return std::nullopt;
  }
  return word.substr(key.size() + 1);
}

struct AnswerName {
  HandoverAnswerKind kind;
  std::string_view word;
  std::size_t texts;  // escaped words that follow
};
constexpr AnswerName kAnswers[] = {
    {HandoverAnswerKind::kAccepted, "accepted", 0},
    {HandoverAnswerKind::kReport, "report", 1},
    {HandoverAnswerKind::kSent, "sent", 2},
    {HandoverAnswerKind::kNoLink, "no-link", 0},
    {HandoverAnswerKind::kUnfinished, "unfinished", 0},
    {HandoverAnswerKind::kElsewhere, "elsewhere", 0},
    {HandoverAnswerKind::kFailed, "failed", 1},
    {HandoverAnswerKind::kBadRequest, "bad-request", 1},
};

}  // namespace

std::string EscapeHandoverText(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == '%' || byte == 0x7F) {
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0x0F];
    } else {
      escaped += c;
    }
  }
  // An empty text still makes a word.
  return escaped.empty() ? "%00" : escaped;
}

std::optional<std::string> UnescapeHandoverText(std::string_view text) {
  if (text == "%00") return std::string();  // the empty text
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    // What escaping leaves as it is, nothing else, comes raw.
    if (byte <= 0x20 || byte == 0x7F) return std::nullopt;
    if (byte != '%') {
      plain += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;  // cut short
    const int high = HexDigit(text[i + 1]);
    const int low = HexDigit(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    if (high == 0 && low == 0) return std::nullopt;  // a NUL inside a text
    plain += static_cast<char>(high << 4 | low);
    i += 2;
  }
  return plain;
}

bool IsHandoverLine(std::string_view line) {
  return line.substr(0, kVersionPrefix.size()) == kVersionPrefix;
}

std::string FormatHandoverRequest(const HandoverRequest& request) {
  const char* send = request.send == HandoverSend::kFull    ? "full"
                     : request.send == HandoverSend::kApply ? "apply"
                                                            : "changed";
  return std::string(kVersion1) + " send " + send + " wait=" + std::to_string(request.wait_ms) +
         " progress=" + (request.progress ? "1" : "0") +
         " folder=" + EscapeHandoverText(request.data_folder) + '\n';
}

std::optional<HandoverRequest> ParseHandoverRequest(std::string_view line, std::string* error) {
  const auto fail = [error](const char* why) {
    if (error) *error = why;
    return std::nullopt;
  };
  if (line.size() >= kLongestHandoverLine) return fail("the request is too long");
  const std::vector<std::string_view> words = Words(line);
  if (words.empty() || !IsHandoverLine(words[0])) return fail("not a request");
  if (words[0] != kVersion1) return fail("unsupported version");
  if (words.size() != 6 || words[1] != "send") return fail("malformed request");
  HandoverRequest request;
  if (words[2] == "changed") {
    request.send = HandoverSend::kChanged;
  } else if (words[2] == "full") {
    request.send = HandoverSend::kFull;
  } else if (words[2] == "apply") {
    request.send = HandoverSend::kApply;
  } else {
    return fail("unknown kind of send");
  }
  const auto wait = ValueOf(words[3], "wait");
  const auto progress = ValueOf(words[4], "progress");
  const auto folder = ValueOf(words[5], "folder");
  if (!wait || !progress || !folder) return fail("malformed request");
  const auto [end, status] =
      std::from_chars(wait->data(), wait->data() + wait->size(), request.wait_ms);
  if (status != std::errc() || end != wait->data() + wait->size() || request.wait_ms < 0 ||
      request.wait_ms > kLongestHandoverWaitMs) {
    return fail("bad wait");
  }
  if (*progress != "0" && *progress != "1") return fail("bad progress");
  request.progress = *progress == "1";
  auto data_folder = UnescapeHandoverText(*folder);
  if (!data_folder || data_folder->empty() || (*data_folder)[0] != '/') {
    return fail("bad folder");
  }
  request.data_folder = std::move(*data_folder);
  return request;
}

std::string FormatHandoverAnswer(const HandoverAnswer& answer) {
  for (const AnswerName& name : kAnswers) {
    if (name.kind != answer.kind) continue;
    std::string line(name.word);
    if (name.texts >= 1) line += ' ' + EscapeHandoverText(answer.first);
    if (name.texts >= 2) line += ' ' + EscapeHandoverText(answer.second);
    return line + '\n';
  }
  return "bad-request %00\n";
}

std::optional<HandoverAnswer> ParseHandoverAnswer(std::string_view line) {
  if (line.size() >= kLongestHandoverLine) return std::nullopt;
  const std::vector<std::string_view> words = Words(line);
  if (words.empty()) return std::nullopt;
  for (const AnswerName& name : kAnswers) {
    if (words[0] != name.word) continue;
    if (words.size() != 1 + name.texts) return std::nullopt;
    HandoverAnswer answer;
    answer.kind = name.kind;
    for (std::size_t i = 0; i < name.texts; ++i) {
      auto text = UnescapeHandoverText(words[1 + i]);
      if (!text) return std::nullopt;
      (i == 0 ? answer.first : answer.second) = std::move(*text);
    }
    return answer;
  }
  return std::nullopt;
}

}  // namespace melko
