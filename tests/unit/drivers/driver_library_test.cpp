// The built libraries as files and the loader that finds them: exactly the seven names, one link
// each, and a missing file or name leaves the link down.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "driver_test_support.h"

namespace melko::testing {
namespace {

// The names a shared object defines in its dynamic symbol table, as nm lists them.
std::set<std::string> ExportedNames(const std::string& path) {
  std::set<std::string> names;
  FILE* nm = popen(("nm -D --defined-only '" + path + "' 2>/dev/null").c_str(), "r");
  if (nm == nullptr) return names;
  char line[512];
  while (std::fgets(line, sizeof line, nm) != nullptr) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (fields >> address >> type >> name) names.insert(name);
  }
  pclose(nm);
  return names;
}

TEST(DriverLibraryFiles, EachExportsExactlyTheSevenEntryPoints) {
  const std::set<std::string> entry_points = {
      "Set_VIDPID",          "Open_DevMonitor", "Close_DevMonitor", "Open_FeatureDevice",
      "Close_FeatureDevice", "SetFeature",      "GetFeature"};
  for (const char* file : {kReceiverDriverFile, kWiredDriverFile}) {
    EXPECT_EQ(ExportedNames(std::string(MELKO_BIN_DIR) + "/" + file), entry_points) << file;
  }
}

// Both libraries loaded at once keep apart: each says its own link, and closing one leaves the
// other's device open.
TEST(DriverLibraryFiles, TheTwoLibrariesKeepSeparateState) {
  FakeMouseServer wired_mouse, receiver_mouse;
  LoadedDriver wired(kWiredDriverFile), receiver(kReceiverDriverFile);
  {
    ScopedEnv socket("MELKO_VMOUSE", wired_mouse.path());
    ASSERT_EQ(wired->open_feature_device(), 1);
  }
  {
    ScopedEnv socket("MELKO_VMOUSE", receiver_mouse.path());
    ASSERT_EQ(receiver->open_feature_device(), 1);
  }
  receiver->close_feature_device();
  const std::uint8_t report[] = {0x0C, 0x0A, 0x01};
  EXPECT_EQ(wired->set_feature(report, sizeof report), 1);
  EXPECT_EQ(receiver->set_feature(report, sizeof report), 0);
  EXPECT_EQ(wired_mouse.lines().front(), "hello wired");
  EXPECT_EQ(receiver_mouse.lines().front(), "hello receiver");
}

TEST(DlDriverLoader, TakesTheFirstFolderWhoseFileIsAWholeLibrary) {
  TempDir folder;
  std::ofstream(folder / kWiredDriverFile) << "not a library";
  DlDriverLoader loader({folder.path().string(), MELKO_BIN_DIR});
  DriverLibrary library = loader.Load(kWiredDriverFile);
  EXPECT_TRUE(library.usable());
  loader.Unload(library);
  EXPECT_FALSE(library.usable());
  EXPECT_EQ(library.module, nullptr);

  // A missing file, or a library lacking one name, is not used at all.
  DriverLibrary missing = loader.Load("hiddriver_9.so");
  EXPECT_FALSE(missing.usable());
  EXPECT_EQ(missing.module, nullptr);
  EXPECT_EQ(missing.OpenFeatureDevice(), 0);
  loader.Unload(missing);  // harmless on nothing
  DriverLibrary partial = DlDriverLoader({MELKO_TEST_FIXTURE_DIR}).Load("partial_driver.so");
  EXPECT_EQ(partial.module, nullptr);
  EXPECT_EQ(partial.set_vid_pid, nullptr);

  // By default: beside the program first, then the installed folder.
  const DlDriverLoader installed;
  ASSERT_EQ(installed.folders().size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(installed.folders().front() + "/melko_driver_tests"));
  EXPECT_TRUE(installed.folders().back().ends_with("/melko"));
}

}  // namespace
}  // namespace melko::testing
