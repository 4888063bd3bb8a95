#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "profiles/data_folder.h"
#include "profiles/profile_store.h"
#include "support/test_support.h"

namespace melko {
namespace {

using testing::ReadAll;
using testing::TempDir;
using testing::WriteAll;

class ProfileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::UseEnglishTexts(); }

  std::filesystem::path StoreFile() const { return ProfileStorePath(dir_.path()); }
  std::vector<std::filesystem::path> DamagedCopies() const {
    std::vector<std::filesystem::path> copies;
    for (const auto& entry : std::filesystem::directory_iterator(StoreFolder(dir_.path()))) {
      if (entry.path().filename().string().rfind("pro.data.damaged-", 0) == 0) {
        copies.push_back(entry.path());
      }
    }
    return copies;
  }
  // A store image with the given profile names and selection.
  std::vector<std::uint8_t> Image(const std::vector<std::u16string>& names,
                                  std::uint32_t selected) {
    ProfileStore store;
    for (const auto& name : names) store.profiles.push_back(MakeDefaultProfile(name));
    store.selected_index = selected;
    return EncodeProfileStore(store);
  }
  void WriteStore(const std::vector<std::uint8_t>& bytes) {
    std::filesystem::create_directories(StoreFolder(dir_.path()));
    WriteAll(StoreFile(), bytes);
  }

  TempDir dir_;
};

// The records and the reserved header survive a load and a save whatever the bytes
// (fuzz_profile_store); a selection outside the list selects the first profile.
TEST_F(ProfileStoreTest, ASelectionOutsideTheListSelectsTheFirst) {
  WriteStore(Image({u"A", u"B"}, 7));
  ProfileStore outside;
  const StoreLoadReport report = LoadProfiles(outside, dir_.path());
  EXPECT_EQ(report.status, StoreLoadStatus::kLoaded);
  EXPECT_EQ(outside.selected_index, 0u);
  // The image handed out is what was loaded, so that a sync comparing images sees no change.
  EXPECT_EQ(report.image, EncodeProfileStore(outside));
  EXPECT_EQ(ProfileName(*outside.Selected()), u"A");
}

TEST_F(ProfileStoreTest, DamagedStoresAreCopiedAsideThenLoadedAsFarAsWhole) {
  const std::vector<std::uint8_t> two = Image({u"A", u"B"}, 1);
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::vector<std::u16string> names_after;
  };
  std::vector<Case> cases = {
      {"empty", {}, {u"Profile1"}},
      {"partial header", std::vector<std::uint8_t>(two.begin(), two.begin() + 1000), {u"Profile1"}},
      {"header only",
       std::vector<std::uint8_t>(two.begin(), two.begin() + kProfileStoreHeaderSize),
       {u"Profile1"}},
      {"trailing partial record", std::vector<std::uint8_t>(two.begin(), two.end() - 100), {u"A"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(StoreFolder(dir_.path()));
    WriteStore(c.bytes);
    ProfileStore store;
    const StoreLoadReport report = LoadProfiles(store, dir_.path());
    EXPECT_EQ(report.status, StoreLoadStatus::kRepaired);
    EXPECT_FALSE(report.detail.empty());
    EXPECT_TRUE(report.saved.ok);
    ASSERT_EQ(DamagedCopies().size(), 1u);
    EXPECT_EQ(ReadAll(DamagedCopies()[0]), c.bytes);  // the damaged file is kept as it was
    ASSERT_EQ(store.profiles.size(), c.names_after.size());
    for (std::size_t i = 0; i < c.names_after.size(); ++i) {
      EXPECT_EQ(ProfileName(*store.profiles[i]), c.names_after[i]);
    }
    EXPECT_LT(store.selected_index, store.profiles.size());
    // The repaired store was written back whole; loading it again reports nothing.
    EXPECT_EQ((ReadAll(StoreFile()).size() - kProfileStoreHeaderSize) % kProfileRecordSize, 0u);
    ProfileStore again;
    EXPECT_EQ(LoadProfiles(again, dir_.path()).status, StoreLoadStatus::kLoaded);
  }
}

// A store that is a folder, or that this user may not read, is left as it is: the program goes on
// with defaults in memory, so that callers always have a profile.
TEST_F(ProfileStoreTest, UnreadableStoreIsNeverOverwritten) {
  std::filesystem::create_directories(StoreFile());
  ProfileStore in_memory;
  EXPECT_EQ(LoadProfiles(in_memory, dir_.path()).status, StoreLoadStatus::kUnreadable);
  EXPECT_EQ(in_memory.profiles.size(), 1u);
  EXPECT_TRUE(std::filesystem::is_directory(StoreFile()));

  if (geteuid() == 0) GTEST_SKIP() << "root reads files regardless of permissions";
  std::filesystem::remove(StoreFile());
  const std::vector<std::uint8_t> image = Image({u"Mine"}, 0);
  WriteStore(image);
  std::filesystem::permissions(StoreFile(), std::filesystem::perms::none);
  ProfileStore store;
  EXPECT_EQ(LoadProfiles(store, dir_.path()).status, StoreLoadStatus::kUnreadable);
  std::filesystem::permissions(StoreFile(), std::filesystem::perms::owner_read);
  EXPECT_EQ(ReadAll(StoreFile()), image);
}

// A child process saves stores of alternating sizes as fast as it can and is killed at a random
// moment; whatever moment it was, the store on disk must be one of the two whole versions.
TEST_F(ProfileStoreTest, KilledSaveLeavesTheOldOrTheNewStoreWhole) {
  ProfileStore small, large;
  small.profiles.push_back(MakeDefaultProfile(u"Small"));
  for (const char16_t* name : {u"L1", u"L2", u"L3", u"L4"})
    large.profiles.push_back(MakeDefaultProfile(name));
  ASSERT_TRUE(SaveProfiles(small, dir_.path()).ok);
  const std::vector<std::uint8_t> small_image = EncodeProfileStore(small);
  const std::vector<std::uint8_t> large_image = EncodeProfileStore(large);

  for (int round = 0; round < 12; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) SaveProfiles(i % 2 ? small : large, dir_.path());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(15 + 7 * round));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const std::vector<std::uint8_t> on_disk = ReadAll(StoreFile());
    ASSERT_TRUE(on_disk == small_image || on_disk == large_image)
        << "round " << round << ": " << on_disk.size() << " bytes";
  }
  // Killed writers may leave temporary files behind, never a damaged store.
  ProfileStore loaded;
  EXPECT_EQ(LoadProfiles(loaded, dir_.path()).status, StoreLoadStatus::kLoaded);
}

}  // namespace
}  // namespace melko
