#include "profiles/profile_session.h"

#include <gtest/gtest.h>

#include <sstream>

#include "common/text.h"
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
  void Elsewhere(const StoreChange& change) { testing::ChangeStoresElsewhere(dir_.path(), change); }
  ProfileStore OnDisk() { return testing::StoredProfiles(dir_.path()); }

  testing::TempDir dir_;
  ProfileSession session_;
};

// Field by field: what this program changed wins, everything else keeps the other program's value,
// and a button slot moves as a whole.
TEST_F(SessionSyncTest, PendingEditsAndAnotherProgramsChangesAreBothKept) {
  session_.WithCurrent([](ProfileRecord& current) {
    current.brightness = 3;
    current.buttons[3].function = kFunctionShortcut;
  });
  Elsewhere([](ProfileStore& profiles, MacroStore& macros) {
    profiles.profiles[0]->dpi_value[0] = 10;
    profiles.profiles[0]->buttons[3].macro_index = 7;
    profiles.profiles[0]->buttons[4].function = 9;
    profiles.profiles.push_back(MakeDefaultProfile(u"X"));
    profiles.selected_index = 1;
    macros.macros.push_back(MakeEmptyMacro(u"M"));
  });
  const SyncResult synced = session_.Sync();
  ASSERT_TRUE(synced.outcome.ok) << synced.outcome.error;
  // The applied copy is of another profile now.
  EXPECT_EQ(std::tuple(synced.selection_moved, session_.full_apply.load()), std::tuple(true, 1));

  const ProfileStore disk = OnDisk();
  ASSERT_EQ(disk.profiles.size(), 2u);
  const ProfileRecord& first = *disk.profiles[0];
  EXPECT_EQ(std::tuple(first.brightness, first.dpi_value[0], first.buttons[3].function,
                       first.buttons[3].macro_index, first.buttons[4].function),
            std::tuple(3, 10, kFunctionShortcut, -1, 9));
  const std::size_t macros = session_.WithStores(
      [](const ProfileStore&, const MacroStore& stored) { return stored.macros.size(); });
  EXPECT_EQ(std::tuple(disk.selected_index, ProfileName(session_.CurrentSnapshot()), macros),
            std::tuple(1u, u"X", 1u));
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
  EXPECT_EQ(std::tuple(ProfileName(*disk.profiles[1]), disk.profiles[1]->light_mode),
            std::tuple(u"Profile1", 4));
}

TEST_F(SessionSyncTest, AFailedSaveLeavesTheEditsPending) {
  session_.WithCurrent([](ProfileRecord& current) { current.sleep_timer = 9; });
  const std::filesystem::path store = ProfileStorePath(dir_.path());
  std::filesystem::rename(store, dir_ / "aside");
  std::filesystem::create_directory(store);  // unreadable as a store
  EXPECT_FALSE(session_.Sync().outcome.ok);
  std::filesystem::remove(store);
  std::filesystem::rename(dir_ / "aside", store);
  ASSERT_TRUE(session_.Sync().outcome.ok);
  EXPECT_EQ(OnDisk().profiles[0]->sleep_timer, 9);
}

// A store is never written larger than its reader takes, which would refuse it whole at the next
// load; a change too large for the macro store leaves the profile store unchanged too.
TEST_F(SessionSyncTest, AChangeThatWouldOutgrowAStoreIsRefusedAndSavesNothing) {
  Elsewhere([](ProfileStore&, MacroStore& macros) {
    while (macros.macros.size() < kMaxMacroStoreBytes / kMacroRecordSize) {
      macros.macros.push_back(MakeEmptyMacro(u"M"));
    }
  });
  const SyncResult synced = session_.Sync([](ProfileStore& profiles, MacroStore& macros) {
    profiles.profiles.push_back(MakeDefaultProfile(u"Imported"));
    macros.macros.push_back(MakeEmptyMacro(u"One too many"));
  });
  EXPECT_NE(synced.outcome.error.find("macro store would grow"), std::string::npos);
  EXPECT_EQ(OnDisk().profiles.size(), 1u);
  MacroStore macros;
  EXPECT_EQ(LoadMacros(macros, dir_.path()).status, StoreLoadStatus::kLoaded);
  macros.macros.push_back(MakeEmptyMacro(u"Again"));
  EXPECT_FALSE(SaveMacros(macros, dir_.path()).ok) << "the writer itself refuses it too";
}

// An edit lands on the record of its exact name on disk (the one at the same place among equal
// names); another spelling counts only when the exact name is gone and a single record has it.
TEST(StoreMerge, AnEditLandsOnTheRecordOfItsExactName) {
  const auto store = [](const std::string& names) {  // "*" marks a record with one step
    MacroStore store;
    std::istringstream in(names);
    for (std::string name; in >> name;) {
      store.macros.push_back(MakeEmptyMacro(Utf8ToUtf16(name.substr(name[0] == '*'))));
      store.macros.back()->action_count = name[0] == '*';
    }
    return store;
  };
  // The names here (the edited one marked), on disk, and on disk after the merge.
  for (const auto& [ours, disk, merged] :
       std::vector<std::array<std::string, 3>>{{"R *r", "R r", "R *r"},
                                               {"J *J", "J J", "J *J"},
                                               {"*J", "j J", "j *J"},
                                               {"*J", "j", "*j"},
                                               {"*J", "j j", "j j *J_1"}}) {
    std::vector<MacroRecord> base;
    for (const auto& macro : store(ours).macros) base.push_back(*macro);
    for (MacroRecord& record : base) record.action_count = 0;
    MacroStore theirs = store(disk);
    MergeMacroStoreEdits(store(ours), base, theirs);
    std::string names;
    for (const auto& macro : theirs.macros)
      names += (macro->action_count ? " *" : " ") + Utf16ToUtf8(MacroName(*macro));
    EXPECT_EQ(names.substr(1), merged);
  }
}

}  // namespace
}  // namespace melko
