// The mouse's status events as they arrive: Bluetooth LE notification values and the driver
// libraries' status words, on a page whose ports do nothing and a session on a private folder.
// Each record is a kind byte and up to 7 bytes: kind % 3 is a notification of kind / 3 % 8 bytes,
// a word from the cable's library or one from the receiver's.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "device/ble_notification.h"
#include "device/presence.h"

namespace {

struct NullPorts final : melko::Controls,
                         melko::Timers,
                         melko::MessagePoster,
                         melko::Clock,
                         melko::DebugLog,
                         melko::BleTransport {
  bool Exists(std::string_view) override { return true; }
  void SetVisible(std::string_view, bool) override {}
  bool IsVisible(std::string_view) override { return true; }
  void SetText(std::string_view, std::string_view) override {}
  void SetTextKey(std::string_view, std::string_view) override {}
  void SetValue(std::string_view, int) override {}
  void SetChecked(std::string_view, bool) override {}
  void SelectOption(std::string_view, bool) override {}
  void SelectItem(std::string_view, int, bool) override {}
  void Start(int, int) override {}
  void KeepRunning(int, int) override {}
  void Stop(int) override {}
  void Post(std::uint32_t, std::uintptr_t, std::intptr_t) override {}
  std::int64_t Now() override { return 0; }
  void SleepFor(std::int64_t) override {}
  void Write(std::string_view) override {}
  void SetMatch(const std::string&, const std::string&) override {}
  std::int32_t Write(std::span<const std::uint8_t>) override { return 0; }
  void OpenNotifications() override {}
  void CloseNotifications() override {}
};

// Saves are synced to disk: the folder is in memory where the system offers that.
const std::filesystem::path& Folder() {
  static const struct Private {
    std::filesystem::path path =
        (std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                   : std::filesystem::temp_directory_path()) /
        ("melko-fuzz-status-" + std::to_string(getpid()));
    ~Private() { std::filesystem::remove_all(path); }
  } folder;
  return folder.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Every event that changes the profile saves the stores: a hundred events reach every state.
  if (size > 512) return 0;
  std::filesystem::remove_all(Folder());
  melko::ProfileSession session(Folder());
  melko::LinkState links;
  melko::DriverLinks drivers;
  NullPorts ports;
  melko::DeviceContext ctx{links, session, drivers, ports, ports, ports, ports, ports, ports};
  while (size > 0) {
    const std::uint8_t kind = data[0];
    const std::size_t length = std::min<std::size_t>(size - 1, kind % 3 == 0 ? kind / 3 % 8 : 4);
    const std::span<const std::uint8_t> bytes(data + 1, length);
    std::uint32_t word = 0;
    for (const std::uint8_t byte : bytes) word = word << 8 | byte;
    if (kind % 3 == 0) melko::OnBleNotification(ctx, bytes);
    if (kind % 3 == 1) melko::OnLinkConnection(ctx, melko::LinkMode::kWired, word);
    if (kind % 3 == 2) melko::OnLinkConnection(ctx, melko::LinkMode::kWireless, word);
    data += 1 + length;
    size -= 1 + length;
  }
  const melko::ProfileRecord current = session.CurrentSnapshot();
  if (current.dpi_step < 0 || current.dpi_step >= melko::kDpiStageCount || current.prate < 0 ||
      current.prate > 3) {
    std::abort();
  }
  return 0;
}
