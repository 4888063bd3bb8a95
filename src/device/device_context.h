// Everything the device logic of the settings page works with: the link state, the profiles, the
// loaded driver libraries, the Bluetooth LE channel and the ports to the user interface.
#pragma once

#include "device/ble_transport.h"
#include "device/driver_library.h"
#include "device/link_state.h"
#include "device/ui_ports.h"
#include "profiles/profile_session.h"
#include "protocol/clock.h"
#include "protocol/send_ports.h"

namespace melko {

struct DeviceContext {
  LinkState& links;
  ProfileSession& profiles;
  DriverLinks& drivers;
  BleTransport& ble;
  Controls& controls;
  Timers& timers;
  MessagePoster& poster;
  Clock& clock;
  DebugLog& log;
  // When the charging animation's bar last started from 0 (Clock::Now); user-interface thread
  // only.
  std::int64_t charge_started_ms = 0;
};

}  // namespace melko
