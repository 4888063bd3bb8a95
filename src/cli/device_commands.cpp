#include "cli/device_commands.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <iostream>

#include "cli/console_controls.h"
#include "cli/handover_client.h"
#include "cli/json_writer.h"
#include "cli/profile_view.h"
#include "cli/setting_edits.h"
#include "common/runtime_folder.h"
#include "common/text.h"
#include "device/messages.h"
#include "device/status_decoder.h"
#include "platform/hid_access.h"
#include "protocol/settings_reports.h"
#include "runtime/device_runtime.h"

namespace melko::cli {
namespace {

using std::chrono::milliseconds;

std::string LinkName(LinkMode link) {
  return link == LinkMode::kWired      ? "cable"
         : link == LinkMode::kWireless ? "receiver"
                                       : "bluetooth";
}

// One line for a status word, as watch prints it.
std::string DescribeStatusWord(LinkMode link, std::uint32_t word, int dpi_of_stage) {
  const std::uint16_t event = EventOf(word);
  const std::uint16_t value = ValueOf(word);
  const std::string from = LinkName(link) + ": ";
  if (event == kConnectionEvent) {
    if (value == 1) return from + "connected";
    if (value == 2) return from + "removed";
    return {};
  }
  char line[96];
  switch (event) {
    case kEventDpiStage:
      if (value < 1 || value > 8) return {};
      std::snprintf(line, sizeof line, "dpi stage %d (%d DPI)", value, dpi_of_stage);
      return from + line;
    case kEventPollingRate: {
      const int hz = PollingRateHz(PrateOfRateCode(value));
      return from + (hz ? "polling rate " + std::to_string(hz) + " Hz"
                        : "polling rate with unknown code " + std::to_string(value));
    }
    case kEventPower:
      if ((value & 0xFF) == kPowerCharged) return from + "charged (100%)";
      if ((value & 0xFF) == kPowerCharging) return from + "charging";
      return from + "battery " + std::to_string(value >> 8) + "%";
    case kEventAck:
      return from + ((value & 0xFF) == 0 ? "acknowledged" : "not acknowledged");
    case kEventLightMode:
      return from + "light mode " + std::to_string((value >> 4) & 0x0F);
    default:
      return {};
  }
}

// The device side of one command, with the command line's stand-ins for the page and the log.
struct CommandRuntime {
  CommandRuntime(const std::filesystem::path& data_folder, bool debug)
      : log("melkoctl", debug), runtime(data_folder, controls, log) {}
  void LoadStores() {
    const std::string error = runtime.LoadStores();
    if (!error.empty()) throw Refused(error);
  }
  ConsoleControls controls;
  StderrDebugLog log;
  DeviceRuntime runtime;
};

// Opens every link and gives them a moment to report: the receiver's mouse counts only once it
// has sent a power event. With no link there at all, there is nothing to wait for.
void OpenAndWaitForLink(DeviceRuntime& runtime, double wait_seconds) {
  runtime.Open();
  const LinkState& links = runtime.links();
  if (links.wired_state != kLinkConnected && links.wireless_state != kLinkConnected &&
      links.ble_present != 1) {
    return;
  }
  runtime.RunUntil([&] { return runtime.CanTakeSettings(); }, Millis(wait_seconds));
}

// Set by Ctrl+C or a termination request, so that watch closes the links and ends cleanly. The
// handler also writes a byte to a pipe the event loop watches, which wakes the loop to see it.
volatile sig_atomic_t stop_requested = 0;
int stop_pipe[2] = {-1, -1};
void RequestStop(int) {
  stop_requested = 1;
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(stop_pipe[1], &byte, 1);
  errno = saved;
}

class StopOnSignals {
 public:
  StopOnSignals() {
    stop_requested = 0;
    if (::pipe2(stop_pipe, O_CLOEXEC | O_NONBLOCK) == 0) {
      wake_ = std::make_unique<QSocketNotifier>(stop_pipe[0], QSocketNotifier::Read);
      // Reading the byte is all: the loop wakes for the notifier and then finds the request.
      QObject::connect(wake_.get(), &QSocketNotifier::activated, [] {
        char byte;
        [[maybe_unused]] const ssize_t read = ::read(stop_pipe[0], &byte, 1);
      });
    }
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_interrupt_);
    sigaction(SIGTERM, &action, &previous_terminate_);
  }
  ~StopOnSignals() {
    sigaction(SIGINT, &previous_interrupt_, nullptr);
    sigaction(SIGTERM, &previous_terminate_, nullptr);
    wake_.reset();
    for (int& fd : stop_pipe) {
      if (fd >= 0) ::close(fd);
      fd = -1;
    }
  }

 private:
  struct sigaction previous_interrupt_ {};
  struct sigaction previous_terminate_ {};
  std::unique_ptr<QSocketNotifier> wake_;
};

void ShowProgress(DeviceRuntime& runtime) {
  if (!Interactive()) return;
  runtime.engine().SetReportObserver(ShowSendingReport);
}

// A running program answers "accepted" from its event loop at once; one that does not within this
// is not taken as having the request.
constexpr std::chrono::milliseconds kAcceptLimit(5000);

// When the desktop program runs on the same data folder, it is the one program that writes to
// the mouse: the request goes to it and its answer comes back. Nothing when melkoctl goes alone.
std::optional<HandoverAnswer> HandOverToDesktop(Session& session, HandoverSend send,
                                                double wait_seconds) {
  const auto request = MakeHandoverRequest(session.data_folder(), send, wait_seconds);
  DesktopHandover desktop(DesktopSocketPath());
  if (!request || !desktop.Request(*request, kAcceptLimit)) return std::nullopt;
  return desktop.Outcome(ShowSendingReport, HandoverAnswerLimit(wait_seconds));
}

}  // namespace

void SendSelectedProfile(Session& session, const DeviceOptions& options,
                         const std::optional<ProfileRecord>& before, std::ostream& report) {
  session.ReleaseLock();
  const auto handed = HandOverToDesktop(
      session, before ? HandoverSend::kChanged : HandoverSend::kFull, options.wait_seconds);
  if (handed) {
    ReportHandedSend(*handed, report);
    return;
  }
  CommandRuntime command(session.data_folder(), options.debug);
  DeviceRuntime& runtime = command.runtime;
  command.LoadStores();
  OpenAndWaitForLink(runtime, options.wait_seconds);
  if (!runtime.CanTakeSettings()) {
    runtime.Close();
    report << "saved; not sent (no link to the mouse can take settings); run melkoctl apply\n";
    return;
  }
  ShowProgress(runtime);
  const std::string link = runtime.UsableLinkName();
  if (before) runtime.session().SetApplied(*before);
  // Open() asks for the full apply of a start; a changed setting sends only what changed.
  runtime.session().full_apply = before ? 0 : 1;
  // Every block and the macro of every button that plays one may take minutes over the receiver.
  const bool done = runtime.ApplyAndWait(!before, std::chrono::minutes(15));
  runtime.Close();
  if (!done) throw Refused("saved, but sending did not finish");
  report << "saved and sent over the " << link << '\n';
}

void RunStatus(Session& session, const std::vector<std::string>& args) {
  const DeviceOptions options = ParseDeviceOptions(args, 2);
  if (!options.rest.empty()) throw UsageError("usage: melkoctl status [--wait S]");
  CommandRuntime command(session.data_folder(), options.debug);
  DeviceRuntime& runtime = command.runtime;
  command.LoadStores();
  runtime.Open();
  // Battery and charging come with the first power event.
  runtime.RunUntil([&] { return !command.controls.PowerLabel().empty(); },
                   Millis(options.wait_seconds));
  LinkState& links = runtime.links();
  const bool cable = links.wired_state == kLinkConnected;
  const bool receiver = links.wireless_state == kLinkConnected;
  const bool awake = receiver && links.wireless_online == 1;
  const bool ble = links.ble_present == 1;
  const std::string battery = command.controls.PowerLabel();
  const bool charging = command.controls.PowerLabelIsCharging();
  const std::string profile = Utf16ToUtf8(ProfileName(runtime.session().CurrentSnapshot()));
  runtime.Close();
  // A node of the mouse that cannot be opened is why a plugged-in mouse shows as absent.
  for (const BlockedNode& node : FindBlockedMouseNodes()) {
    session.err() << "melkoctl: " << node.device << " belongs to the mouse but cannot be opened ("
                  << node.reason << "); install the udev rules " << kUdevRulesFile
                  << " (see \"man melkoctl\", FILES) and plug the mouse in again\n";
  }

  std::ostream& out = session.out();
  if (session.options().json) {
    JsonWriter json(out);
    json.BeginObject()
        .Field("cable", cable)
        .Field("receiver", receiver)
        .Field("receiver_mouse_awake", awake)
        .Field("bluetooth", ble)
        .Field("charging", charging);
    json.Key("battery");
    if (battery.empty() || charging) {
      json.Null();
    } else {
      json.String(battery);
    }
    json.Field("profile", profile).EndObject().Finish();
    return;
  }
  out << "Cable:        " << (cable ? "connected" : "not connected") << '\n';
  out << "Receiver:     "
      << (!receiver ? "not connected"
          : awake   ? "connected, mouse awake"
                    : "connected, mouse not reporting (asleep or off)")
      << '\n';
  out << "Bluetooth LE: " << (ble ? "connected" : "not connected") << '\n';
  out << "Battery:      " << (battery.empty() ? "not reported yet" : battery) << '\n';
  out << "Profile:      " << profile << '\n';
}

void RunApply(Session& session, const std::vector<std::string>& args) {
  const DeviceOptions options = ParseDeviceOptions(args, 3);
  if (!options.rest.empty()) throw UsageError("usage: melkoctl apply [--wait S]");
  const auto handed = HandOverToDesktop(session, HandoverSend::kApply, options.wait_seconds);
  if (handed) {
    ReportHandedApply(*handed, session.out());
    return;
  }
  CommandRuntime command(session.data_folder(), options.debug);
  DeviceRuntime& runtime = command.runtime;
  command.LoadStores();
  OpenAndWaitForLink(runtime, options.wait_seconds);
  if (!runtime.CanTakeSettings()) {
    throw Refused(kNoLinkForApply);
  }
  ShowProgress(runtime);
  const std::string link = runtime.UsableLinkName();
  // Every block, and the macro of every button that plays one; a macro over the receiver may
  // take half a minute.
  if (!runtime.ApplyAndWait(true, std::chrono::minutes(15))) {
    throw Refused("the apply did not finish");
  }
  runtime.Close();
  session.out() << "applied " << Utf16ToUtf8(ProfileName(runtime.session().CurrentSnapshot()))
                << " over the " << link << '\n';
}

void RunSet(Session& session, const std::vector<std::string>& args) {
  const DeviceOptions options = ParseDeviceOptions(args, 3);
  if (options.rest.empty()) throw UsageError("usage: melkoctl set [--profile NAME] SETTING ...");
  session.Open(Access::kWrite);
  const SetChange change = ChangeProfileForSet(session, options);
  if (change.changed) session.SaveProfileStore();
  if (!change.selected) {
    session.out() << kStoredNotSelected;
    return;
  }
  SendSelectedProfile(session, options, change.before, session.out());
}

void RunWatch(Session& session, const std::vector<std::string>& args) {
  const DeviceOptions options = ParseDeviceOptions(args, 0);
  if (!options.rest.empty()) {
    throw UsageError("usage: melkoctl watch [--seconds S] [--count N]");
  }
  CommandRuntime command(session.data_folder(), options.debug);
  DeviceRuntime& runtime = command.runtime;
  long printed = 0;
  auto print = [&](const std::string& line) {
    if (line.empty()) return;
    session.out() << line << std::endl;
    ++printed;
  };
  runtime.on_status_word = [&](LinkMode link, std::uint32_t word) {
    const int stage = ValueOf(word);
    const int dpi =
        (EventOf(word) == kEventDpiStage && stage >= 1 && stage <= 8)
            ? StageValueToDpi(runtime.session().CurrentSnapshot().dpi_value[std::size_t(stage - 1)])
            : 0;
    print(DescribeStatusWord(link, word, dpi));
  };
  runtime.on_timer = [&](int timer_id) {
    if (timer_id == kTimerReceiverWatchdog) print("receiver: mouse stopped reporting (asleep)");
  };
  command.LoadStores();
  runtime.Open();
  const LinkState& links = runtime.links();
  print(std::string("links: cable ") + (links.wired_state == kLinkConnected ? "up" : "down") +
        ", receiver " + (links.wireless_state == kLinkConnected ? "up" : "down") + ", bluetooth " +
        (links.ble_present == 1 ? "up" : "down"));
  printed = 0;  // the opening line does not count
  const milliseconds limit =
      options.seconds < 0 ? milliseconds(std::chrono::hours(24 * 365)) : Millis(options.seconds);
  StopOnSignals stop_on_signals;
  runtime.RunUntil(
      [&] { return stop_requested != 0 || (options.count > 0 && printed >= options.count); },
      limit);
  runtime.Close();
}

}  // namespace melko::cli
