// The mouse on its cable, in-process: a driver library whose feature reports go to the virtual
// mouse's firmware model, so that UI tests see what the page's applies put on the mouse. The
// library has no context pointer, hence one firmware for the test program.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "device/driver_library.h"
#include "vmouse/firmware.h"

namespace melko::ui::test {

// The firmware behind the cable, and its lock (the apply thread writes, the test reads).
vmouse::Firmware& CableFirmware();
std::mutex& CableFirmwareMutex();
// The writes so far, as report ID bytes with their time in milliseconds.
struct LoggedReport {
  int id;
  std::int64_t t_ms;
  std::vector<std::uint8_t> bytes;
};
std::vector<LoggedReport> CableReports();
void ClearCableReports();

// Loads the cable's library only, connected to the firmware.
class FirmwareCableLoader final : public DriverLoader {
 public:
  DriverLibrary Load(std::string_view file_name) override;
  void Unload(DriverLibrary&) override {}
};

}  // namespace melko::ui::test
