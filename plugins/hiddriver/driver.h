// The state behind the seven entry points of one library. The backend is chosen when the first
// thing opens: the virtual mouse when MELKO_VMOUSE names a socket, else hidraw. It is dropped
// when everything is closed, so the next open looks at the environment again.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "backend.h"

namespace melko::hiddriver {

// Environment: MELKO_VMOUSE (socket path) and MELKO_VMOUSE_TIMEOUT_MS (answer wait, default 3000).
std::unique_ptr<Backend> MakeBackendFromEnvironment(const std::string& link);

class Driver {
 public:
  // link: "wired" or "receiver".
  explicit Driver(std::string link) : link_(std::move(link)) {}
  ~Driver();

  void SetIds(std::uint32_t vendor, std::uint32_t product);
  void OpenMonitor(const MessageRoute& route);
  void CloseMonitor();
  bool OpenDevice();
  void CloseDevice();
  bool SetFeature(std::span<const std::uint8_t> report);

 private:
  Backend& ActiveBackend();
  void DropIfIdle();

  const std::string link_;
  // SetFeature runs on the program's apply thread, the rest on its UI thread.
  std::mutex mutex_;
  DeviceIds ids_;
  std::unique_ptr<Backend> backend_;
};

}  // namespace melko::hiddriver
