// Runs the real melkoctl binary on private data folders.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include "common/text.h"
#include "macros/macro_store.h"
#include "profiles/data_folder.h"
#include "profiles/profile_store.h"
#include "support/test_support.h"

namespace melko {
namespace {

using testing::TempDir;

struct CliResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct RunOptions {
  std::vector<std::string> env;  // "NAME=value" added, "NAME=" removed
  // As an ordinary user when this process is root, which any permission would let through.
  bool unprivileged = false;
  bool data_dir = true;  // pass --data-dir
};

CliResult RunCli(const std::filesystem::path& data, std::vector<std::string> args,
                 const RunOptions& options = {}) {
  static TempDir outputs;
  static std::atomic<int> runs{0};
  const std::string run = std::to_string(runs++);
  const std::filesystem::path out_file = outputs / ("out-" + run);
  const std::filesystem::path err_file = outputs / ("err-" + run);
  std::vector<std::string> prefix = {"/usr/bin/env"};
  // env takes its options before the assignments.
  for (const std::string& assignment : options.env) {
    if (assignment.back() == '=') {
      prefix.insert(prefix.end(), {"-u", assignment.substr(0, assignment.size() - 1)});
    }
  }
  for (const std::string& assignment : options.env) {
    if (assignment.back() != '=') prefix.push_back(assignment);
  }
  if (options.unprivileged && geteuid() == 0) {
    prefix.insert(prefix.end(),
                  {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"});
  }
  prefix.push_back(std::string(MELKO_BIN_DIR) + "/melkoctl");
  if (options.data_dir) prefix.insert(prefix.end(), {"--data-dir", data.string()});
  args.insert(args.begin(), prefix.begin(), prefix.end());
  // Everything the child needs is prepared before fork: other threads may hold the allocator.
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const int out = open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  const int err = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  const pid_t child = fork();
  if (child == 0) {
    dup2(out, 1);
    dup2(err, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out);
  close(err);
  int status = 0;
  waitpid(child, &status, 0);
  CliResult result;
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = Slurp(out_file);
  result.err = Slurp(err_file);
  std::filesystem::remove(out_file);
  std::filesystem::remove(err_file);
  return result;
}

// Lets an unprivileged user into a private folder.
void OpenToEveryone(const std::filesystem::path& folder) {
  std::filesystem::permissions(folder, std::filesystem::perms::all,
                               std::filesystem::perm_options::replace);
}

int Lines(const std::string& text) {
  return int(std::count(text.begin(), text.end(), '\n'));
}

TEST(Cli, FirstListingCreatesTheStore) {
  TempDir dir;
  const CliResult listed = RunCli(dir.path(), {"profiles"});
  EXPECT_EQ(listed.exit_code, 0) << listed.err;
  EXPECT_EQ(listed.out, "0 * Profile1\n");
  EXPECT_EQ(listed.err, "");
  EXPECT_EQ(std::filesystem::file_size(ProfileStorePath(dir.path())), 197956u);
}

TEST(Cli, ProfileLifecycle) {
  TempDir dir;
  EXPECT_EQ(RunCli(dir.path(), {"profile", "add", "Game"}).out, "Game\n");
  EXPECT_EQ(RunCli(dir.path(), {"profile", "add"}).out, "Profile3\n");  // after Profile1, Game
  EXPECT_EQ(RunCli(dir.path(), {"profiles"}).out, "0   Profile1\n1   Game\n2 * Profile3\n");

  EXPECT_EQ(RunCli(dir.path(), {"profile", "select", "GAME"}).exit_code, 0);
  EXPECT_EQ(RunCli(dir.path(), {"profile", "export", "game", (dir / "g.pro").string()}).exit_code,
            0);
  const CliResult imported = RunCli(dir.path(), {"profile", "import", (dir / "g.pro").string()});
  EXPECT_EQ(imported.out, "Game_1\n");
  EXPECT_NE(RunCli(dir.path(), {"profiles"}).out.find("3 * Game_1"), std::string::npos);

  // Deleting the selected last profile selects the one before it.
  EXPECT_EQ(RunCli(dir.path(), {"profile", "delete", "Game_1"}).exit_code, 0);
  EXPECT_EQ(RunCli(dir.path(), {"profiles"}).out, "0   Profile1\n1   Game\n2 * Profile3\n");
  // Deleting a profile before the selected one keeps the same profile selected.
  EXPECT_EQ(RunCli(dir.path(), {"profile", "delete", "profile1"}).exit_code, 0);
  EXPECT_EQ(RunCli(dir.path(), {"profiles"}).out, "0   Game\n1 * Profile3\n");

  EXPECT_EQ(RunCli(dir.path(), {"profile", "rename", "Game", "Work"}).exit_code, 0);
  const CliResult shown = RunCli(dir.path(), {"--json", "profile", "show", "work"});
  EXPECT_NE(shown.out.find("\"name\":\"Work\""), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("\"polling_rate_hz\":1000"), std::string::npos);
  EXPECT_NE(shown.out.find("\"dpi\":12000"), std::string::npos);
  EXPECT_EQ(RunCli(dir.path(), {"profile", "reset"}).exit_code, 0);
}

TEST(Cli, RefusalsAndUsageErrorsSayWhyInOneLine) {
  TempDir dir;
  RunCli(dir.path(), {"profiles"});
  struct Refusal {
    std::vector<std::string> args;
    const char* reason;
  };
  std::string emoji;
  for (int i = 0; i < 50; ++i) emoji += "\xF0\x9F\x98\x80";
  const std::vector<Refusal> refusals = {
      {{"profile", "add", ""}, "empty"},
      {{"profile", "add", std::string(100, 'x')}, "99 UTF-16 code units"},
      {{"profile", "add", emoji}, "an emoji, takes two"},
      {{"profile", "add", "bad\xFFname"}, "valid UTF-8"},
      {{"profile", "add", "PROFILE1"}, "already exists"},
      {{"profile", "rename", "Profile1", "profile1"}, "already exists"},
      {{"profile", "delete", "Profile1"}, "last profile"},
      {{"profile", "select", "nobody"}, "no profile named"},
      {{"profile", "import", (dir / "absent.pro").string()}, "absent.pro"},
      {{"macro", "add", std::string(24, 'm')}, "23"},
      {{"macro", "show", "nothing"}, "no macro named"},
  };
  for (const Refusal& refusal : refusals) {
    const CliResult result = RunCli(dir.path(), refusal.args);
    EXPECT_EQ(result.exit_code, 1) << refusal.reason;
    EXPECT_EQ(Lines(result.err), 1) << result.err;
    EXPECT_NE(result.err.find(refusal.reason), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
  }
  // What is wrong, and where help is: not the whole usage text.
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"profile"},
                                             {"profile", "fly"},
                                             {"frobnicate"},
                                             {"profile", "select"},
                                             {"--bogus", "profiles"},
                                             {"set", "dpi", "x", "y"}}) {
    const CliResult result = RunCli(dir.path(), args);
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_EQ(Lines(result.err), 2) << result.err;
    const char* help =
        args.size() > 1 && args[0] == "set" ? "Try 'melkoctl set --help'" : "Try 'melkoctl --help'";
    EXPECT_NE(result.err.find(help), std::string::npos) << result.err;
  }
  EXPECT_EQ(RunCli(dir.path(), {"profiles"}).out, "0 * Profile1\n");  // nothing changed
  EXPECT_EQ(RunCli(dir.path(), {"--version"}).out, "melkoctl 0.1.0\n");
  const CliResult set_help = RunCli(dir.path(), {"set", "--help"});
  EXPECT_EQ(set_help.out.rfind("usage: melkoctl set", 0), 0u);
  EXPECT_NE(set_help.out.find("tilt-left"), std::string::npos);
}

TEST(Cli, MacroRenameAndDeleteKeepButtonsConsistent) {
  TempDir dir;
  testing::UseEnglishTexts();
  {
    ProfileStore profiles;
    LoadProfiles(profiles, dir.path());
    MacroStore macros;
    macros.macros.push_back(MakeEmptyMacro(u"Burst"));
    macros.macros[0]->action_count = 2;
    macros.macros[0]->actions[0] = {4, 1, 20};
    macros.macros[0]->actions[1] = {4, 2, 20};
    ButtonAssignment& button = profiles.profiles[0]->buttons[3];
    button.function = kFunctionMacro;
    WriteFixedText(button.macro_name, u"Burst");
    ASSERT_TRUE(SaveProfiles(profiles, dir.path()).ok);
    ASSERT_TRUE(SaveMacros(macros, dir.path()).ok);
  }
  EXPECT_EQ(RunCli(dir.path(), {"--layout", "us", "macro", "show", "burst"}).out,
            "Macro: Burst (2 steps)\n  1  A  press  20 ms\n  2  A  release  20 ms\n");
  EXPECT_EQ(RunCli(dir.path(), {"macro", "rename", "Burst", "Volley"}).exit_code, 0);
  EXPECT_NE(RunCli(dir.path(), {"profile", "show"}).out.find("   4  Macro: Volley\n"),
            std::string::npos);
  EXPECT_EQ(RunCli(dir.path(), {"macro", "delete", "volley"}).exit_code, 0);
  EXPECT_EQ(RunCli(dir.path(), {"macros"}).out, "");
  const std::string shown = RunCli(dir.path(), {"--json", "profile", "show"}).out;
  EXPECT_NE(shown.find("{\"button\":4,\"function\":6,"), std::string::npos) << shown;

  EXPECT_EQ(RunCli(dir.path(), {"macro", "add"}).out, "Macro1\n");
  EXPECT_EQ(RunCli(dir.path(), {"macro", "export", "macro1", (dir / "m.macro").string()}).exit_code,
            0);
  EXPECT_EQ(RunCli(dir.path(), {"macro", "import", (dir / "m.macro").string()}).out, "Macro1_1\n");
  EXPECT_EQ(RunCli(dir.path(), {"macros"}).out, "0 Macro1\n1 Macro1_1\n");
}

TEST(Cli, KeysAreNamedAsTheLayoutTypesThem) {
  TempDir dir;
  const CliResult french = RunCli(dir.path(), {"keys", "--layout", "fr"});
  EXPECT_EQ(french.exit_code, 0) << french.err;
  EXPECT_EQ(french.out.substr(0, 4), "4 Q\n");
  EXPECT_NE(french.out.find("\n30 &\n"), std::string::npos) << french.out;
  EXPECT_NE(french.out.find("\n241 Left Button\n"), std::string::npos);
  EXPECT_EQ(Lines(french.out), 111);  // the usages of the key table, each once
  EXPECT_FALSE(std::filesystem::exists(StoreFolder(dir.path())));  // no store was needed

  const CliResult unknown = RunCli(dir.path(), {"--layout=nowhere", "keys"});
  EXPECT_EQ(unknown.exit_code, 1);
  EXPECT_EQ(Lines(unknown.err), 1);
  EXPECT_NE(unknown.err.find("nowhere"), std::string::npos);
  EXPECT_EQ(RunCli(dir.path(), {"keys", "extra"}).exit_code, 2);
  EXPECT_EQ(RunCli(dir.path(), {"keys", "--layout"}).exit_code, 2);

  const std::string shown = RunCli(dir.path(), {"profile", "show"}).out;
  EXPECT_NE(shown.find("   1  Left Click\n   2  Right Click\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("   5  function 121\n"), std::string::npos);  // a code without a label
}

TEST(Cli, ConcurrentCommandsNeverLoseEachOthersChanges) {
  TempDir dir;
  RunCli(dir.path(), {"profiles"});
  auto add_many = [&](const std::string& prefix) {
    for (int i = 0; i < 8; ++i) RunCli(dir.path(), {"profile", "add", prefix + std::to_string(i)});
  };
  std::thread first(add_many, "a");
  std::thread second(add_many, "b");
  first.join();
  second.join();
  EXPECT_EQ(Lines(RunCli(dir.path(), {"profiles"}).out), 17);
}

TEST(Cli, DamagedStoreIsReportedOnStandardErrorOnly) {
  TempDir dir;
  std::filesystem::create_directories(StoreFolder(dir.path()));
  testing::WriteAll(ProfileStorePath(dir.path()), std::vector<std::uint8_t>(5000, 1));
  const CliResult result = RunCli(dir.path(), {"profiles"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, "0 * Profile1\n");
  EXPECT_NE(result.err.find("damaged"), std::string::npos);
}

// A button given another function keeps its old macro's name; deleting that macro must not take
// the new function away.
TEST(Cli, DeletingAMacroLeavesButtonsThatNoLongerPlayIt) {
  TempDir dir;
  ASSERT_EQ(RunCli(dir.path(), {"macro", "add", "M"}).exit_code, 0);
  for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
           {"button", "4", "macro", "M"},
           {"button", "4", "shortcut", "Ctrl+C"},
           {"button", "5", "tilt-left"},
           {"button", "6", "titl-right"}}) {  // the first spelling is still understood
    std::vector<std::string> args = {"--layout", "us", "set"};
    args.insert(args.end(), words.begin(), words.end());
    const CliResult set = RunCli(dir.path(), args);
    EXPECT_EQ(set.exit_code, 0) << set.err;
  }
  ASSERT_EQ(RunCli(dir.path(), {"macro", "delete", "M"}).exit_code, 0);
  const std::string shown = RunCli(dir.path(), {"--json", "profile", "show"}).out;
  EXPECT_NE(shown.find("{\"button\":4,\"function\":16,"), std::string::npos) << shown;
  EXPECT_NE(shown.find("\"shortcut_key\":6"), std::string::npos) << shown;
  EXPECT_NE(shown.find("{\"button\":5,\"function\":13,"), std::string::npos) << shown;
  EXPECT_NE(shown.find("{\"button\":6,\"function\":14,"), std::string::npos) << shown;
}

// Stored values far outside what the page offers are shown as they are.
TEST(Cli, ExtremeStoredValuesAreShownAsTheyAre) {
  TempDir dir;
  testing::UseEnglishTexts();
  ProfileStore store;
  ProfileRecord& record = *AddDefaultProfile(store);
  record.dpi_step = record.lift_of_distance = record.key_debounce = INT32_MAX;
  ASSERT_TRUE(SaveProfiles(store, dir.path()).ok);
  const std::string shown = RunCli(dir.path(), {"profile", "show"}).out;
  EXPECT_NE(shown.find("Current stage: 2147483648\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Debounce: 4294967294 ms\n"), std::string::npos);
  EXPECT_NE(shown.find("Lift-off distance: 2147483648\n"), std::string::npos);
}

// Stores that cannot be read, or are far too large, are refused before anything is created or
// changed, with one line saying why.
TEST(Cli, StoresThatCannotBeReadAreRefusedBeforeAnythingIsCreated) {
  TempDir dir;
  std::filesystem::create_directories(StoreFolder(dir.path()));
  testing::WriteAll(MacroStorePath(dir.path()), {});
  std::filesystem::resize_file(MacroStorePath(dir.path()), 200ull << 30);
  for (const char* command : {"profiles", "macros"}) {
    const CliResult refused = RunCli(dir.path(), {command});
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_EQ(Lines(refused.err), 1) << refused.err;
    EXPECT_NE(refused.err.find("left untouched"), std::string::npos) << refused.err;
  }
  EXPECT_FALSE(std::filesystem::exists(ProfileStorePath(dir.path())));
  EXPECT_EQ(std::filesystem::file_size(MacroStorePath(dir.path())), 200ull << 30);

  testing::WriteAll(MacroStorePath(dir.path()), {});
  OpenToEveryone(dir.path());
  OpenToEveryone(StoreFolder(dir.path()));
  std::filesystem::permissions(MacroStorePath(dir.path()), std::filesystem::perms::none);
  const CliResult unreadable =
      RunCli(dir.path(), {"profiles"}, {.env = {}, .unprivileged = true, .data_dir = true});
  EXPECT_EQ(unreadable.exit_code, 1);
  EXPECT_NE(unreadable.err.find("cannot read the macro store"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(ProfileStorePath(dir.path())));
}

// A data folder the user may only read serves every command that only reads; the others say why
// they cannot run. An export may replace a file the user may write in a folder they may not.
TEST(Cli, AReadOnlyDataFolderServesTheCommandsThatRead) {
  TempDir dir;
  ASSERT_EQ(RunCli(dir.path(), {"macro", "add", "M"}).exit_code, 0);
  TempDir exports;
  testing::WriteAll(exports / "p.pro", {1});
  for (const auto& folder : {dir.path(), StoreFolder(dir.path()), exports.path()}) {
    std::filesystem::permissions(
        folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                    std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
  }
  std::filesystem::permissions(exports / "p.pro", std::filesystem::perms::all);
  const RunOptions as_user{.env = {}, .unprivileged = true, .data_dir = true};
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"profiles"},
           {"macros"},
           {"profile", "show"},
           {"macro", "show", "M"},
           {"profile", "export", "Profile1", (exports / "p.pro").string()}}) {
    const CliResult result = RunCli(dir.path(), args, as_user);
    EXPECT_EQ(result.exit_code, 0) << args[0] << ": " << result.err;
  }
  EXPECT_EQ(std::filesystem::file_size(exports / "p.pro"), kProfileRecordSize);
  const CliResult refused = RunCli(dir.path(), {"profile", "add", "X"}, as_user);
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.err.find("is read-only"), std::string::npos) << refused.err;
}

// Without a home folder it can create, the program says so instead of storing elsewhere.
TEST(Cli, ADataFolderThatCannotBeCreatedIsAnError) {
  TempDir dir;
  testing::WriteAll(dir / "file", {1});
  const CliResult result = RunCli(dir.path(), {"profiles"},
                                  {.env = {"XDG_CONFIG_HOME=" + (dir / "file/config").string()},
                                   .unprivileged = false,
                                   .data_dir = false});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.err.find("cannot create the data folder"), std::string::npos) << result.err;
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(MELKO_BIN_DIR) / "Data"));
}

// Without any keyboard layout, keys that type nothing keep their names, so that shortcuts such as
// Ctrl+Enter can still be typed.
TEST(Cli, KeysAreNamedWithoutAKeyboardLayout) {
  TempDir dir;
  const CliResult keys =
      RunCli(dir.path(), {"keys"},
             {.env = {"XKB_CONFIG_ROOT=/nonexistent", "DISPLAY=", "XKB_DEFAULT_LAYOUT="},
              .unprivileged = false,
              .data_dir = true});
  EXPECT_EQ(keys.exit_code, 0);
  for (const char* line : {"\n4 A\n", "\n40 Enter\n", "\n41 Esc\n", "\n42 Backspace\n",
                           "\n43 Tab\n", "\n44 Space\n", "\n57 Caps Lock\n"}) {
    EXPECT_NE(("\n" + keys.out).find(line), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace melko
