// melkoctl: the profile and macro stores from the command line.
#include <iostream>

#include "cli/session.h"
#include "common/language.h"
#include "input/keyboard_layout.h"
#include "input/xkb/xkb_layout.h"

namespace melko::cli {

namespace {

constexpr const char* kUsage = R"(usage: melkoctl [--data-dir DIR] [--json] [--layout NAME] COMMAND [ARGS...]

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

Options:
  --data-dir DIR   use DIR as the data folder (the stores live in DIR/ms_1)
  --json           print lists and settings as JSON
  --layout NAME    name keys as the keyboard layout NAME types them (e.g. us, fr, de) instead
                   of the session's layout
  -h, --help       show this text

Names are matched without regard to letter case. Exit status: 0 done, 1 refused or failed,
2 usage error.
)";

// The command-line options; the keyboard layout named by --layout goes to layout_name.
Options ParseOptions(int argc, char** argv, std::string& layout_name) {
  Options options;
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (options_done || word.empty() || word[0] != '-' || word == "-") {
      options.words.push_back(word);
    } else if (word == "--") {
      options_done = true;
    } else if (word == "--json") {
      options.json = true;
    } else if (word == "--data-dir" || word.rfind("--data-dir=", 0) == 0) {
      const std::string folder =
          word == "--data-dir" ? (i + 1 < argc ? argv[++i] : "") : word.substr(11);
      if (folder.empty()) throw UsageError("--data-dir needs a folder");
      options.data_folder = folder;
    } else if (word == "--layout" || word.rfind("--layout=", 0) == 0) {
      layout_name = word == "--layout" ? (i + 1 < argc ? argv[++i] : "") : word.substr(9);
      if (layout_name.empty()) throw UsageError("--layout needs a keyboard layout name");
    } else {
      throw UsageError("unknown option " + word);
    }
  }
  return options;
}

void LoadLanguage() {
  const std::filesystem::path file = DefaultSkinFolder() / "lan.xml";
  bool loaded = false;
  LanguageTexts texts = LanguageTexts::Load(file, &loaded);
  if (!loaded) {
    std::cerr << "melkoctl: cannot read the language file " << file.string()
              << "; texts show their keys\n";
  }
  InstallLanguage(std::move(texts));
}

// Installs the named keyboard layout, refusing a name the xkb data lacks, or the session's
// layout; without one, names that come from the layout stay empty.
void LoadKeyboardLayout(const std::string& layout_name) {
  std::string error;
  if (!layout_name.empty()) {
    std::unique_ptr<KeyboardLayout> layout = LoadXkbLayout({layout_name, "", "", ""}, &error);
    if (!layout) throw Refused(error);
    InstallKeyboardLayout(std::move(layout));
    return;
  }
  std::unique_ptr<KeyboardLayout> layout = LoadSessionLayout(&error);
  if (!layout) {
    std::cerr << "melkoctl: cannot load the keyboard layout (" << error
              << "); key names stay empty\n";
  }
  InstallKeyboardLayout(std::move(layout));
}

int Run(int argc, char** argv) {
  Options options;
  std::string layout_name;
  try {
    for (int i = 1; i < argc; ++i) {
      const std::string word = argv[i];
      if (word == "--") break;
      if (word == "-h" || word == "--help") {
        std::cout << kUsage;
        return 0;
      }
    }
    options = ParseOptions(argc, argv, layout_name);
    if (!options.words.empty() && options.words[0] == "help") {
      std::cout << kUsage;
      return 0;
    }
    if (options.words.empty()) throw UsageError("a command is missing");
  } catch (const UsageError& error) {
    std::cerr << "melkoctl: " << error.what() << "\n\n" << kUsage;
    return 2;
  }

  LoadLanguage();
  Session session(options, std::cout, std::cerr);
  const std::string command = options.words[0];
  const std::vector<std::string> args(options.words.begin() + 1, options.words.end());
  try {
    if (command != "profiles" && command != "profile" && command != "macros" &&
        command != "macro" && command != "keys") {
      throw UsageError("unknown command \"" + command + "\"");
    }
    if ((command == "profiles" || command == "macros") && !args.empty()) {
      throw UsageError("usage: melkoctl " + command);
    }
    if (command == "keys" && !args.empty()) {
      throw UsageError("usage: melkoctl keys [--layout NAME]");
    }
    // Key names are needed by the listing of keys and by what profiles and macros show.
    if (!layout_name.empty() || command == "keys" || command == "profile" || command == "macro") {
      LoadKeyboardLayout(layout_name);
    }
    if (command == "keys") {
      ListKeys(session);  // needs no store
    } else {
      session.Open();
      if (command == "profiles") ListProfiles(session);
      if (command == "profile") RunProfileCommand(session, args);
      if (command == "macros") ListMacros(session);
      if (command == "macro") RunMacroCommand(session, args);
    }
  } catch (const UsageError& error) {
    std::cerr << "melkoctl: " << error.what() << "\n\n" << kUsage;
    return 2;
  } catch (const Refused& error) {
    std::cerr << "melkoctl: " << error.what() << '\n';
    return 1;
  }
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "melkoctl: cannot write the output\n";
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace melko::cli

int main(int argc, char** argv) {
  return melko::cli::Run(argc, argv);
}
