// Helpers for the tests of the libraries the program loads with dlopen (the driver libraries,
// Hook.so): a MessageTarget that records what is posted to it, and environment variables set for
// a scope.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/driver_abi.h"

namespace melko::testing {

struct PostedMessage {
  std::uint32_t message;
  std::uintptr_t wparam;
  std::intptr_t lparam;
  bool operator==(const PostedMessage&) const = default;
  friend void PrintTo(const PostedMessage& m, std::ostream* out) {
    *out << "{" << m.message << ", " << m.wparam << ", " << m.lparam << "}";
  }
};

// A MessageTarget that keeps what is posted to it, from any thread.
class MessageRecorder {
 public:
  MessageRecorder() : target_{this, &MessageRecorder::Post} {}
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  MessageTarget* target() { return &target_; }
  // Waits until at least `count` messages are in (or the time is up), then hands over all that
  // are and forgets them.
  std::vector<PostedMessage> Take(std::size_t count,
                                  std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::unique_lock lock(mutex_);
    posted_.wait_for(lock, timeout, [&] { return messages_.size() >= count; });
    return std::exchange(messages_, {});
  }
  std::size_t size() {
    std::lock_guard lock(mutex_);
    return messages_.size();
  }

 private:
  static void Post(void* context, std::uint32_t message, std::uintptr_t wparam,
                   std::intptr_t lparam) {
    auto* self = static_cast<MessageRecorder*>(context);
    {
      std::lock_guard lock(self->mutex_);
      self->messages_.push_back({message, wparam, lparam});
    }
    self->posted_.notify_all();
  }

  MessageTarget target_;
  std::mutex mutex_;
  std::condition_variable posted_;
  std::vector<PostedMessage> messages_;
};

// Sets (or, with nullopt, removes) an environment variable until the scope ends.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? setenv(name, value->c_str(), 1) : unsetenv(name);
  }
  ~ScopedEnv() { old_ ? setenv(name_.c_str(), old_->c_str(), 1) : unsetenv(name_.c_str()); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace melko::testing
