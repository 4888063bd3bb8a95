// The built libraries as files and the loader that finds them: exactly the seven names, one link
// each, and a missing file or name leaves the link down.
#include <elf.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "driver_test_support.h"
#include "fake_mouse_server.h"
#include "platform/dl_driver_loader.h"

namespace melko::testing {
namespace {

const std::set<std::string> kEntryPoints = {
    "Set_VIDPID",          "Open_DevMonitor", "Close_DevMonitor", "Open_FeatureDevice",
    "Close_FeatureDevice", "SetFeature",      "GetFeature"};

// The names a 64-bit ELF shared object defines in its dynamic symbol table; empty when the file
// is not one.
std::set<std::string> ExportedNames(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
  auto fits = [&](std::uint64_t offset, std::uint64_t size) {
    return offset <= bytes.size() && size <= bytes.size() - offset;
  };
  std::set<std::string> names;
  Elf64_Ehdr header;
  if (!fits(0, sizeof header)) return names;
  std::memcpy(&header, bytes.data(), sizeof header);
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
      header.e_shentsize != sizeof(Elf64_Shdr) ||
      !fits(header.e_shoff, std::uint64_t(header.e_shnum) * sizeof(Elf64_Shdr))) {
    return names;
  }
  auto section = [&](std::size_t index) {
    Elf64_Shdr s;
    std::memcpy(&s, bytes.data() + header.e_shoff + index * sizeof s, sizeof s);
    return s;
  };
  for (std::size_t i = 0; i < header.e_shnum; ++i) {
    const Elf64_Shdr symbols = section(i);
    if (symbols.sh_type != SHT_DYNSYM || symbols.sh_link >= header.e_shnum) continue;
    const Elf64_Shdr strings = section(symbols.sh_link);
    if (!fits(symbols.sh_offset, symbols.sh_size) || !fits(strings.sh_offset, strings.sh_size)) {
      continue;
    }
    for (std::uint64_t at = 0; at + sizeof(Elf64_Sym) <= symbols.sh_size; at += sizeof(Elf64_Sym)) {
      Elf64_Sym symbol;
      std::memcpy(&symbol, bytes.data() + symbols.sh_offset + at, sizeof symbol);
      const int binding = ELF64_ST_BIND(symbol.st_info);
      if (symbol.st_shndx == SHN_UNDEF || symbol.st_name == 0 ||
          symbol.st_name >= strings.sh_size || (binding != STB_GLOBAL && binding != STB_WEAK)) {
        continue;
      }
      const char* name = bytes.data() + strings.sh_offset + symbol.st_name;
      names.insert(std::string(name, strnlen(name, strings.sh_size - symbol.st_name)));
    }
  }
  return names;
}

// --- the files

TEST(DriverLibraryFiles, EachExportsExactlyTheSevenEntryPoints) {
  for (const char* file : {kReceiverDriverFile, kWiredDriverFile}) {
    EXPECT_EQ(ExportedNames(std::string(MELKO_BIN_DIR) + "/" + file), kEntryPoints) << file;
  }
}

TEST(DriverLibraryFiles, TheExportListCheckSeesAnUnrestrictedLibrary) {
  // The fixture exports six entry points and nothing was hidden: the reader must find them.
  const auto names = ExportedNames(MELKO_TEST_FIXTURE_DIR "/partial_driver.so");
  EXPECT_TRUE(names.contains("Set_VIDPID"));
  EXPECT_FALSE(names.contains("GetFeature"));
  EXPECT_TRUE(ExportedNames(MELKO_TEST_FIXTURE_DIR "/no_such_file.so").empty());
}

TEST(DriverLibraryFiles, EachLibraryIntroducesItsOwnLink) {
  ScopedEnv timeout("MELKO_VMOUSE_TIMEOUT_MS", "1000");
  for (const auto& [file, hello] : {std::pair{kReceiverDriverFile, "hello receiver"},
                                    std::pair{kWiredDriverFile, "hello wired"}}) {
    FakeMouseServer server;
    ScopedEnv socket("MELKO_VMOUSE", server.path());
    LoadedDriver driver(file);
    ASSERT_TRUE(driver->usable()) << file;
    EXPECT_EQ(driver->open_feature_device(), 1) << file;
    ASSERT_FALSE(server.lines().empty());
    EXPECT_EQ(server.lines().front(), hello);
  }
}

// Both libraries loaded at once keep apart: closing one leaves the other's device open.
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

// --- the loader

TEST(DlDriverLoader, ResolvesAllSevenNames) {
  DlDriverLoader loader({MELKO_BIN_DIR});
  DriverLibrary library = loader.Load(kWiredDriverFile);
  EXPECT_TRUE(library.usable());
  EXPECT_NE(library.module, nullptr);
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(library.get_feature(buffer, sizeof buffer), 0);
  loader.Unload(library);
  EXPECT_FALSE(library.usable());
  EXPECT_EQ(library.module, nullptr);
}

TEST(DlDriverLoader, AMissingFileLeavesTheLibraryUnusable) {
  DlDriverLoader loader({MELKO_BIN_DIR, "/nonexistent"});
  DriverLibrary library = loader.Load("hiddriver_9.so");
  EXPECT_FALSE(library.usable());
  EXPECT_EQ(library.module, nullptr);
  EXPECT_EQ(library.OpenFeatureDevice(), 0);
  loader.Unload(library);  // harmless on nothing
}

TEST(DlDriverLoader, ALibraryLackingANameIsNotUsed) {
  DlDriverLoader loader({MELKO_TEST_FIXTURE_DIR});
  DriverLibrary library = loader.Load("partial_driver.so");
  EXPECT_FALSE(library.usable());
  EXPECT_EQ(library.module, nullptr);
  EXPECT_EQ(library.set_vid_pid, nullptr);
}

TEST(DlDriverLoader, AFileThatIsNoLibraryIsSkipped) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("melko-drv-loader-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / kWiredDriverFile) << "not a library";
  DlDriverLoader loader({folder.string(), MELKO_BIN_DIR});
  DriverLibrary library = loader.Load(kWiredDriverFile);
  EXPECT_TRUE(library.usable());
  loader.Unload(library);
  std::filesystem::remove_all(folder);
}

TEST(DlDriverLoader, LooksBesideTheProgramFirstThenInTheInstalledFolder) {
  const DlDriverLoader loader;
  ASSERT_EQ(loader.folders().size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(loader.folders().front() + "/melko_driver_tests"));
  EXPECT_TRUE(loader.folders().back().ends_with("/melko"));
}

}  // namespace
}  // namespace melko::testing
