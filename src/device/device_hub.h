// The device side of the main window's message and timer handling: the driver libraries'
// messages, apply requests and the device timers go to the device logic. Runs on the
// user-interface thread (the command line's event loop plays that thread there).
#pragma once

#include <cstdint>

#include "device/device_context.h"
#include "protocol/apply_engine.h"

namespace melko {

class DeviceHub {
 public:
  DeviceHub(DeviceContext& ctx, ApplyEngine& engine) : ctx_(ctx), engine_(engine) {}

  // Handles kMsgReceiverData to kMsgRequestApply and the apply runs' start and end; returns false
  // for any other message, which is the caller's to handle (kMsgConnectedChanged,
  // kMsgDpiStageChanged).
  bool OnMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);

  // Handles the receiver watchdog, the charging animation and the Bluetooth notification start;
  // returns false for any other timer.
  bool OnTimer(int timer_id);

  // An apply that was dropped because no link could take settings runs once one can: called after
  // every link event (the receiver's mouse reporting, a cable or Bluetooth LE arriving).
  void RetryDroppedApply();

 private:
  DeviceContext& ctx_;
  ApplyEngine& engine_;
};

}  // namespace melko
