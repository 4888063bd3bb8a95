// melkoctl: the profile and macro stores, and the mouse, from the command line.
//
// This program runs the commands that only show what the stores hold (profiles, macros, profile
// show, macro show, keys), and set and apply while the desktop program drives the mouse
// (through_desktop.h). It hands every other command line to melkoctl-mouse, which carries the
// device side: Qt's event loop and D-Bus, the driver libraries, udev. Loading those takes longer
// than a listing takes in all, so a listing never waits for them. The hand-over replaces this
// process (execv): the command keeps its process id, its signals and its exit status.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>

#include "cli/command_line.h"
#include "cli/session.h"
#include "cli/store_views.h"
#include "cli/through_desktop.h"
#include "common/install_paths.h"

namespace melko::cli {
namespace {

constexpr const char* kMouseProgram = "melkoctl-mouse";

// Whether this program runs the command itself: plainly one of the showing commands, with no
// option of the device side (--wait, --debug, ...) and nothing that would be a usage error.
// Anything else is the other program's to take or refuse, with its own words.
bool RunsHere(const Options& options) {
  const std::vector<std::string>& words = options.words;
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (words[i].starts_with("-")) return false;
  }
  if (words.size() == 1) {
    return words[0] == "profiles" || words[0] == "macros" || words[0] == "keys";
  }
  if (words.size() >= 2 && words[1] == "show") {
    return (words[0] == "profile" && words.size() <= 3) ||
           (words[0] == "macro" && words.size() == 3);
  }
  return false;
}

// Runs one of the showing commands.
int RunShowingCommand(const Options& options, const std::string& layout_name) {
  // Only a command run here reads the stores; melkoctl-mouse prepares its own heap.
  PrepareHeapForStores();

  const std::string command = options.words[0];
  const std::vector<std::string> args(options.words.begin() + 1, options.words.end());
  LoadLanguage();
  Session session(options, std::cout, std::cerr);
  return RunReported(command, [&] {
    // Key names come from the keyboard layout: the listing of keys and what profiles and macros
    // show name keys.
    if (!layout_name.empty() || command == "keys" || command == "profile" || command == "macro") {
      LoadKeyboardLayout(layout_name);
    }
    if (command == "profiles") ListProfiles(session);
    if (command == "macros") ListMacros(session);
    if (command == "keys") ListKeys(session);
    if (command == "profile") ShowProfile(session, {args.begin() + 1, args.end()});
    if (command == "macro") ShowMacro(session, {args.begin() + 1, args.end()});
  });
}

// Replaces this process with melkoctl-mouse, found beside this program (the build tree) or in
// the installed library folder. Returns only when it cannot be run.
int HandOver(char** argv) {
  std::string tried;
  for (const std::string& folder : LibraryFolders()) {
    const std::string program = folder + "/" + kMouseProgram;
    if (access(program.c_str(), X_OK) != 0) {
      tried += (tried.empty() ? "" : ", ") + program;
      continue;
    }
    execv(program.c_str(), argv);
    std::cerr << "melkoctl: cannot run " << program << ": " << std::strerror(errno) << '\n';
    return 1;
  }
  std::cerr << "melkoctl: " << kMouseProgram << " is missing (looked for "
            << (tried.empty() ? "it beside melkoctl" : tried) << ")\n";
  return 1;
}

// Runs the command when this program takes it; nothing when melkoctl-mouse is to.
std::optional<int> RunHere(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (word == "--") break;
    if (word == "--version") {
      std::cout << "melkoctl " << MELKO_VERSION << '\n';
      return 0;
    }
    if (word == "-h" || word == "--help") return std::nullopt;
  }
  Options options;
  std::string layout_name;
  try {
    options = ParseOptions(argc, argv, layout_name);
  } catch (const UsageError&) {
    return std::nullopt;
  }
  if (RunsHere(options)) return RunShowingCommand(options, layout_name);
  return RunThroughDesktop(options, layout_name);
}

int Run(int argc, char** argv) {
  try {
    if (const std::optional<int> status = RunHere(argc, argv)) return *status;
  } catch (const std::bad_alloc&) {
    std::cerr << "melkoctl: out of memory\n";
    return 1;
  } catch (const std::exception& error) {
    std::cerr << "melkoctl: " << error.what() << '\n';
    return 1;
  }
  std::cout.flush();
  return HandOver(argv);
}

}  // namespace
}  // namespace melko::cli

int main(int argc, char** argv) {
  return melko::cli::Run(argc, argv);
}
