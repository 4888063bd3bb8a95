#include <gtest/gtest.h>

#include "common/text.h"
#include "macros/macro_store.h"
#include "profiles/data_folder.h"
#include "support/test_support.h"

namespace melko {
namespace {

using testing::GiveMacro;

class MacroStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::UseEnglishTexts();
    std::filesystem::create_directories(StoreFolder(dir_.path()));
    profiles_.push_back(MakeDefaultProfile(u"P1"));
    profiles_.push_back(MakeDefaultProfile(u"P2"));
    store_.macros.push_back(testing::MakeMacro(u"Keep", "4+10 4-10"));
  }
  ButtonAssignment& Button(std::size_t profile, std::size_t slot) {
    return profiles_[profile]->buttons[slot];
  }
  testing::TempDir dir_;
  std::vector<std::unique_ptr<ProfileRecord>> profiles_;
  MacroStore store_;
};

TEST_F(MacroStoreTest, TrailingPartialRecordIsCopiedAsideAndDropped) {
  store_.macros.push_back(MakeEmptyMacro(u"Two"));
  std::vector<std::uint8_t> image = EncodeMacroStore(store_);
  image.resize(image.size() + 17, 0x5A);
  testing::WriteAll(MacroStorePath(dir_.path()), image);
  MacroStore store;
  const StoreLoadReport report = LoadMacros(store, dir_.path());
  EXPECT_EQ(std::tuple(report.status, store.macros.size(),
                       std::filesystem::file_size(MacroStorePath(dir_.path()))),
            std::tuple(StoreLoadStatus::kRepaired, 2u, 480u));
  EXPECT_EQ(testing::ReadAll(report.damaged_copy), image);
}

// A gone macro's buttons, and only those, get their default back; slots from 12 up stay.
TEST_F(MacroStoreTest, ExistingMacrosAreCopiedAndMissingOnesFallBackToTheDefault) {
  GiveMacro(*profiles_[1], 2, u"keep");
  GiveMacro(*profiles_[1], 4, u"Gone");
  Button(1, 4).shortcut_key = 9;
  GiveMacro(*profiles_[0], 13, u"Gone");
  EXPECT_FALSE(RefreshMacroAssignments(profiles_, store_, profiles_[0].get()));
  const ButtonAssignment& kept = Button(1, 2);
  EXPECT_EQ(std::tuple(ReadFixedText(kept.macro_name), kept.macro_mode, kept.macro_repeat),
            std::tuple(u"Keep", 2, 3));
  const ButtonAssignment& gone = Button(1, 4);
  EXPECT_EQ(std::tuple(gone.function, gone.macro_index, gone.shortcut_key, gone.reserved_562,
                       ReadFixedText(gone.macro_name)),
            std::tuple(121, -1, 0, 0, u""));
  EXPECT_EQ(Button(0, 13).function, kFunctionMacro);

  GiveMacro(*profiles_[0], 5, u"Keep");
  EXPECT_TRUE(RefreshMacroAssignments(profiles_, MacroStore{}, profiles_[0].get()));
  EXPECT_EQ(Button(0, 5).function, 6);
}

// "Keep" and "KEEP" side by side (a store another program wrote) are two macros.
TEST_F(MacroStoreTest, ARenameTakesAlongOnlyTheButtonsOfTheRenamedMacro) {
  store_.macros.push_back(testing::MakeMacro(u"KEEP", "5+10"));
  GiveMacro(*profiles_[0], 2, u"KEEP");
  GiveMacro(*profiles_[1], 4, u"keep");  // no exact match: the first in any case, Keep
  RenameMacroInProfiles(profiles_, store_, 1, u"Other");
  EXPECT_EQ(ReadFixedText(Button(0, 2).macro_name) + u"|" + ReadFixedText(Button(1, 4).macro_name),
            u"Other|keep");
}

}  // namespace
}  // namespace melko
