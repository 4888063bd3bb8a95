// Cuts a byte stream into lines, with a bound on how long a line may grow, so that a client that
// never sends a newline cannot make the program hold an ever larger buffer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace melko::vmouse {

struct InputLine {
  std::string text;       // without the newline and a trailing carriage return
  bool too_long = false;  // the line passed the bound; its text is dropped up to the newline
};

class LineSplitter {
 public:
  explicit LineSplitter(std::size_t max_length) : max_length_(max_length) {}

  // The lines that the bytes complete. A line that passes the bound is reported once, as soon as
  // it does, and the rest of it is skipped.
  std::vector<InputLine> Feed(std::string_view bytes);

  std::size_t max_length() const { return max_length_; }

 private:
  std::size_t max_length_;
  std::string partial_;
  bool skipping_ = false;
};

}  // namespace melko::vmouse
