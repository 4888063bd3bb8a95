#include "device/presence.h"

#include <gtest/gtest.h>

#include <sstream>

#include "device/driver_links.h"
#include "device/messages.h"
#include "device/status_decoder.h"
#include "support/device_fakes.h"

namespace melko {
namespace {

using fakes::FakeDriver;

// Runs one step on the page:
//   C+ C- R+ R-  the cable's or the receiver's library reports an arrival or a removal
//   C0           a connection word that is neither; Cx, Cy words that are no status events
//   D3           DPI stage 3 over the cable;  P  the receiver's mouse reports its power
//   L+           an arrival word on the Bluetooth LE link, which has no library
//   B+ B-        the Bluetooth LE mouse arrives or goes;  N  its notification timer
//   !            applies blocked, as when no link was found at start
void Step(fakes::DeviceRig& rig, const std::string& step) {
  const auto word = MakeStatusWord;
  const std::uint32_t arrived = word(kConnectionEvent, kConnectionArrived);
  const std::uint32_t removed = word(kConnectionEvent, kConnectionRemoved);
  const auto cable = [&](std::uint32_t w) { OnLinkConnection(rig.ctx, LinkMode::kWired, w); };
  const auto receiver = [&](std::uint32_t w) { OnLinkConnection(rig.ctx, LinkMode::kWireless, w); };
  if (step == "C+") cable(arrived);
  if (step == "C-") cable(removed);
  if (step == "C0") cable(word(kConnectionEvent, 0));
  if (step == "Cx") cable(word(0xA010, 1));
  if (step == "Cy") cable(word(0x0F10, 1));
  if (step == "D3") cable(word(kEventDpiStage, 3));
  if (step == "R+") receiver(arrived);
  if (step == "R-") receiver(removed);
  if (step == "P") receiver(word(kEventPower, 0x3901));
  if (step == "L+") OnLinkConnection(rig.ctx, LinkMode::kBle, arrived);
  if (step == "B+") AttachBle(rig.ctx);
  if (step == "B-") DetachBle(rig.ctx);
  if (step == "N") OnBleNotificationsTimer(rig.ctx);
  if (step == "!") rig.links.apply_blocked = 1;
}

// The links; then, each when not 0, the connected-changed messages posted, the 1 s waits after an
// arrival, the libraries' opens and closes (cable/receiver) and the Bluetooth notifications opened
// and closed; the timers and the sleep label.
std::string State(fakes::DeviceRig& rig) {
  const LinkState& l = rig.links;
  const auto link = [](int state) {
    return state == kLinkConnected ? "up" : state == kLinkRemoved ? "gone" : "never";
  };
  std::ostringstream out;
  out << "cable " << link(l.wired_state) << ", receiver " << link(l.wireless_state)
      << (l.wireless_online ? " online" : "") << (l.ble_present ? ", ble" : "")
      << (l.apply_blocked ? ", blocked" : "") << (l.any_connected ? ", connected" : "");
  if (const int posted = rig.poster.Count(kMsgConnectedChanged)) out << ", posted " << posted;
  if (const auto waits = rig.clock.Sleeps().size()) out << ", waits " << waits;
  const auto counts = [&](const char* name, int a, int b) {
    if (a + b > 0) out << ", " << name << " " << a << "/" << b;
  };
  counts("opened", FakeDriver(0).opened, FakeDriver(1).opened);
  counts("closed", FakeDriver(0).closed, FakeDriver(1).closed);
  counts("notifications", rig.ble.opened(), rig.ble.closed());
  for (const auto& [timer, name] : {std::pair{kTimerReceiverWatchdog, "watchdog"},
                                    {kTimerChargeAnimation, "charging"},
                                    {kTimerOpenBleNotifications, "notify-timer"}}) {
    if (rig.timers.Running(timer)) out << ", " << name;
  }
  if (rig.controls.IsVisible("ms_1_sleep_label")) out << ", asleep";
  if (const int stage = rig.session.CurrentSnapshot().dpi_step + 1; stage != 2)
    out << ", stage " << stage;
  return out.str();
}

TEST(Presence, EachSequenceOfArrivalsAndRemovalsEndsInItsState) {
  const std::pair<const char*, const char*> rows[] = {
      // The cable: a wait, its device opened, applies unblocked, the mouse charging; once only.
      {"! C+ C+", "cable up, receiver never, connected, posted 1, waits 1, opened 1/0, charging"},
      // A removal blocks applies even when the cable was never seen, and counts once.
      {"C- C-", "cable gone, receiver never, blocked, posted 1, closed 1/0, asleep"},
      // The receiver's mouse is online once it reports (rows below), and goes with the receiver.
      {"R+ P R-", "cable never, receiver gone, posted 2, waits 1, opened 0/1, closed 0/1"},
      // With another link up, links coming and going post nothing; Bluetooth LE still takes
      // settings when the cable goes.
      {"B+ R+ C+ R- C-",
       "cable gone, receiver gone, ble, connected, posted 1, waits 2, opened 1/1, closed 1/1, "
       "notify-timer"},
      {"C+ B+ B-",
       "cable up, receiver never, connected, posted 1, waits 1, opened 1/0, notifications 0/1, "
       "charging, notify-timer"},
      // Pulling the cable blocks applies until the receiver's mouse reports again.
      {"R+ P C+ C-",
       "cable gone, receiver up online, blocked, connected, posted 1, waits 2, opened 1/1, "
       "closed 1/0, watchdog, asleep"},
      {"R+ P C+ C- P",
       "cable gone, receiver up online, connected, posted 1, waits 2, opened 1/1, closed 1/0, "
       "watchdog"},
      // Bluetooth LE: applies unblocked at once, notifications opened by the timer, closed when
      // the mouse goes.
      {"! B+", "cable never, receiver never, ble, connected, posted 1, notify-timer"},
      {"B+ N B-", "cable never, receiver never, posted 2, notifications 1/1, asleep"},
      // Only status events are handed on; other words and the Bluetooth link's are dropped.
      {"C0 Cx Cy L+ D3", "cable never, receiver never, stage 3"},
  };
  for (const auto& [steps, state] : rows) {
    fakes::DeviceRig rig;
    std::istringstream in(steps);
    for (std::string step; in >> step;) Step(rig, step);
    EXPECT_EQ(State(rig), state) << steps;
  }
}

// Hands out the fake libraries by file name; the cable's, when missing, loads as nothing.
struct FakeLoader : DriverLoader {
  DriverLibrary Load(std::string_view file_name) override {
    const bool wired = file_name == kWiredDriverFile;
    return wired && wired_missing ? DriverLibrary{} : fakes::FakeDriverLibrary(wired ? 0 : 1);
  }
  void Unload(DriverLibrary& library) override {
    const bool wired = library.set_feature == fakes::FakeDriverLibrary(0).set_feature;
    unloaded.push_back(library.usable() ? (wired ? "wired" : "receiver") : "nothing");
  }
  bool wired_missing = false;
  std::vector<std::string> unloaded;
};

struct Probe : BlePresenceProbe {
  bool MousePresent() override { return present; }
  bool present = false;
};

// The links opened at start by what is found; the monitors run whatever was, so that a later
// arrival is heard. A missing library is never called.
TEST(Presence, OpeningTheLinksAtStartFindsWhatIsThere) {
  // The cable's library is there; the cable, the receiver, the Bluetooth LE mouse; the state.
  const std::tuple<bool, bool, bool, bool, const char*> rows[] = {
      // The cable charges the mouse; the receiver's watchdog runs.
      {true, true, true, false,
       "cable up, receiver up, connected, posted 1, opened 1/1, watchdog, charging"},
      {true, false, false, false,
       "cable never, receiver never, blocked, posted 1, opened 1/1, asleep"},
      // The block stays until the runtime attaches the Bluetooth LE mouse.
      {false, true, false, true,
       "cable never, receiver never, ble, blocked, connected, posted 1, opened 0/1, asleep"},
  };
  for (const auto& [wired_library, cable, receiver, ble, state] : rows) {
    SCOPED_TRACE(state);
    fakes::DeviceRig rig;
    FakeLoader loader;
    loader.wired_missing = !wired_library;
    Probe probe;
    probe.present = ble;
    FakeDriver(0).device_present = cable;
    FakeDriver(1).device_present = receiver;
    MessageTarget target{};
    OpenDriverLinks(rig.ctx, loader, &target, probe);
    EXPECT_EQ(State(rig), state);
    EXPECT_EQ(FakeDriver(1).monitors_open, 1);
    CloseDriverLinks(rig.ctx, loader);
    EXPECT_EQ(FakeDriver(1).monitors_open, 0);
    EXPECT_EQ(loader.unloaded,
              (std::vector<std::string>{wired_library ? "wired" : "nothing", "receiver"}));
    EXPECT_FALSE(rig.drivers.wired.usable());
  }
}

}  // namespace
}  // namespace melko
