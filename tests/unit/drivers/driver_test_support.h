// Helpers for the driver-library tests: a MessageTarget that records what the library posts, the
// built libraries loaded through the program's own loader, and scoped environment variables.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/driver_library.h"
#include "platform/dl_driver_loader.h"
#include "platform/driver_abi.h"

namespace melko::testing {

inline constexpr std::uint32_t kDataMessage = 1539;
inline constexpr std::uint32_t kConnectMessage = 1540;

struct PostedMessage {
  std::uint32_t message;
  std::uintptr_t wparam;
  std::intptr_t lparam;
  bool operator==(const PostedMessage&) const = default;
};

class MessageRecorder {
 public:
  MessageRecorder() : target_{this, &MessageRecorder::Post} {}
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  MessageTarget* target() { return &target_; }
  bool WaitFor(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(3)) {
    std::unique_lock lock(mutex_);
    return posted_.wait_for(lock, timeout, [&] { return messages_.size() >= count; });
  }
  std::vector<PostedMessage> messages() {
    std::lock_guard lock(mutex_);
    return messages_;
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

// Sets (or, with nullopt, removes) an environment variable for the scope's duration.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() {
    if (old_) {
      setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// One built driver library, loaded from the build's bin folder and closed again at the end.
class LoadedDriver {
 public:
  explicit LoadedDriver(const char* file_name)
      : loader_({MELKO_BIN_DIR}), library_(loader_.Load(file_name)) {}
  LoadedDriver(const LoadedDriver&) = delete;
  LoadedDriver& operator=(const LoadedDriver&) = delete;
  ~LoadedDriver() {
    if (library_.usable()) {
      library_.close_feature_device();
      library_.close_dev_monitor();
    }
    loader_.Unload(library_);
  }
  const DriverLibrary& operator*() const { return library_; }
  const DriverLibrary* operator->() const { return &library_; }

 private:
  DlDriverLoader loader_;
  DriverLibrary library_;
};

}  // namespace melko::testing
