#include <gtest/gtest.h>

#include "common/text.h"
#include "macros/macro_store.h"
#include "profiles/data_folder.h"
#include "support/test_support.h"

namespace melko {
namespace {

using testing::GiveMacro;
using testing::ReadAll;
using testing::TempDir;
using testing::WriteAll;

class MacroStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::UseEnglishTexts();
    std::filesystem::create_directories(StoreFolder(dir_.path()));
  }
  TempDir dir_;
};

TEST_F(MacroStoreTest, TrailingPartialRecordIsCopiedAsideAndDropped) {
  MacroStore two;
  two.macros.push_back(MakeEmptyMacro(u"One"));
  two.macros.push_back(MakeEmptyMacro(u"Two"));
  std::vector<std::uint8_t> image = EncodeMacroStore(two);
  image.resize(image.size() + 17, 0x5A);
  WriteAll(MacroStorePath(dir_.path()), image);
  MacroStore store;
  const StoreLoadReport report = LoadMacros(store, dir_.path());
  EXPECT_EQ(report.status, StoreLoadStatus::kRepaired);
  EXPECT_EQ(ReadAll(report.damaged_copy), image);
  ASSERT_EQ(store.macros.size(), 2u);
  EXPECT_EQ(std::filesystem::file_size(MacroStorePath(dir_.path())), 480u);
}

TEST_F(MacroStoreTest, AddMacroNamesFromTheStoreSizeAndSkipsTakenNames) {
  MacroStore store;
  store.macros.push_back(MakeEmptyMacro(u"Macro1"));
  store.macros.push_back(MakeEmptyMacro(u"macro3"));
  MacroRecord* added = AddMacro(store, dir_.path());
  EXPECT_EQ(MacroName(*added), u"Macro3_1");
  EXPECT_EQ(added->action_count, 0);
  EXPECT_EQ(std::filesystem::file_size(MacroStorePath(dir_.path())), 3 * 240u);
}

TEST_F(MacroStoreTest, DeviceEntriesCountLongDelaysTwiceAndIgnoreADamagedCount) {
  auto macro = testing::MakeMacro(u"M", "4+1280 4-1281 5+0");
  EXPECT_EQ(DeviceEntryCount(*macro), 4);
  macro->action_count = 1000;  // damaged: only the 46 slots there are are counted
  EXPECT_EQ(macro->StepCount(), 46);
  EXPECT_EQ(DeviceEntryCount(*macro), 46 + 1);
  macro->action_count = -3;
  EXPECT_EQ(DeviceEntryCount(*macro), 0);
}

class RefreshTest : public MacroStoreTest {
 protected:
  void SetUp() override {
    MacroStoreTest::SetUp();
    profiles_.push_back(MakeDefaultProfile(u"P1"));
    profiles_.push_back(MakeDefaultProfile(u"P2"));
    store_.macros.push_back(testing::MakeMacro(u"Keep", "4+10 4-10"));
  }
  std::vector<std::unique_ptr<ProfileRecord>> profiles_;
  MacroStore store_;
};

TEST_F(RefreshTest, ExistingMacrosAreCopiedAndMissingOnesFallBackToTheDefault) {
  GiveMacro(*profiles_[1], 2, u"keep");  // other letter case still matches
  GiveMacro(*profiles_[1], 4, u"Gone");
  profiles_[1]->buttons[4].shortcut_key = 9;
  EXPECT_FALSE(RefreshMacroAssignments(profiles_, store_, profiles_[0].get()));

  // That the macro's steps reach its buttons is the page test's (a macro changed in the editor),
  // that a button whose macro is gone plays its default again the CLI's.
  const ButtonAssignment& kept = profiles_[1]->buttons[2];
  EXPECT_EQ(std::tuple(ReadFixedText(kept.macro_name), kept.macro_mode, kept.macro_repeat),
            std::tuple(u"Keep", 2, 3));

  const ButtonAssignment& gone = profiles_[1]->buttons[4];
  // The whole slot was cleared first.
  EXPECT_EQ(std::tuple(gone.macro_index, gone.shortcut_key, gone.reserved_562,
                       ReadFixedText(gone.macro_name)),
            std::tuple(-1, 0, 0, u""));
}

// "Keep" and "KEEP" side by side (a store another program wrote) are two macros: a rename takes
// along only the buttons that play the renamed one.
TEST_F(RefreshTest, ARenameTakesAlongOnlyTheButtonsOfTheRenamedMacro) {
  store_.macros.push_back(testing::MakeMacro(u"KEEP", "5+10"));
  GiveMacro(*profiles_[0], 2, u"KEEP");
  GiveMacro(*profiles_[1], 4, u"keep");  // no exact match: the first in any case, Keep
  RenameMacroInProfiles(profiles_, store_, 1, u"Other");
  EXPECT_EQ(ReadFixedText(profiles_[0]->buttons[2].macro_name), u"Other");
  EXPECT_EQ(ReadFixedText(profiles_[1]->buttons[4].macro_name), u"keep");
}

// A button given a shortcut since, which still names its old macro, is the CLI test's: the macro
// renamed and then deleted, the shortcut stays.
TEST_F(RefreshTest, OnlyButtonsThatPlayAMacroAreTouchedAndSlotsFromTwelveAreLeftAlone) {
  GiveMacro(*profiles_[0], 13, u"Gone");
  EXPECT_FALSE(RefreshMacroAssignments(profiles_, store_, profiles_[0].get()));
  EXPECT_EQ(profiles_[0]->buttons[13].function, kFunctionMacro);

  GiveMacro(*profiles_[0], 5, u"Keep");
  MacroStore empty;
  EXPECT_TRUE(RefreshMacroAssignments(profiles_, empty, profiles_[0].get()));
  EXPECT_EQ(profiles_[0]->buttons[5].function, 6);
  EXPECT_TRUE(ReadFixedText(profiles_[0]->buttons[5].macro_name).empty());
}

// A macro name of 24 units without a terminator (another program's store) is the same 23-unit
// name wherever it is read: assigned to a button, it is still found after another macro goes.
TEST_F(RefreshTest, AMacroNameWithoutTerminatorStaysAssigned) {
  MacroRecord& full = *store_.macros[0];
  for (auto& unit : full.name) unit = u'x';
  ASSERT_EQ(MacroName(full).size(), 23u);
  ButtonAssignment& button = profiles_[0]->buttons[3];
  button.function = kFunctionMacro;
  CopyMacroIntoSlot(full, button);
  RefreshMacroAssignments(profiles_, store_, profiles_[0].get());
  EXPECT_EQ(button.function, kFunctionMacro);
  EXPECT_EQ(ReadFixedText(button.macro_name), MacroName(full));
}

}  // namespace
}  // namespace melko
