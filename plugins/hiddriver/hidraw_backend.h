// The real device through hidapi's hidraw backend: feature reports with hidapi, status input
// reports read from the same hidraw node on a thread of their own, arrivals and removals from
// libudev.
#pragma once

#include <memory>
#include <string>

#include "backend.h"
#include "fd_watcher.h"
#include "udev_monitor.h"

typedef struct hid_device_ hid_device;

namespace melko::hiddriver {

class HidrawBackend final : public Backend {
 public:
  HidrawBackend() = default;
  ~HidrawBackend() override;

  void OpenMonitor(DeviceIds ids, const MessageRoute& route) override;
  void CloseMonitor() override;
  bool OpenDevice(DeviceIds ids) override;
  void CloseDevice() override;
  bool SetFeature(std::span<const std::uint8_t> report) override;
  bool idle() const override { return !monitor_ && device_ == nullptr; }

 private:
  void StartReportReader(const std::string& path);
  bool ReadReport();

  MessageSink sink_;
  std::unique_ptr<UdevMonitor> monitor_;
  hid_device* device_ = nullptr;
  // A second descriptor of the node for the reader thread: the hidapi handle is never used from
  // two threads, and poll() lets CloseDevice stop the reader at once.
  int report_fd_ = -1;
  FdWatcher report_reader_;
};

}  // namespace melko::hiddriver
