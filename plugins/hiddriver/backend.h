// One way of reaching the mouse: hidraw (the real device) or the virtual mouse's socket. The
// Driver serialises every call; only the backends' own threads run alongside.
#pragma once

#include <cstdint>
#include <span>

#include "hidraw_format.h"
#include "message_sink.h"

namespace melko::hiddriver {

class Backend {
 public:
  virtual ~Backend() = default;
  virtual void OpenMonitor(DeviceIds ids, const MessageRoute& route) = 0;
  virtual void CloseMonitor() = 0;
  // True when the device was found and opened.
  virtual bool OpenDevice(DeviceIds ids) = 0;
  virtual void CloseDevice() = 0;
  // True when the report was written.
  virtual bool SetFeature(std::span<const std::uint8_t> report) = 0;
  // Neither the monitor nor the device is open: the backend may be dropped.
  virtual bool idle() const = 0;
};

}  // namespace melko::hiddriver
