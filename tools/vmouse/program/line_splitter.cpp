#include "vmouse/program/line_splitter.h"

namespace melko::vmouse {

std::vector<InputLine> LineSplitter::Feed(std::string_view bytes) {
  std::vector<InputLine> lines;
  while (!bytes.empty()) {
    const std::size_t newline = bytes.find('\n');
    const bool complete = newline != std::string_view::npos;
    const std::string_view piece = bytes.substr(0, newline);
    bytes.remove_prefix(complete ? newline + 1 : bytes.size());
    if (skipping_) {
      skipping_ = !complete;
      continue;
    }
    partial_.append(piece);
    if (complete) {
      if (!partial_.empty() && partial_.back() == '\r') partial_.pop_back();
      if (partial_.size() > max_length_) {
        lines.push_back({{}, true});
      } else {
        lines.push_back({std::move(partial_), false});
      }
      partial_.clear();
    } else if (partial_.size() > max_length_ &&
               !(partial_.size() == max_length_ + 1 && partial_.back() == '\r')) {
      // Said at once, so the client hears about it without having to finish the line.
      lines.push_back({{}, true});
      partial_.clear();
      skipping_ = true;
    }
  }
  return lines;
}

}  // namespace melko::vmouse
