#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/text.h"
#include "macros/macro_files.h"
#include "profiles/data_folder.h"
#include "profiles/profile_files.h"
#include "support/plugin_support.h"
#include "support/test_support.h"

namespace melko {
namespace {

using testing::GiveMacro;
using testing::TempDir;
using testing::WriteAll;
namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::UseEnglishTexts();
    profiles_.profiles.push_back(MakeDefaultProfile(u"Work"));
  }
  TempDir dir_;
  ProfileStore profiles_;
  MacroStore macros_;
};

// Names and step counts without a terminator or out of range are repaired.
TEST_F(FilesTest, ProfileImportTurnsButtonMacrosIntoStoreMacros) {
  macros_.macros.push_back(MakeEmptyMacro(u"A"));
  auto carrier = MakeDefaultProfile(u"");
  carrier->name.fill(u'n');  // no terminator in 100 units
  carrier->brightness = 3;
  GiveMacro(*carrier, 2, u"A", 2);
  GiveMacro(*carrier, 5, u"", 3);
  carrier->buttons[5].macro_name.fill(u'm');
  carrier->buttons[5].macro_action_count = 400;
  GiveMacro(*carrier, 19, u"High", 1);  // slots from 18 up are not buttons of the mouse
  ASSERT_TRUE(ExportProfile(*carrier, dir_ / "carrier.pro").ok);

  for (int round = 0; round < 2; ++round) {
    const ProfileImport imported = ImportProfile(profiles_, macros_, dir_ / "carrier.pro");
    ASSERT_TRUE(imported.outcome.ok);
    EXPECT_EQ(imported.macros_created, 2);
    const ProfileRecord& added = *profiles_.profiles[imported.profile_index];
    EXPECT_EQ(
        std::tuple(ProfileName(added), added.brightness),
        std::tuple(round == 0 ? std::u16string(99, u'n') : std::u16string(97, u'n') + u"_1", 3));
    EXPECT_EQ(std::tuple(ReadFixedText(added.buttons[2].macro_name), added.buttons[2].macro_index,
                         added.buttons[5].macro_index),
              std::tuple(round == 0 ? u"A_1" : u"A_2", 1 + 2 * round, 2 + 2 * round));
  }
  ASSERT_EQ(macros_.macros.size(), 5u);
  const MacroRecord& long_name = *macros_.macros[2];
  EXPECT_EQ(std::tuple(MacroName(long_name), long_name.action_count, long_name.repeat),
            std::tuple(std::u16string(23, u'm'), 46, 3));
  EXPECT_EQ(MacroName(*macros_.macros[4]), std::u16string(21, u'm') + u"_1");
}

TEST_F(FilesTest, MacroExportAndImport) {
  auto macro = MakeEmptyMacro(u"Combo");
  macro->action_count = 2;
  macro->repeat = 7;
  macro->actions[1] = {241, 2, 500};
  ASSERT_TRUE(ExportMacro(*macro, dir_ / "combo.macro").ok);
  EXPECT_EQ(fs::file_size(dir_ / "combo.macro"), kMacroRecordSize);
  macros_.macros.push_back(MakeEmptyMacro(u"COMBO"));
  const MacroImport imported = ImportMacro(macros_, dir_ / "combo.macro");
  ASSERT_TRUE(imported.outcome.ok);
  const MacroRecord& added = *macros_.macros[imported.macro_index];
  EXPECT_EQ(std::tuple(MacroName(added), added.action_count, added.repeat, added.actions[1].code,
                       added.actions[1].delay),
            std::tuple(u"Combo_1", 2, 7, 241, 500));
}

TEST_F(FilesTest, ALinkIsWrittenThroughAndAReplacedFileKeepsItsMode) {
  WriteAll(dir_ / "kept.data", {1, 2, 3});
  const auto private_mode = fs::perms::owner_read | fs::perms::owner_write;
  fs::permissions(dir_ / "kept.data", private_mode);
  fs::create_symlink("kept.data", dir_ / "link.data");
  const std::vector<std::uint8_t> bytes = {4, 5};
  ASSERT_TRUE(WriteFileAtomically(dir_ / "link.data", bytes).ok);
  EXPECT_EQ(testing::ReadAll(dir_ / "kept.data"), bytes);
  EXPECT_EQ(fs::status(dir_ / "kept.data").permissions(), private_mode);
}

// That a save removes the temporaries of saves killed midway is the crash-safety test's; an export,
// which takes no lock, leaves those a writer holds and those brand new.
TEST_F(FilesTest, ExportsLeaveTheTemporariesOfOtherWriters) {
  const auto old_temp = dir_ / ".a.pro.tmp-old123", held = dir_ / ".a.pro.tmp-held12";
  for (const auto& temp : {old_temp, held, dir_ / ".a.pro.tmp-young1"}) WriteAll(temp, {1});
  for (const auto& temp : {old_temp, held})
    fs::last_write_time(temp, fs::file_time_type::clock::now() - std::chrono::minutes(5));
  const int writer = ::open(held.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(writer, LOCK_EX), 0);
  ASSERT_TRUE(ExportProfile(*profiles_.profiles[0], dir_ / "a.pro").ok);
  ::close(writer);
  EXPECT_EQ(
      std::tuple(fs::exists(old_temp), fs::exists(held), fs::exists(dir_ / ".a.pro.tmp-young1")),
      std::tuple(false, true, true));
}

// A named pipe without a writer or a device would block or never end: refused at once.
TEST_F(FilesTest, OnlyRegularFilesAreRead) {
  const fs::path pipe = dir_ / "pipe.macro";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  for (const auto& [path, kind] :
       {std::pair{fs::path("/dev/zero"), "(a device)"}, {pipe, "(a named pipe)"}}) {
    const MacroImport refused = ImportMacro(macros_, path);
    EXPECT_EQ(std::pair(refused.outcome.ok, refused.outcome.error),
              std::pair(false, path.string() + ": not a regular file " + kind));
  }
  WriteAll(dir_ / "zeros.macro", std::vector<std::uint8_t>(kMacroRecordSize));
  ASSERT_TRUE(ImportMacro(macros_, dir_ / "zeros.macro").outcome.ok);
  EXPECT_EQ(MacroName(*macros_.macros[0]), u"Macro1") << "a nameless macro gets a new macro's name";
}

// Where the stores live when no --data-dir is given: most sessions set no XDG_CONFIG_HOME, and one
// that is not absolute does not count.
TEST(DataFolder, TheConfigFolderIsXdgsThenHomesThenThePasswordDatabases) {
  const std::string own_home = std::string(getpwuid(getuid())->pw_dir) + "/.config";
  const std::tuple<std::optional<std::string>, std::optional<std::string>, std::string> rows[] = {
      {"/x/config", "/h", "/x/config"},       {"x/config", "/h", "/h/.config"},
      {std::nullopt, "/h", "/h/.config"},     {"", "h", own_home},
      {std::nullopt, std::nullopt, own_home},
  };
  for (const auto& [xdg, home, folder] : rows) {
    const testing::ScopedEnv xdg_scope("XDG_CONFIG_HOME", xdg), home_scope("HOME", home);
    EXPECT_EQ(UserConfigFolder(), fs::path(folder))
        << xdg.value_or("unset") << " " << home.value_or("unset");
  }
}

}  // namespace
}  // namespace melko
