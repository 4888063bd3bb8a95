#include "device/driver_links.h"

#include "device/control_names.h"
#include "device/messages.h"
#include "device/status_decoder.h"

namespace melko {
namespace {

// Chooses the device, starts the monitor and opens the device; nonzero when it was found.
std::int32_t OpenLibraryLink(DriverLibrary& library, std::uint32_t product_id,
                             MessageTarget* target, std::uint32_t data_message,
                             std::uint32_t connect_message) {
  if (!library.usable()) return 0;
  library.set_vid_pid(kMouseVendorId, product_id);
  library.open_dev_monitor(target, data_message, connect_message);
  return library.open_feature_device();
}

void CloseLibraryLink(DriverLibrary& library) {
  if (!library.usable()) return;
  library.close_feature_device();
  library.close_dev_monitor();
}

}  // namespace

void OpenDriverLinks(DeviceContext& ctx, DriverLoader& loader, MessageTarget* target,
                     BlePresenceProbe& ble_probe) {
  ctx.drivers.wired = loader.Load(kWiredDriverFile);
  ctx.drivers.receiver = loader.Load(kReceiverDriverFile);

  if (OpenLibraryLink(ctx.drivers.wired, kWiredProductId, target, kMsgWiredData,
                      kMsgWiredConnect) != 0) {
    ctx.links.wired_state = kLinkConnected;
    ctx.links.apply_blocked = 0;
    ctx.controls.SetVisible(control::kSleepLabel, false);
    ShowChargingFromZero(ctx);
    ctx.controls.SetVisible(control::kWiredIcon, true);
  } else {
    ctx.links.wired_state = kLinkNeverSeen;
    ctx.links.apply_blocked = 1;
    ctx.controls.SetVisible(control::kSleepLabel, true);
    ctx.controls.SetVisible(control::kWiredIcon, false);
  }

  if (OpenLibraryLink(ctx.drivers.receiver, kReceiverProductId, target, kMsgReceiverData,
                      kMsgReceiverConnect) != 0) {
    ctx.links.wireless_state = kLinkConnected;
    ctx.timers.Start(kTimerReceiverWatchdog, kReceiverWatchdogMs);
    ctx.controls.SetVisible(control::kWirelessIcon, true);
  } else {
    ctx.links.wireless_state = kLinkNeverSeen;
    ctx.controls.SetVisible(control::kWirelessIcon, false);
  }

  ctx.links.ble_present = ble_probe.MousePresent() ? 1 : 0;
  ctx.links.any_connected =
      (ctx.links.wired_state == kLinkConnected || ctx.links.wireless_state == kLinkConnected ||
       ctx.links.ble_present == 1)
          ? 1
          : 0;
  ctx.poster.Post(kMsgConnectedChanged, 0, 0);
}

void CloseDriverLinks(DeviceContext& ctx, DriverLoader& loader) {
  CloseLibraryLink(ctx.drivers.receiver);
  CloseLibraryLink(ctx.drivers.wired);
  loader.Unload(ctx.drivers.wired);
  loader.Unload(ctx.drivers.receiver);
  ctx.drivers.wired = DriverLibrary{};
  ctx.drivers.receiver = DriverLibrary{};
}

}  // namespace melko
