#include "driver.h"

#include <chrono>
#include <cstdlib>
#include <string_view>

#include "hidraw_backend.h"
#include "vmouse_backend.h"

namespace melko::hiddriver {
namespace {

constexpr std::chrono::milliseconds kDefaultAnswerTimeout{3000};

std::chrono::milliseconds AnswerTimeout() {
  const char* text = std::getenv("MELKO_VMOUSE_TIMEOUT_MS");
  if (text == nullptr) return kDefaultAnswerTimeout;
  char* end = nullptr;
  const long ms = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || ms <= 0 || ms > 600000) return kDefaultAnswerTimeout;
  return std::chrono::milliseconds(ms);
}

}  // namespace

std::unique_ptr<Backend> MakeBackendFromEnvironment(const std::string& link) {
  const char* socket_path = std::getenv("MELKO_VMOUSE");
  if (socket_path != nullptr && *socket_path != '\0') {
    return std::make_unique<VmouseBackend>(socket_path, link, AnswerTimeout());
  }
  return std::make_unique<HidrawBackend>();
}

Driver::~Driver() {
  std::lock_guard lock(mutex_);
  backend_.reset();
}

void Driver::SetIds(std::uint32_t vendor, std::uint32_t product) {
  std::lock_guard lock(mutex_);
  // Ids beyond 16 bits name no USB device; 0 makes every open fail.
  ids_ = vendor <= 0xFFFF && product <= 0xFFFF
             ? DeviceIds{std::uint16_t(vendor), std::uint16_t(product)}
             : DeviceIds{};
}

void Driver::OpenMonitor(const MessageRoute& route) {
  std::lock_guard lock(mutex_);
  ActiveBackend().OpenMonitor(ids_, route);
}

void Driver::CloseMonitor() {
  std::lock_guard lock(mutex_);
  if (!backend_) return;
  backend_->CloseMonitor();
  DropIfIdle();
}

bool Driver::OpenDevice() {
  std::lock_guard lock(mutex_);
  const bool opened = ActiveBackend().OpenDevice(ids_);
  DropIfIdle();
  return opened;
}

void Driver::CloseDevice() {
  std::lock_guard lock(mutex_);
  if (!backend_) return;
  backend_->CloseDevice();
  DropIfIdle();
}

bool Driver::SetFeature(std::span<const std::uint8_t> report) {
  std::lock_guard lock(mutex_);
  return backend_ && backend_->SetFeature(report);
}

Backend& Driver::ActiveBackend() {
  if (!backend_) backend_ = MakeBackendFromEnvironment(link_);
  return *backend_;
}

void Driver::DropIfIdle() {
  if (backend_ && backend_->idle()) backend_.reset();
}

}  // namespace melko::hiddriver
