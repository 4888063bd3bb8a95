// That a save killed at any moment leaves one whole store is the crash-safety test's.
#include <gtest/gtest.h>

#include "profiles/data_folder.h"
#include "profiles/profile_store.h"
#include "support/test_support.h"

namespace melko {
namespace {

using testing::ReadAll;

class ProfileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::UseEnglishTexts(); }

  std::filesystem::path StoreFile() const { return ProfileStorePath(dir_.path()); }
  // The store of profiles A and B, with this selection, written; its bytes.
  std::vector<std::uint8_t> WriteTwo(std::uint8_t selected) {
    testing::SeedStores(dir_.path(), {u"A", u"B"}, {});
    std::vector<std::uint8_t> image = ReadAll(StoreFile());
    image[0] = selected;  // the selection leads the store, little-endian
    testing::WriteAll(StoreFile(), image);
    return image;
  }

  testing::TempDir dir_;
};

// The image handed out is the store as loaded, so that a sync comparing images sees no change.
TEST_F(ProfileStoreTest, ASelectionOutsideTheListSelectsTheFirst) {
  WriteTwo(7);
  ProfileStore outside;
  const StoreLoadReport report = LoadProfiles(outside, dir_.path());
  EXPECT_EQ(std::tuple(report.status, ProfileName(*outside.Selected())),
            std::tuple(StoreLoadStatus::kLoaded, u"A"));
  EXPECT_EQ(report.image, EncodeProfileStore(outside));
}

TEST_F(ProfileStoreTest, DamagedStoresAreCopiedAsideThenLoadedAsFarAsWhole) {
  const std::vector<std::uint8_t> two = WriteTwo(1);
  const auto cut = [&](std::size_t size) {
    return std::vector<std::uint8_t>(two.begin(), two.begin() + std::ptrdiff_t(size));
  };
  for (const auto& [bytes, names_after] :
       std::vector<std::pair<std::vector<std::uint8_t>, std::u16string>>{
           {{}, u"Profile1"},
           {cut(1000), u"Profile1"},
           {cut(kProfileStoreHeaderSize), u"Profile1"},
           {cut(two.size() - 100), u"A"}}) {
    SCOPED_TRACE(bytes.size());
    std::filesystem::remove_all(StoreFolder(dir_.path()));
    std::filesystem::create_directories(StoreFolder(dir_.path()));
    testing::WriteAll(StoreFile(), bytes);
    ProfileStore store;
    const StoreLoadReport report = LoadProfiles(store, dir_.path());
    std::u16string names;
    for (const auto& profile : store.profiles) names += ProfileName(*profile);
    EXPECT_EQ(std::tuple(report.status, report.detail.empty(), report.saved.ok, names,
                         store.selected_index < store.profiles.size()),
              std::tuple(StoreLoadStatus::kRepaired, false, true, names_after, true));
    EXPECT_EQ(ReadAll(report.damaged_copy), bytes);
    ProfileStore again;
    EXPECT_EQ(LoadProfiles(again, dir_.path()).status, StoreLoadStatus::kLoaded);
  }
}

}  // namespace
}  // namespace melko
