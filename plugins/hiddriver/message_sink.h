// Where a library's messages go: the MessageTarget given to Open_DevMonitor, until
// Close_DevMonitor. Posting is thread-safe; after Clear() returns nothing more is posted.
#pragma once

#include <cstdint>
#include <mutex>

#include "platform/driver_abi.h"

namespace melko::hiddriver {

struct MessageRoute {
  MessageTarget* target = nullptr;
  std::uint32_t data_message = 0;
  std::uint32_t connect_message = 0;
};

class MessageSink {
 public:
  void Set(const MessageRoute& route);
  void Clear();
  // A status event: the event word in wparam, the value in lparam.
  void PostData(std::uint16_t event, std::uint16_t value);
  // The device arrived (wparam 1) or was removed (wparam 0).
  void PostConnect(bool present);

 private:
  void Post(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);

  std::mutex mutex_;
  MessageRoute route_;
};

}  // namespace melko::hiddriver
