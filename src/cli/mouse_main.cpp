// melkoctl-mouse: every melkoctl command, those that talk to the mouse among them. melkoctl
// hands over to it whatever it does not run itself (see main.cpp).
#include <iostream>
#include <memory>

#include <QCoreApplication>

#include "cli/command_line.h"
#include "cli/device_commands.h"
#include "cli/session.h"
#include "cli/setting_edits.h"
#include "cli/store_views.h"

namespace melko::cli {

namespace {

constexpr const char* kUsageTemplate =
    R"(usage: melkoctl [--data-dir DIR] [--json] [--layout NAME] COMMAND [ARGS...]

Profiles:
  profiles                      list the profiles; * marks the selected one
  profile add [NAME]            add a profile with default settings and select it
  profile select NAME           select a profile
  profile rename NAME NEW       rename a profile
  profile delete NAME           delete a profile (the last one stays)
  profile reset [NAME]          restore the default settings, keeping the name
  profile show [NAME]           show every setting (of the selected profile by default)
  profile export NAME FILE      write a profile file (.pro)
  profile import FILE           add the profile of a file, with its macros, and select it

Macros:
  macros                        list the macros
  macro add [NAME]              add an empty macro
  macro rename NAME NEW         rename a macro; buttons that play it keep it
  macro delete NAME             delete a macro; buttons that played it get their default back
  macro show NAME               show the steps of a macro
  macro export NAME FILE        write a macro file (.macro)
  macro import FILE             add the macro of a file

Keys:
  keys [--layout NAME]          list the key usages with the names shown for them

The mouse:
  status [--wait S]             which links are up, battery and charging (waits up to S seconds,
                                default 2, for the mouse to report), the selected profile
  apply [--wait S]              write the selected profile to the mouse in full
  set [--profile NAME] [--wait S] SETTING...
                                change one setting of the selected profile (or NAME), save it, and
                                send what changed when a link can take it:
      dpi STAGE DPI             stage 1-8, 50-12000 DPI
      stage N                   the current stage, 1-8
      stage-enable STAGE on|off a stage in or out of the DPI button's cycle
      dpi-color STAGE #RRGGBB
      rate 125|250|500|1000
      light MODE [brightness N] [speed N] [color #RRGGBB]
                                mode 0-15, brightness 0-15, speed 0-9
      light-off N               half minutes, 0-255
      sleep N                   minutes, 0-255
      debounce MS               0-510, in steps of 2
      lift-off 1|2
      ripple on|off
      angle-snap on|off
      button N FUNCTION         button 1-18; FUNCTION as listed below
      button N shortcut KEYS    e.g. Ctrl+Alt+F5 (key names as melkoctl keys shows them)
      button N macro NAME [repeat N|mode 1|mode 2]
  watch [--seconds S] [--count N]
                                print the mouse's events as they come and keep the profile in line
  apply, set and watch wait up to --wait S seconds (default 3) for a link that can take settings:
  the cable or Bluetooth LE at once, the receiver once its mouse reports. --debug prints the
  device layer's debug lines on standard error. profile add, select, import, and delete or reset
  of the selected profile send the profile now selected in full; macro rename and delete send
  the selected profile's buttons when they change. They wait as apply does (--wait S, --debug)
  and say on standard error whether the mouse got it.
@SET_USAGE@
Options:
  --data-dir DIR   use DIR as the data folder (the stores live in DIR/ms_1)
  --json           print lists and settings as JSON
  --layout NAME    name keys as the keyboard layout NAME types them (e.g. us, fr, de) instead
                   of the session's layout
  -h, --help       show this text (melkoctl set --help: the settings alone)
  --version        show the version

Names are matched without regard to letter case. Exit status: 0 done, 1 refused or failed,
2 usage error.
)";

std::string UsageText() {
  std::string usage = kUsageTemplate;
  const std::size_t at = usage.find("@SET_USAGE@\n");
  if (at != std::string::npos) usage.replace(at, 12, SetUsage());
  return usage;
}

// The settings part of the usage text, from "dpi STAGE DPI" to the list of button functions.
std::string SetSettingsUsage() {
  const std::string usage = UsageText();
  const std::size_t from = usage.find("      dpi STAGE DPI");
  const std::size_t to = usage.find("  watch [");
  std::string settings = usage.substr(from, to - from);
  return settings + SetUsage();
}

int RunCommand(int argc, char** argv) {
  Options options;
  std::string layout_name;
  std::string command;
  try {
    for (int i = 1; i < argc; ++i) {
      const std::string word = argv[i];
      if (word == "--") break;
      if (word == "--version") {
        std::cout << "melkoctl " << MELKO_VERSION << '\n';
        return 0;
      }
      if (word == "-h" || word == "--help") {
        // `melkoctl set --help` shows the settings alone.
        const bool set_help = i > 1 && std::string(argv[i - 1]) == "set";
        std::cout << (set_help ? "usage: melkoctl set [--profile NAME] [--wait S] SETTING...\n" +
                                     SetSettingsUsage()
                               : UsageText());
        return 0;
      }
    }
    options = ParseOptions(argc, argv, layout_name);
    if (!options.words.empty() && options.words[0] == "help") {
      std::cout << UsageText();
      return 0;
    }
    if (options.words.empty()) throw UsageError("a command is missing");
    command = options.words[0];
  } catch (const UsageError& error) {
    return ReportUsageError(error, command);
  }

  LoadLanguage();
  // The commands that talk to the mouse run an event loop; so do the profile and macro commands,
  // which may send the selected profile when they change it.
  std::unique_ptr<QCoreApplication> event_loop;
  const bool device_command =
      command == "status" || command == "apply" || command == "set" || command == "watch";
  if (device_command || command == "profile" || command == "macro") {
    event_loop = std::make_unique<QCoreApplication>(argc, argv);
  }
  Session session(options, std::cout, std::cerr);
  const std::vector<std::string> args(options.words.begin() + 1, options.words.end());
  return RunReported(command, [&] {
    if (command.rfind("--", 0) == 0) throw UsageError("unknown option " + command);
    if (command != "profiles" && command != "profile" && command != "macros" &&
        command != "macro" && command != "keys" && !device_command) {
      throw UsageError("unknown command \"" + command + "\"");
    }
    if ((command == "profiles" || command == "macros") && !args.empty()) {
      throw UsageError("usage: melkoctl " + command);
    }
    if (command == "keys" && !args.empty()) {
      throw UsageError("usage: melkoctl keys [--layout NAME]");
    }
    // Key names are needed by the listing of keys and by what profiles and macros show.
    if (!layout_name.empty() || command == "keys" || command == "profile" || command == "macro" ||
        command == "set") {
      LoadKeyboardLayout(layout_name);
    }
    // Each command opens the stores as it needs them: to read, to change, or (the device
    // commands, which save through the device side) not at all.
    if (command == "keys") {
      ListKeys(session);
    } else if (device_command) {
      session.ResolveDataFolder();
      if (command == "status") RunStatus(session, args);
      if (command == "apply") RunApply(session, args);
      if (command == "set") RunSet(session, args);
      if (command == "watch") RunWatch(session, args);
    } else {
      if (command == "profiles") ListProfiles(session);
      if (command == "profile") RunProfileCommand(session, args);
      if (command == "macros") ListMacros(session);
      if (command == "macro") RunMacroCommand(session, args);
    }
  });
}

// Whatever goes wrong ends in one line and exit status 1, never in an abort.
int Run(int argc, char** argv) {
  try {
    return RunCommand(argc, argv);
  } catch (const std::bad_alloc&) {
    std::cerr << "melkoctl: out of memory\n";
  } catch (const std::exception& error) {
    std::cerr << "melkoctl: " << error.what() << '\n';
  } catch (...) {
    std::cerr << "melkoctl: an unexpected error ended the command\n";
  }
  return 1;
}

}  // namespace
}  // namespace melko::cli

int main(int argc, char** argv) {
  melko::cli::PrepareHeapForStores();
  return melko::cli::Run(argc, argv);
}
