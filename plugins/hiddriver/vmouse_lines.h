// The lines of the virtual mouse's socket protocol (docs/virtual-mouse.md): cutting the byte
// stream into lines, reading the mouse's lines, writing the library's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace melko::hiddriver {

// Cuts a byte stream at '\n'. A line longer than kMaxLine bytes is dropped whole, however it
// arrives, without the buffer growing past that.
class LineSplitter {
 public:
  static constexpr std::size_t kMaxLine = 4096;
  using LineHandler = std::function<void(std::string_view line)>;

  void Feed(std::string_view bytes, const LineHandler& on_line);
  void Reset();

 private:
  std::string pending_;
  bool dropping_ = false;
};

// A line from the mouse. Anything not exactly in the protocol's form is kInvalid.
struct MouseLine {
  enum Kind { kInvalid, kOk, kError, kOpen, kResult, kEvent, kConnect };
  Kind kind = kInvalid;
  std::uint16_t first = 0;   // open/result/connect: 0 or 1; event: the event word
  std::uint16_t second = 0;  // event: the value
  // ok, error, open and result answer the library's requests, in order.
  bool is_answer() const {
    return kind == kOk || kind == kError || kind == kOpen || kind == kResult;
  }
};
MouseLine ParseMouseLine(std::string_view line);

// "feature <hex>", the bytes in lowercase hex.
std::string FeatureLine(std::span<const std::uint8_t> bytes);

}  // namespace melko::hiddriver
