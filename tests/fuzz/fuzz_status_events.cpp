// The mouse's status events as they arrive: Bluetooth LE notification values and the driver
// libraries' status words, on a page whose ports do nothing and a session on a private folder.
// Each record is a kind byte and up to 7 bytes: kind % 3 is a notification of kind / 3 % 8 bytes,
// a word from the cable's library or one from the receiver's.
#include <cstdlib>

#include "device/ble_notification.h"
#include "device/presence.h"
#include "null_ports.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Every event that changes the profile saves the stores: a hundred events reach every state.
  if (size > 512) return 0;
  std::filesystem::remove_all(melko::fuzz::PrivateFolder());
  melko::fuzz::NullDevice device(melko::fuzz::PrivateFolder());
  melko::DeviceContext& ctx = device.ctx;
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
  const melko::ProfileRecord current = device.session.CurrentSnapshot();
  if (current.dpi_step < 0 || current.dpi_step >= melko::kDpiStageCount || current.prate < 0 ||
      current.prate > 3)
    std::abort();
  return 0;
}
