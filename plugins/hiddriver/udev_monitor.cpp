#include "udev_monitor.h"

#include <libudev.h>

#include <string_view>

namespace melko::hiddriver {

UdevMonitor::UdevMonitor(DeviceIds ids, ChangeHandler on_change)
    : ids_(ids), on_change_(std::move(on_change)) {}

UdevMonitor::~UdevMonitor() {
  Stop();
}

bool UdevMonitor::Start() {
  Stop();
  udev_ = udev_new();
  if (udev_ == nullptr) return false;
  // The "udev" group: events after udevd applied the rules, so the node is accessible.
  monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
  if (monitor_ == nullptr ||
      udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor_) < 0) {
    Stop();
    return false;
  }
  SeedExistingNodes();
  if (!watcher_.Start(udev_monitor_get_fd(monitor_), [this] { return OnReadable(); })) {
    Stop();
    return false;
  }
  return true;
}

void UdevMonitor::Stop() {
  watcher_.Stop();
  if (monitor_ != nullptr) monitor_ = udev_monitor_unref(monitor_);
  if (udev_ != nullptr) udev_ = udev_unref(udev_);
  tracker_ = NodeTracker{};
}

bool UdevMonitor::IsServedDevice(udev_device* device) const {
  udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr);
  if (hid == nullptr) return false;
  const char* hid_id = udev_device_get_property_value(hid, "HID_ID");
  if (hid_id == nullptr) return false;
  const auto parsed = ParseHidId(hid_id);
  return parsed && parsed->ids == ids_;
}

void UdevMonitor::SeedExistingNodes() {
  udev_enumerate* enumerate = udev_enumerate_new(udev_);
  if (enumerate == nullptr) return;
  if (udev_enumerate_add_match_subsystem(enumerate, "hidraw") >= 0 &&
      udev_enumerate_scan_devices(enumerate) >= 0) {
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
      udev_device* device = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
      if (device == nullptr) continue;
      const char* devnode = udev_device_get_devnode(device);
      if (devnode != nullptr && IsServedDevice(device)) tracker_.Seed(devnode);
      udev_device_unref(device);
    }
  }
  udev_enumerate_unref(enumerate);
}

bool UdevMonitor::OnReadable() {
  udev_device* device = udev_monitor_receive_device(monitor_);
  if (device == nullptr) return true;  // a message that was not for us, or none after all
  const char* action = udev_device_get_action(device);
  const char* devnode = udev_device_get_devnode(device);
  std::optional<bool> change;
  if (action != nullptr && devnode != nullptr) {
    const std::string_view what(action);
    if (what == "add") {
      change = tracker_.Added(devnode, IsServedDevice(device));
    } else if (what == "remove") {
      change = tracker_.Removed(devnode);
    }
  }
  udev_device_unref(device);
  if (change) on_change_(*change);
  return true;
}

}  // namespace melko::hiddriver
