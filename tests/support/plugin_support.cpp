#include "support/plugin_support.h"

#include <cstdlib>
#include <utility>

namespace melko::testing {

std::vector<PostedMessage> MessageRecorder::Take(std::size_t count,
                                                 std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  posted_.wait_for(lock, timeout, [&] { return messages_.size() >= count; });
  return std::exchange(messages_, {});
}

std::size_t MessageRecorder::size() {
  std::lock_guard lock(mutex_);
  return messages_.size();
}

void MessageRecorder::Post(void* context, std::uint32_t message, std::uintptr_t wparam,
                           std::intptr_t lparam) {
  auto* self = static_cast<MessageRecorder*>(context);
  {
    std::lock_guard lock(self->mutex_);
    self->messages_.push_back({message, wparam, lparam});
  }
  self->posted_.notify_all();
}

ScopedEnv::ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  value ? setenv(name, value->c_str(), 1) : unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
  old_ ? setenv(name_.c_str(), old_->c_str(), 1) : unsetenv(name_.c_str());
}

}  // namespace melko::testing
