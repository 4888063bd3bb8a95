// The session's keyboard layout, loaded when a key is first named. Most commands never name a key
// (a DPI change, a list of profiles), and finding and compiling the session's keymap costs more
// than the rest of such a command.
#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "input/keyboard_layout.h"

namespace melko::cli {

class LazyKeyboardLayout final : public KeyboardLayout {
 public:
  // load gives the layout, or nothing when there is none (every question then gets 0 or nothing).
  using Loader = std::function<std::unique_ptr<KeyboardLayout>()>;
  explicit LazyKeyboardLayout(Loader load) : load_(std::move(load)) {}

  std::uint32_t ScanCodeOf(std::uint32_t virtual_key) const override {
    return Loaded().ScanCodeOf(virtual_key);
  }
  std::uint32_t VirtualKeyOf(std::uint32_t scan_code) const override {
    return Loaded().VirtualKeyOf(scan_code);
  }
  std::string TypedText(std::uint32_t scan_code) const override {
    return Loaded().TypedText(scan_code);
  }

 private:
  // The apply thread may name keys too: one load, whoever asks first.
  const KeyboardLayout& Loaded() const {
    std::call_once(once_, [this] {
      layout_ = load_();
      if (!layout_) layout_ = std::make_unique<NoKeyboardLayout>();
    });
    return *layout_;
  }

  Loader load_;
  mutable std::once_flag once_;
  mutable std::unique_ptr<KeyboardLayout> layout_;
};

}  // namespace melko::cli
