// A long-running program and another one changing the same stores: every sync keeps both sides'
// changes. That the mouse's changes go to the profile another program selected meanwhile is the
// integration test's, with melkoctl watch running.
#include "profiles/profile_session.h"

#include <gtest/gtest.h>

#include "profiles/data_folder.h"
#include "profiles/store_merge.h"
#include "support/test_support.h"

namespace melko {
namespace {

class SessionSyncTest : public ::testing::Test {
 protected:
  SessionSyncTest() : session_(dir_.path()) {
    testing::UseEnglishTexts();
    session_.LoadProfileStore();
    session_.LoadMacroStore();
  }
  // Another program: loads, changes and saves both stores under the store lock.
  void Elsewhere(const StoreChange& change) {
    ExclusiveFileLock lock(StoreLockPath(dir_.path()));
    ProfileStore profiles;
    MacroStore macros;
    LoadProfiles(profiles, dir_.path());
    LoadMacros(macros, dir_.path());
    change(profiles, macros);
    ASSERT_TRUE(SaveProfiles(profiles, dir_.path()).ok);
    ASSERT_TRUE(SaveMacros(macros, dir_.path()).ok);
  }
  ProfileStore OnDisk() {
    ProfileStore profiles;
    LoadProfiles(profiles, dir_.path());
    return profiles;
  }

  testing::TempDir dir_;
  ProfileSession session_;
};

TEST_F(SessionSyncTest, PendingEditsAndAnotherProgramsChangesAreBothKept) {
  session_.WithCurrent([](ProfileRecord& current) { current.brightness = 3; });
  Elsewhere([](ProfileStore& profiles, MacroStore& macros) {
    profiles.profiles[0]->dpi_value[0] = 10;
    profiles.profiles.push_back(MakeDefaultProfile(u"X"));
    profiles.selected_index = 1;
    macros.macros.push_back(MakeEmptyMacro(u"M"));
  });
  const SyncResult synced = session_.Sync();
  ASSERT_TRUE(synced.outcome.ok) << synced.outcome.error;
  EXPECT_TRUE(synced.selection_moved);
  EXPECT_EQ(session_.full_apply, 1) << "the applied copy is of another profile now";

  const ProfileStore disk = OnDisk();
  ASSERT_EQ(disk.profiles.size(), 2u);
  EXPECT_EQ(disk.profiles[0]->brightness, 3);
  EXPECT_EQ(disk.profiles[0]->dpi_value[0], 10);
  EXPECT_EQ(disk.selected_index, 1u);
  EXPECT_EQ(ProfileName(session_.CurrentSnapshot()), u"X");
  EXPECT_EQ(session_.WithStores(
                [](const ProfileStore&, const MacroStore& macros) { return macros.macros.size(); }),
            1u);
}

TEST_F(SessionSyncTest, AnEditedProfileDeletedElsewhereComesBack) {
  Elsewhere([](ProfileStore& profiles, MacroStore&) {
    profiles.profiles.push_back(MakeDefaultProfile(u"Other"));
  });
  ASSERT_TRUE(session_.Sync().outcome.ok);
  session_.WithCurrent([](ProfileRecord& current) { current.light_mode = 4; });
  Elsewhere([](ProfileStore& profiles, MacroStore&) {
    profiles.profiles.erase(profiles.profiles.begin());
  });
  ASSERT_TRUE(session_.Sync().outcome.ok);
  const ProfileStore disk = OnDisk();
  ASSERT_EQ(disk.profiles.size(), 2u);
  EXPECT_EQ(ProfileName(*disk.profiles[1]), u"Profile1");
  EXPECT_EQ(disk.profiles[1]->light_mode, 4);
}

TEST_F(SessionSyncTest, AFailedSaveLeavesTheEditsPending) {
  session_.WithCurrent([](ProfileRecord& current) { current.sleep_timer = 9; });
  const std::filesystem::path store = ProfileStorePath(dir_.path());
  std::filesystem::rename(store, dir_ / "aside");
  std::filesystem::create_directory(store);  // unreadable as a store
  EXPECT_FALSE(session_.Sync().outcome.ok);
  EXPECT_EQ(session_.CurrentSnapshot().sleep_timer, 9);
  std::filesystem::remove(store);
  std::filesystem::rename(dir_ / "aside", store);
  ASSERT_TRUE(session_.Sync().outcome.ok);
  EXPECT_EQ(OnDisk().profiles[0]->sleep_timer, 9);
}

// Field by field: what this program changed wins, everything else keeps the other program's value,
// and a button slot moves as a whole.
TEST(StoreMerge, OnlyChangedFieldsAreCarriedOver) {
  ProfileRecord base = *MakeDefaultProfile(u"P");
  ProfileRecord ours = base;
  ProfileRecord theirs = base;
  ours.dpi_value[2] = 40;
  ours.buttons[3].function = kFunctionShortcut;
  theirs.dpi_value[3] = 50;
  theirs.buttons[3].macro_index = 7;
  theirs.buttons[4].function = 9;
  MergeProfileEdits(ours, base, theirs);
  EXPECT_EQ(theirs.dpi_value[2], 40);
  EXPECT_EQ(theirs.dpi_value[3], 50);
  EXPECT_EQ(theirs.buttons[3].function, kFunctionShortcut);
  EXPECT_EQ(theirs.buttons[3].macro_index, ours.buttons[3].macro_index);
  EXPECT_EQ(theirs.buttons[4].function, 9);
}

// An edit made here lands on the record of its exact name on disk, whatever other program added
// records of the same name in another letter case; only when the exact name is gone does another
// spelling count, and only when a single record has it.
TEST(StoreMerge, AnEditLandsOnTheRecordOfItsExactName) {
  struct Case {
    const char* what;
    std::vector<std::u16string> base;  // ours is base with the record `edited` given new steps
    int edited;
    std::vector<std::u16string> disk;
    std::vector<std::u16string> edited_on_disk;  // names on disk afterwards, "*" marking the edit
  } cases[] = {
      {"names in two cases",
       {u"Renamed", u"RENAMED"},
       1,
       {u"Renamed", u"RENAMED"},
       {u"Renamed", u"*RENAMED"}},
      {"the second of two equal names",
       {u"Jump", u"Jump"},
       1,
       {u"Jump", u"Jump"},
       {u"Jump", u"*Jump"}},
      {"another case added before it", {u"Jump"}, 0, {u"JUMP", u"Jump"}, {u"JUMP", u"*Jump"}},
      {"renamed in case only elsewhere", {u"Jump"}, 0, {u"JUMP"}, {u"*JUMP"}},
      {"two other cases: added back",
       {u"Jump"},
       0,
       {u"JUMP", u"jump"},
       {u"JUMP", u"jump", u"*Jump_1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MacroStore ours, theirs;
    std::vector<MacroRecord> base;
    for (const auto& name : c.base) {
      ours.macros.push_back(testing::MakeMacro(name, "4+10"));
      base.push_back(*ours.macros.back());
    }
    ours.macros[std::size_t(c.edited)]->actions[0].code = 9;
    for (const auto& name : c.disk) theirs.macros.push_back(testing::MakeMacro(name, "4+10"));
    MergeMacroStoreEdits(ours, base, theirs);
    std::vector<std::u16string> names;
    for (const auto& macro : theirs.macros) {
      names.push_back((macro->actions[0].code == 9 ? u"*" : u"") + MacroName(*macro));
    }
    EXPECT_EQ(names, c.edited_on_disk);
  }
}

}  // namespace
}  // namespace melko
