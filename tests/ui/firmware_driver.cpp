#include "firmware_driver.h"

#include <span>

namespace melko::ui::test {
namespace {

void SetVidPid(std::uint32_t, std::uint32_t) {}
void OpenMonitor(MessageTarget*, std::uint32_t, std::uint32_t) {}
void CloseMonitor() {}
std::int32_t OpenDevice() {
  return 1;
}
void CloseDevice() {}
std::int32_t SetFeature(const std::uint8_t* bytes, std::int32_t length) {
  std::lock_guard lock(CableFirmwareMutex());
  CableFirmware().Receive(vmouse::Link::kWired, {bytes, std::size_t(length)});
  return 1;
}
std::int32_t GetFeature(std::uint8_t*, std::int32_t) {
  return 0;
}

}  // namespace

vmouse::Firmware& CableFirmware() {
  static vmouse::Firmware firmware;
  return firmware;
}

std::mutex& CableFirmwareMutex() {
  static std::mutex mutex;
  return mutex;
}

std::vector<LoggedReport> CableReports() {
  std::lock_guard lock(CableFirmwareMutex());
  std::vector<LoggedReport> reports;
  for (const vmouse::WriteRecord& write : CableFirmware().log()) {
    reports.push_back({write.bytes.empty() ? -1 : write.bytes[0], write.t_ms, write.bytes});
  }
  return reports;
}

void ClearCableReports() {
  std::lock_guard lock(CableFirmwareMutex());
  CableFirmware().ClearLog();
}

DriverLibrary FirmwareCableLoader::Load(std::string_view file_name) {
  if (file_name != kWiredDriverFile) return {};
  static int module;
  return {&module,    SetVidPid,   OpenMonitor, CloseMonitor,
          OpenDevice, CloseDevice, SetFeature,  GetFeature};
}

}  // namespace melko::ui::test
