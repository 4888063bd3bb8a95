#include "message_sink.h"

namespace melko::hiddriver {

void MessageSink::Set(const MessageRoute& route) {
  std::lock_guard lock(mutex_);
  route_ = route;
}

void MessageSink::Clear() {
  std::lock_guard lock(mutex_);
  route_ = MessageRoute{};
}

void MessageSink::PostData(std::uint16_t event, std::uint16_t value) {
  std::lock_guard lock(mutex_);
  Post(route_.data_message, event, value);
}

void MessageSink::PostConnect(bool present) {
  std::lock_guard lock(mutex_);
  Post(route_.connect_message, present ? 1 : 0, 0);
}

// Called with the mutex held, so that Clear() waits for a post in progress; post() only queues.
void MessageSink::Post(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
  if (route_.target == nullptr || route_.target->post == nullptr) return;
  route_.target->post(route_.target->context, message, wparam, lparam);
}

}  // namespace melko::hiddriver
