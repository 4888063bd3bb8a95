// Runs the real melkoctl binary on private data folders.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>
#include <thread>

#include "profiles/data_folder.h"
#include "profiles/profile_store.h"
#include "support/child_process.h"
#include "support/test_support.h"

namespace melko {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using testing::ProgramRun;
using testing::TempDir;
using Args = std::vector<std::string>;
namespace fs = std::filesystem;

struct RunOptions {
  std::map<std::string, std::string> env = {};  // an empty value removes the variable
  // As an ordinary user when this process is root, which any permission would let through.
  bool unprivileged = false;
  bool data_dir = true;  // pass --data-dir
  std::string bin_dir = MELKO_BIN_DIR;
};

Args Words(const std::string& text) {
  Args words;
  std::istringstream in(text);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

int Lines(const std::string& text) {
  return int(std::count(text.begin(), text.end(), '\n'));
}

void ExpectRefusal(const ProgramRun& run, const std::string& why) {
  EXPECT_EQ(std::tuple(run.exit_code, Lines(run.err), run.out), std::tuple(1, 1, "")) << run.err;
  EXPECT_THAT(run.err, HasSubstr(why));
}

class Cli : public ::testing::Test {
 protected:
  ProgramRun Run(const Args& args, const RunOptions& options = {}) {
    Args argv;
    if (options.unprivileged && geteuid() == 0) {
      argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    }
    argv.push_back(options.bin_dir + "/melkoctl");
    if (options.data_dir) argv.insert(argv.end(), {"--data-dir", dir.path().string()});
    argv.insert(argv.end(), args.begin(), args.end());
    return testing::RunProgram(argv, options.env);
  }
  ProgramRun Run(const std::string& words) { return Run(Words(words)); }

  TempDir dir;
};

// A damaged store is said on standard error only; deletes keep a sensible selection. melkoctl shows
// the stores by itself and hands every other command to melkoctl-mouse: without melkoctl-mouse the
// others say what is missing.
TEST_F(Cli, ProfileLifecycle) {
  fs::create_directories(StoreFolder(dir.path()));
  testing::WriteAll(ProfileStorePath(dir.path()), std::vector<std::uint8_t>(5000, 1));
  const ProgramRun repaired = Run("profiles");
  EXPECT_EQ(std::tuple(repaired.exit_code, repaired.out), std::tuple(0, "0 * Profile1\n"));
  EXPECT_THAT(repaired.err, HasSubstr("damaged"));

  EXPECT_EQ(Run("profile add Game").out, "Game\n");
  EXPECT_EQ(Run("profile add").out, "Profile3\n");  // after Profile1, Game
  EXPECT_EQ(Run("profile delete PROFILE3").exit_code, 0);
  EXPECT_EQ(Run("profiles").out, "0   Profile1\n1 * Game\n");
  EXPECT_EQ(Run("profile delete profile1").exit_code, 0);
  EXPECT_EQ(Run("profile rename game Work").exit_code, 0);
  TempDir alone;
  fs::copy_file(fs::path(MELKO_BIN_DIR) / "melkoctl", alone.path() / "melkoctl");
  fs::create_directory_symlink(fs::path(MELKO_BIN_DIR) / "res", alone.path() / "res");
  const RunOptions alone_here{.bin_dir = alone.path().string()};
  const ProgramRun listed = Run({"profiles"}, alone_here);
  EXPECT_EQ(std::tuple(listed.exit_code, listed.out, listed.err), std::tuple(0, "0 * Work\n", ""));
  ExpectRefusal(Run(Words("profile add Game"), alone_here), "melkoctl-mouse is missing");
}

// Names are the user's text: every character JSON cannot carry as it is comes out escaped.
TEST_F(Cli, JsonListingsEscapeWhatNamesMayHold) {
  Run({"profile", "add", "Say \"hi\"\\\t\n\r\x01\x7F"});
  Run({"macro", "add", "Q\"uote\\"});
  EXPECT_EQ(Run("--json profiles").out,
            R"({"selected":1,"profiles":[{"index":0,"name":"Profile1","selected":false},)"
            R"({"index":1,"name":"Say \"hi\"\\\t\n\r\u0001\u007f","selected":true}]})"
            "\n");
  EXPECT_EQ(Run("--json macros").out, R"({"macros":[{"index":0,"name":"Q\"uote\\","steps":0}]})"
                                      "\n");
}

TEST_F(Cli, RefusalsAndUsageErrorsSayWhyInOneLine) {
  Run("profiles");
  std::string emoji;
  for (int i = 0; i < 50; ++i) emoji += "\xF0\x9F\x98\x80";
  const std::vector<std::pair<Args, const char*>> refusals = {
      {{"profile", "add", ""}, "empty"},
      {{"profile", "add", std::string(100, 'x')}, "99 UTF-16 code units"},
      {{"profile", "add", emoji}, "an emoji, takes two"},
      {{"profile", "add", "bad\xFFname"}, "valid UTF-8"},
      {Words("profile add PROFILE1"), "already exists"},
      {Words("profile rename Profile1 profile1"), "already exists"},
      {Words("profile delete Profile1"), "last profile"},
      {Words("profile select nobody"), "no profile named"},
      {{"profile", "import", (dir / "absent.pro").string()}, "absent.pro"},
      {{"macro", "add", std::string(24, 'm')}, "23"},
      {Words("macro show nothing"), "no macro named"},
      {Words("set --wait 0 stage-enable 2 off"), "stage 2 stays on: it is the current"},
      {Words("set --wait 0 dpi 1 12001"), "the DPI must be 50 to 12000"},
      {Words("set --wait 0 stage 9"), "the stage must be 1 to 8"},
      {Words("set --wait 0 rate 300"), "125, 250, 500 or 1000"},
      {Words("set --wait 0 debounce 3"), "in steps of 2 ms"},
      {Words("set --wait 0 dpi-color 1 red"), "#RRGGBB"},
      {Words("set --wait 0 button 4 fly"), "unknown button function \"fly\""},
      {Words("set --wait 0 button 4 shortcut Ctrl+Nokey"), "no key is named \"Nokey\""},
      {Words("set --wait 0 button 1 button-off"), "must keep the left click"},
      {Words("--layout=nowhere keys"), "nowhere"},
  };
  for (const auto& [args, reason] : refusals) ExpectRefusal(Run(args), reason);
  // What is wrong, and where help is: not the whole usage text.
  for (const char* words :
       {"", "profile", "profile fly", "frobnicate", "profile select", "--bogus profiles",
        "set dpi x y", "set angle-snap maybe", "keys extra", "keys --layout"}) {
    const ProgramRun result = Run(words);
    EXPECT_EQ(std::tuple(result.exit_code, Lines(result.err)), std::tuple(2, 2)) << result.err;
    EXPECT_THAT(result.err,
                HasSubstr(std::string(words).starts_with("set ") ? "Try 'melkoctl set --help'"
                                                                 : "Try 'melkoctl --help'"));
  }
  EXPECT_EQ(Run("profiles").out, "0 * Profile1\n");  // nothing changed
}

// Renaming a macro takes the buttons that play it along; deleting it gives those buttons their
// defaults back, but not a button given another function since, which still names the macro.
TEST_F(Cli, MacroCommandsKeepButtonsConsistent) {
  testing::UseEnglishTexts();
  testing::SeedStores(dir.path(), {}, {{u"Burst", "4+20 4-20"}});
  for (const char* words : {"4 macro Burst", "7 macro Burst", "7 shortcut Ctrl+C", "5 tilt-left",
                            "6 titl-right"})  // the last in its old spelling
    Run(std::string("--layout us set button ") + words);
  EXPECT_EQ(Run("--layout us macro show burst").out,
            "Macro: Burst (2 steps)\n  1  A  press  20 ms\n  2  A  release  20 ms\n");
  EXPECT_EQ(Run("macro rename Burst Volley").exit_code, 0);
  EXPECT_THAT(Run("profile show").out, HasSubstr("   4  Macro: Volley\n"));
  EXPECT_EQ(Run("macro delete volley").exit_code, 0);
  EXPECT_EQ(Run("macros").out, "");
  EXPECT_THAT(
      Run("--json profile show").out,
      AllOf(HasSubstr("{\"button\":4,\"function\":6,"), HasSubstr("{\"button\":7,\"function\":16,"),
            HasSubstr("\"shortcut_key\":6"), HasSubstr("{\"button\":5,\"function\":13,"),
            HasSubstr("{\"button\":6,\"function\":14,")));
}

// Keys are named as the layout types them (row by row in the key name test); without any layout,
// keys that type nothing keep their names, so that shortcuts such as Ctrl+Enter can still be typed.
TEST_F(Cli, KeysAreNamedAsTheLayoutTypesThem) {
  EXPECT_EQ(Lines(Run("keys --layout fr").out), 111);  // the usages of the key table, each once
  const ProgramRun bare = Run(
      {"keys"},
      {.env = {{"XKB_CONFIG_ROOT", "/nonexistent"}, {"DISPLAY", ""}, {"XKB_DEFAULT_LAYOUT", ""}}});
  EXPECT_THAT(bare.out, AllOf(HasSubstr("4 A\n"), HasSubstr("\n57 Caps Lock\n"),
                              HasSubstr("\n40 Enter\n41 Esc\n42 Backspace\n43 Tab\n44 Space\n")));
  EXPECT_FALSE(fs::exists(StoreFolder(dir.path())));  // no store was needed
}

TEST_F(Cli, ConcurrentCommandsNeverLoseEachOthersChanges) {
  Run("profiles");
  auto add_many = [&](const std::string& prefix) {
    for (int i = 0; i < 8; ++i) Run({"profile", "add", prefix + std::to_string(i)});
  };
  std::thread first(add_many, "a"), second(add_many, "b");
  first.join();
  second.join();
  EXPECT_EQ(Lines(Run("profiles").out), 17);
}

// Buttons by their function's name or, without one, its code.
TEST_F(Cli, ProfileShowShowsStoredValuesAsTheyAre) {
  testing::UseEnglishTexts();
  ProfileStore store;
  ProfileRecord& record = *AddDefaultProfile(store);
  record.dpi_step = record.lift_of_distance = record.key_debounce = INT32_MAX;
  ASSERT_TRUE(SaveProfiles(store, dir.path()).ok);
  EXPECT_THAT(
      Run("profile show").out,
      AllOf(HasSubstr("   1  Left Click\n   2  Right Click\n"), HasSubstr("   5  function 121\n"),
            HasSubstr("Current stage: 2147483648\n"), HasSubstr("Debounce: 4294967294 ms\n"),
            HasSubstr("Lift-off distance: 2147483648\n")));
}

TEST_F(Cli, StoresThatCannotBeReadAreRefusedBeforeAnythingIsCreated) {
  for (const fs::path& huge : {ProfileStorePath(dir.path()), MacroStorePath(dir.path())}) {
    SCOPED_TRACE(huge.filename());
    fs::remove_all(StoreFolder(dir.path()));
    fs::create_directories(StoreFolder(dir.path()));
    testing::WriteAll(huge, {});
    fs::resize_file(huge, 200ull << 30);  // sparse
    for (const char* command : {"profiles", "macros", "status"})
      ExpectRefusal(Run(command), "left untouched");
    EXPECT_EQ(fs::file_size(huge), 200ull << 30);
    EXPECT_EQ(fs::exists(ProfileStorePath(dir.path())), huge == ProfileStorePath(dir.path()));
  }

  testing::WriteAll(MacroStorePath(dir.path()), {});
  for (const fs::path& path : {dir.path(), StoreFolder(dir.path())})
    fs::permissions(path, fs::perms::all);
  fs::permissions(MacroStorePath(dir.path()), fs::perms::none);
  ExpectRefusal(Run({"profiles"}, {.unprivileged = true}), "cannot read the macro store");
  EXPECT_FALSE(fs::exists(ProfileStorePath(dir.path())));

  // Without a home folder it can create, the program says so instead of storing elsewhere.
  testing::WriteAll(dir / "file", {1});
  ExpectRefusal(Run({"profiles"}, {.env = {{"XDG_CONFIG_HOME", (dir / "file/config").string()}},
                                   .data_dir = false}),
                "cannot create the data folder");
  EXPECT_FALSE(fs::exists(fs::path(MELKO_BIN_DIR) / "Data"));
}

// A data folder the user may only read serves every command that only reads; the others say why
// they cannot run. An export may replace a file the user may write in a folder they may not.
TEST_F(Cli, AReadOnlyDataFolderServesTheCommandsThatRead) {
  ASSERT_EQ(Run("macro add M").exit_code, 0);
  TempDir exports;
  testing::WriteAll(exports / "p.pro", {1});
  using enum fs::perms;
  for (const fs::path& path : {dir.path(), StoreFolder(dir.path()), exports.path()})
    fs::permissions(path, owner_read | owner_exec | others_read | others_exec);
  fs::permissions(exports / "p.pro", all);
  const RunOptions as_user{.unprivileged = true};
  for (const Args& args :
       {Words("profiles"), Words("macros"), Words("profile show"), Words("macro show M"),
        Words("profile export Profile1 " + (exports / "p.pro").string())}) {
    const ProgramRun result = Run(args, as_user);
    EXPECT_EQ(result.exit_code, 0) << args[0] << ": " << result.err;
  }
  EXPECT_EQ(fs::file_size(exports / "p.pro"), kProfileRecordSize);
  ExpectRefusal(Run(Words("profile add X"), as_user), "is read-only");
}

}  // namespace
}  // namespace melko
