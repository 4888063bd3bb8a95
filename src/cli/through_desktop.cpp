#include "cli/through_desktop.h"

#include <iostream>

#include "cli/command_line.h"
#include "cli/device_options.h"
#include "cli/handover_client.h"
#include "cli/session.h"
#include "cli/setting_edits.h"
#include "common/runtime_folder.h"

namespace melko::cli {
namespace {

// The store lock is held while the program is asked, so that its sync after "accepted" waits for
// the change being saved. A program busy elsewhere (maybe waiting for this very lock) is not
// waited for long: melkoctl-mouse then asks again without the lock.
constexpr std::chrono::milliseconds kAcceptLimit(2000);

struct Command {
  Options options;
  std::string layout_name;
  std::string name;  // "set" or "apply"
  DeviceOptions device;
};

// The command when it is a set or apply for the running program to carry: no device-side debug
// lines, and well formed as far as melkoctl-mouse would check before the stores.
std::optional<Command> ReadCommand(const Options& options, const std::string& layout_name) {
  const std::vector<std::string>& words = options.words;
  if (words.empty() || (words[0] != "set" && words[0] != "apply")) return std::nullopt;
  Command command{options, layout_name, words[0],
                  ParseDeviceOptions({words.begin() + 1, words.end()}, 3)};
  if (command.device.debug || command.device.rest.empty() != (command.name == "apply")) {
    return std::nullopt;
  }
  return command;
}

// Before the program has taken the command, whatever stops it (a refusal, a usage error, anything
// else) leaves the stores as they were: melkoctl-mouse runs the command and says it in its own
// words. After, the command ends here.

std::optional<int> Apply(const Command& command, DesktopHandover& desktop) {
  Session session(command.options, std::cout, std::cerr);
  const double wait = command.device.wait_seconds;
  try {
    session.ResolveDataFolder();
    const auto request = MakeHandoverRequest(session.data_folder(), HandoverSend::kApply, wait);
    if (!request || !desktop.Request(*request, kAcceptLimit)) return std::nullopt;
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return RunReported(command.name, [&] {
    ReportHandedApply(desktop.Outcome(ShowSendingReport, HandoverAnswerLimit(wait)), session.out());
  });
}

std::optional<int> Set(const Command& command, DesktopHandover& desktop) {
  Session session(command.options, std::cout, std::cerr);
  const double wait = command.device.wait_seconds;
  SetChange change;
  try {
    PrepareHeapForStores();
    LoadLanguage();
    LoadKeyboardLayout(command.layout_name);
    session.Open(Access::kWrite);
    change = ChangeProfileForSet(session, command.device);
    if (change.selected) {
      const auto request = MakeHandoverRequest(session.data_folder(), HandoverSend::kChanged, wait);
      if (!request || !desktop.Request(*request, kAcceptLimit)) return std::nullopt;
    }
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return RunReported(command.name, [&] {
    if (change.changed) session.SaveProfileStore();
    if (!change.selected) {
      session.out() << kStoredNotSelected;
      return;
    }
    session.ReleaseLock();
    ReportHandedSend(desktop.Outcome(ShowSendingReport, HandoverAnswerLimit(wait)), session.out());
  });
}

}  // namespace

std::optional<int> RunThroughDesktop(const Options& options, const std::string& layout_name) {
  std::optional<Command> command;
  try {
    command = ReadCommand(options, layout_name);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (!command) return std::nullopt;
  DesktopHandover desktop(DesktopSocketPath());
  if (!desktop.connected()) return std::nullopt;
  return command->name == "apply" ? Apply(*command, desktop) : Set(*command, desktop);
}

}  // namespace melko::cli
