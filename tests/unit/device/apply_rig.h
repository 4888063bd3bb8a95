// An apply engine wired to the firmware model of the mouse through the real send routine, in
// virtual time: what the engine sends is what the virtual mouse receives and checks.
#pragma once

#include <memory>

#include "device/link_state.h"
#include "profiles/profile_session.h"
#include "protocol/apply_engine.h"
#include "protocol/report_sender.h"
#include "support/device_fakes.h"
#include "support/test_support.h"
#include "vmouse/firmware.h"

namespace melko::testing {

// Routes each link's writes into the firmware model, which answers with status events; an
// acknowledgement sets wireless_cancel as the status decoding would.
class FirmwareLinks : public ReportLinks {
 public:
  FirmwareLinks(vmouse::Firmware& firmware, LinkState& links) : firmware_(firmware) {
    firmware_.SetEventSink([&links](std::uint16_t event, std::uint16_t value) {
      if (event == 0x5010) links.wireless_cancel = (value & 0xFF) == 0 ? 1 : 0;
    });
  }
  std::int32_t WiredSetFeature(const std::uint8_t* bytes, std::int32_t length) override {
    return Deliver(vmouse::Link::kWired, bytes, length);
  }
  std::int32_t ReceiverSetFeature(const std::uint8_t* bytes, std::int32_t length) override {
    return Deliver(vmouse::Link::kWireless, bytes, length);
  }
  std::int32_t BleWrite(const std::uint8_t* bytes, std::int32_t length) override {
    return Deliver(vmouse::Link::kBle, bytes, length);
  }
  // Which writes fail, by their position among all writes (0-based); others succeed.
  std::function<bool(int)> fails = [](int) { return false; };

 private:
  std::int32_t Deliver(vmouse::Link link, const std::uint8_t* bytes, std::int32_t length) {
    if (fails(writes_++)) return 0;
    firmware_.Receive(link, {bytes, std::size_t(length)});
    return 1;
  }
  vmouse::Firmware& firmware_;
  int writes_ = 0;
};

struct ApplyRig {
  ApplyRig() : session(dir.path()) {
    UseEnglishTexts();
    session.LoadProfileStore();
    session.LoadMacroStore();
  }

  TempDir dir;
  ProfileSession session;
  LinkState links;
  fakes::VirtualClock clock;
  fakes::FakeControls controls;
  fakes::FakeTimers timers;
  fakes::RecordingLog log;
  vmouse::Firmware firmware{[this] { return clock.Now(); }};
  FirmwareLinks report_links{firmware, links};
  ReportSender sender{links, report_links, clock, log};
  ApplyEngine engine{session, links, sender, controls, timers};
};

}  // namespace melko::testing
