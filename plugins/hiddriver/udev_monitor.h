// Watches the hidraw subsystem through libudev for the nodes of one device and reports its
// arrival and removal.
#pragma once

#include <functional>

#include "fd_watcher.h"
#include "hidraw_format.h"
#include "node_tracker.h"

struct udev;
struct udev_monitor;
struct udev_device;

namespace melko::hiddriver {

class UdevMonitor {
 public:
  // Called on the monitor's thread: true when the device arrived, false when it was removed.
  using ChangeHandler = std::function<void(bool present)>;

  UdevMonitor(DeviceIds ids, ChangeHandler on_change);
  UdevMonitor(const UdevMonitor&) = delete;
  UdevMonitor& operator=(const UdevMonitor&) = delete;
  ~UdevMonitor();

  // Notes the device's nodes that exist already and starts the thread. False when libudev or its
  // netlink socket is unavailable; nothing is reported then.
  bool Start();
  void Stop();

 private:
  bool OnReadable();
  bool IsServedDevice(udev_device* device) const;
  void SeedExistingNodes();

  const DeviceIds ids_;
  const ChangeHandler on_change_;
  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
  NodeTracker tracker_;  // touched by Start() before the thread, then by the thread only
  FdWatcher watcher_;
};

}  // namespace melko::hiddriver
