#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/text.h"
#include "macros/macro_files.h"
#include "profiles/data_folder.h"
#include "profiles/profile_files.h"
#include "support/test_support.h"

namespace melko {
namespace {

using testing::GiveMacro;
using testing::ReadAll;
using testing::TempDir;
using testing::WriteAll;

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

// An export replaces a larger file whole; an import adds a numbered copy.
TEST_F(FilesTest, ProfileExportWritesTheRecordAndImportAddsANumberedCopy) {
  profiles_.profiles[0]->brightness = 3;
  WriteAll(dir_ / "work.pro", std::vector<std::uint8_t>(100000, 0xEE));
  ASSERT_TRUE(ExportProfile(*profiles_.profiles[0], dir_ / "work.pro").ok);
  EXPECT_EQ(std::filesystem::file_size(dir_ / "work.pro"), kProfileRecordSize);
  EXPECT_FALSE(ExportProfile(*profiles_.profiles[0], dir_ / "no/such/folder/x.pro").ok);

  ProfileImport first = ImportProfile(profiles_, macros_, dir_ / "work.pro");
  ASSERT_TRUE(first.outcome.ok) << first.outcome.error;
  EXPECT_EQ(std::tuple(first.profile_index, ProfileName(*profiles_.profiles[1]),
                       profiles_.profiles[1]->brightness, first.macros_created),
            std::tuple(1u, u"Work_1", 3, 0));
  ImportProfile(profiles_, macros_, dir_ / "work.pro");
  EXPECT_EQ(ProfileName(*profiles_.profiles[2]), u"Work_2");
}

TEST_F(FilesTest, ProfileImportTurnsButtonMacrosIntoStoreMacros) {
  macros_.macros.push_back(MakeEmptyMacro(u"A"));
  auto carrier = MakeDefaultProfile(u"Carrier");
  GiveMacro(*carrier, 2, u"A", 2);
  GiveMacro(*carrier, 5, u"B", 3);
  GiveMacro(*carrier, 19, u"High", 1);  // slots from 18 up are not buttons of the mouse
  ASSERT_TRUE(ExportProfile(*carrier, dir_ / "carrier.pro").ok);

  ProfileImport imported = ImportProfile(profiles_, macros_, dir_ / "carrier.pro");
  ASSERT_TRUE(imported.outcome.ok);
  EXPECT_EQ(imported.macros_created, 2);
  ASSERT_EQ(macros_.macros.size(), 3u);
  EXPECT_EQ(MacroName(*macros_.macros[1]), u"A_1");
  EXPECT_EQ(MacroName(*macros_.macros[2]), u"B");
  EXPECT_EQ(std::tuple(macros_.macros[2]->action_count, macros_.macros[2]->repeat),
            std::tuple(3, 3));
  const ProfileRecord& added = *profiles_.profiles[imported.profile_index];
  EXPECT_EQ(ReadFixedText(added.buttons[2].macro_name), u"A_1");
  EXPECT_EQ(std::tuple(added.buttons[2].macro_index, added.buttons[5].macro_index),
            std::tuple(1, 2));

  // Each import makes further copies of the macros.
  ImportProfile(profiles_, macros_, dir_ / "carrier.pro");
  EXPECT_EQ(MacroName(*macros_.macros[3]), u"A_2");
  EXPECT_EQ(MacroName(*macros_.macros[4]), u"B_1");
}

TEST_F(FilesTest, ProfileImportTakesOnlyTheFirstRecordAndRefusesShortFiles) {
  ASSERT_TRUE(ExportProfile(*MakeDefaultProfile(u"First"), dir_ / "long.pro").ok);
  std::vector<std::uint8_t> bytes = ReadAll(dir_ / "long.pro");
  WriteAll(dir_ / "short.pro", std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1));
  bytes.resize(bytes.size() * 2, 0x77);
  WriteAll(dir_ / "long.pro", bytes);
  ASSERT_TRUE(ImportProfile(profiles_, macros_, dir_ / "long.pro").outcome.ok);
  EXPECT_EQ(ProfileName(*profiles_.profiles.back()), u"First");

  for (const char* name : {"short.pro", "missing.pro"}) {
    const ProfileImport refused = ImportProfile(profiles_, macros_, dir_ / name);
    EXPECT_FALSE(refused.outcome.ok) << name;
    EXPECT_FALSE(refused.outcome.error.empty()) << name;
  }
  EXPECT_EQ(profiles_.profiles.size(), 2u);
}

TEST_F(FilesTest, ProfileImportRepairsUnterminatedNamesAndCounts) {
  auto odd = MakeDefaultProfile(u"");
  odd->name.fill(u'n');  // no terminator in 100 units
  GiveMacro(*odd, 0, u"", 0);
  odd->buttons[0].macro_name.fill(u'm');
  odd->buttons[0].macro_action_count = 400;
  ASSERT_TRUE(ExportProfile(*odd, dir_ / "odd.pro").ok);
  ASSERT_TRUE(ImportProfile(profiles_, macros_, dir_ / "odd.pro").outcome.ok);
  EXPECT_EQ(ProfileName(*profiles_.profiles.back()), std::u16string(99, u'n'));
  ASSERT_EQ(macros_.macros.size(), 1u);
  EXPECT_EQ(MacroName(*macros_.macros[0]), std::u16string(23, u'm'));
  EXPECT_EQ(macros_.macros[0]->action_count, 46);
}

// A macro file holds one record. A macro store given as a macro file gives its first macro, its
// damaged step count limited to the 46 slots. Each import is added under a free name, steps intact.
TEST_F(FilesTest, MacroExportAndImport) {
  auto macro = MakeEmptyMacro(u"Combo");
  macro->action_count = 2;
  macro->repeat = 7;
  macro->actions[1] = {241, 2, 500};
  ASSERT_TRUE(ExportMacro(*macro, dir_ / "combo.macro").ok);
  EXPECT_EQ(std::filesystem::file_size(dir_ / "combo.macro"), kMacroRecordSize);
  MacroStore source;
  source.macros.push_back(std::move(macro));
  source.macros.push_back(MakeEmptyMacro(u"Second"));
  std::vector<std::uint8_t> image = EncodeMacroStore(source);
  image[52] = 99;
  WriteAll(dir_ / "store.macro", image);

  macros_.macros.push_back(MakeEmptyMacro(u"COMBO"));
  for (auto [file, name, steps] :
       {std::tuple("combo.macro", u"Combo_1", 2), std::tuple("store.macro", u"Combo_2", 46)}) {
    const MacroImport imported = ImportMacro(macros_, dir_ / file);
    ASSERT_TRUE(imported.outcome.ok) << file;
    const MacroRecord& added = *macros_.macros[imported.macro_index];
    EXPECT_EQ(MacroName(added), name);
    EXPECT_EQ(added.action_count, steps);
    EXPECT_EQ(std::tuple(added.repeat, added.actions[1].code, added.actions[1].delay),
              std::tuple(7, 241, 500));
  }
  WriteAll(dir_ / "short.macro", std::vector<std::uint8_t>(239, 1));
  EXPECT_FALSE(ImportMacro(macros_, dir_ / "short.macro").outcome.ok);
  EXPECT_FALSE(ImportMacro(macros_, dir_ / "none.macro").outcome.ok);
  EXPECT_EQ(macros_.macros.size(), 3u);
}

// A store kept elsewhere behind a symbolic link stays there, and a private file stays private.
TEST(FileWrites, ALinkIsWrittenThroughAndAReplacedFileKeepsItsMode) {
  TempDir dir;
  WriteAll(dir / "kept.data", {1, 2, 3});
  const auto private_mode =
      std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
  std::filesystem::permissions(dir / "kept.data", private_mode);
  std::filesystem::create_symlink("kept.data", dir / "link.data");
  const std::vector<std::uint8_t> bytes = {4, 5};
  ASSERT_TRUE(WriteFileAtomically(dir / "link.data", bytes).ok);
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.data"));
  EXPECT_EQ(ReadAll(dir / "kept.data"), bytes);
  EXPECT_EQ(std::filesystem::status(dir / "kept.data").permissions(), private_mode);
}

// Saves killed midway leave their temporary files; the next save under the lock removes them,
// and nothing else; an export removes only those no writer holds.
TEST(FileWrites, SavesRemoveTheTemporariesOfKilledSaves) {
  TempDir dir;
  testing::UseEnglishTexts();
  std::filesystem::create_directories(StoreFolder(dir.path()));
  const auto folder = StoreFolder(dir.path());
  for (const char* name : {".pro.data.tmp-a1B2c3", ".macro.data.tmp-zzzzzz", ".pro.data.tmp-x"}) {
    WriteAll(folder / name, {1});
  }
  ProfileStore store;
  AddDefaultProfile(store);
  ASSERT_TRUE(SaveProfiles(store, dir.path()).ok);
  EXPECT_FALSE(std::filesystem::exists(folder / ".pro.data.tmp-a1B2c3"));
  EXPECT_TRUE(std::filesystem::exists(folder / ".macro.data.tmp-zzzzzz"));
  EXPECT_TRUE(std::filesystem::exists(folder / ".pro.data.tmp-x"));  // not one of ours

  // Exports take no lock: a temporary is abandoned when nobody holds it and it is not brand new.
  const auto old_temp = dir.path() / ".a.pro.tmp-old123", held = dir.path() / ".a.pro.tmp-held12";
  for (const auto& temp : {old_temp, held, dir.path() / ".a.pro.tmp-young1"}) WriteAll(temp, {1});
  for (const auto& temp : {old_temp, held}) {
    std::filesystem::last_write_time(
        temp, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5));
  }
  const int writer = ::open(held.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(writer, LOCK_EX), 0);
  ASSERT_TRUE(ExportProfile(*store.profiles[0], dir.path() / "a.pro").ok);
  ::close(writer);
  EXPECT_FALSE(std::filesystem::exists(old_temp));
  EXPECT_TRUE(std::filesystem::exists(held));
  EXPECT_TRUE(std::filesystem::exists(dir.path() / ".a.pro.tmp-young1"));
}

// Only regular files are read: a named pipe without a writer or a device is refused at once,
// saying what it is, and imports nothing. A file of zeros imports under a new macro's name.
TEST(FileReads, OnlyRegularFilesAreRead) {
  TempDir dir;
  testing::UseEnglishTexts();
  const std::filesystem::path pipe = dir.path() / "pipe.macro";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  MacroStore store;
  for (const auto& [path, kind] :
       {std::pair{std::filesystem::path("/dev/zero"), "(a device)"}, {pipe, "(a named pipe)"}}) {
    const MacroImport refused = ImportMacro(store, path);
    EXPECT_FALSE(refused.outcome.ok);
    EXPECT_EQ(refused.outcome.error, path.string() + ": not a regular file " + kind);
  }
  EXPECT_TRUE(store.macros.empty());
  WriteAll(dir.path() / "zeros.macro", std::vector<std::uint8_t>(kMacroRecordSize));
  ASSERT_TRUE(ImportMacro(store, dir.path() / "zeros.macro").outcome.ok);
  EXPECT_EQ(MacroName(*store.macros[0]), u"Macro1") << "a nameless macro gets a new macro's name";
}

}  // namespace
}  // namespace melko
