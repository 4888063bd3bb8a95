#include "hidraw_backend.h"

#include <fcntl.h>
#include <hidapi.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <vector>

namespace melko::hiddriver {
namespace {

// The device's interfaces as hidapi enumerates them.
std::vector<HidInterface> EnumerateInterfaces(DeviceIds ids) {
  std::vector<HidInterface> interfaces;
  hid_device_info* list = hid_enumerate(ids.vendor, ids.product);
  for (const hid_device_info* info = list; info != nullptr; info = info->next) {
    if (info->path != nullptr) interfaces.push_back({info->path, info->usage_page});
  }
  hid_free_enumeration(list);
  return interfaces;
}

}  // namespace

HidrawBackend::~HidrawBackend() {
  CloseDevice();
  CloseMonitor();
}

void HidrawBackend::OpenMonitor(DeviceIds ids, const MessageRoute& route) {
  CloseMonitor();
  sink_.Set(route);
  monitor_ =
      std::make_unique<UdevMonitor>(ids, [this](bool present) { sink_.PostConnect(present); });
  // Without udev the monitor stays silent; the program then sees only what it opens itself.
  monitor_->Start();
}

void HidrawBackend::CloseMonitor() {
  monitor_.reset();
  sink_.Clear();
}

bool HidrawBackend::OpenDevice(DeviceIds ids) {
  CloseDevice();
  // Vendor and product 0 would make hidapi list every HID device.
  if (ids.vendor == 0 || ids.product == 0 || hid_init() != 0) return false;
  const auto path = ChooseInterface(EnumerateInterfaces(ids));
  if (!path) return false;
  device_ = hid_open_path(path->c_str());
  if (device_ == nullptr) return false;
  StartReportReader(*path);
  return true;
}

void HidrawBackend::CloseDevice() {
  report_reader_.Stop();
  if (report_fd_ >= 0) {
    close(report_fd_);
    report_fd_ = -1;
  }
  if (device_ != nullptr) {
    hid_close(device_);
    device_ = nullptr;
  }
}

bool HidrawBackend::SetFeature(std::span<const std::uint8_t> report) {
  if (device_ == nullptr || report.empty()) return false;
  return hid_send_feature_report(device_, report.data(), report.size()) >= 0;
}

// Feature reports work without it, so a reader that cannot start only costs the status events.
void HidrawBackend::StartReportReader(const std::string& path) {
  report_fd_ = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (report_fd_ < 0) return;
  if (!report_reader_.Start(report_fd_, [this] { return ReadReport(); })) {
    close(report_fd_);
    report_fd_ = -1;
  }
}

bool HidrawBackend::ReadReport() {
  // hidraw hands out one whole report per read, with its report ID first.
  std::array<std::uint8_t, 256> report{};
  const ssize_t length = read(report_fd_, report.data(), report.size());
  if (length < 0) return errno == EAGAIN || errno == EINTR;  // any other error: node gone
  if (length == 0) return false;
  if (const auto status = ParseStatusReport({report.data(), std::size_t(length)})) {
    sink_.PostData(status->event, status->value);
  }
  return true;
}

}  // namespace melko::hiddriver
