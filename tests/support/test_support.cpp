#include "support/test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "common/language.h"
#include "common/text.h"
#include "profiles/data_folder.h"

namespace melko::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "melko-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReadText(const std::filesystem::path& file) {
  const std::vector<std::uint8_t> bytes = ReadAll(file);
  return std::string(bytes.begin(), bytes.end());
}

void WriteAll(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void UseEnglishTexts() {
  bool loaded = false;
  InstallLanguage(
      LanguageTexts::Load(std::filesystem::path(MELKO_SOURCE_DIR) / "res/lan.xml", &loaded));
  ASSERT_TRUE(loaded);
}

std::string MacroStepsText(std::span<const MacroAction> steps) {
  std::string text;
  for (const MacroAction& step : steps) {
    text += (text.empty() ? "" : " ") + std::to_string(step.code) +
            (step.type == kMacroStepPress ? "+" : "-") + std::to_string(step.delay);
  }
  return text;
}

std::string MacroStepsText(const MacroRecord& macro) {
  return MacroStepsText(std::span(macro.actions).first(std::size_t(macro.StepCount())));
}

std::unique_ptr<MacroRecord> MakeMacro(std::u16string_view name, const std::string& steps) {
  auto macro = MakeEmptyMacro(name);
  std::istringstream in(steps);
  int count = 0;
  for (std::string word; in >> word; ++count) {
    const std::size_t sign = word.find_first_of("+-");
    macro->actions.at(std::size_t(count)) = {
        std::uint8_t(std::stoi(word.substr(0, sign))),
        std::uint8_t(word[sign] == '+' ? kMacroStepPress : kMacroStepRelease),
        std::uint16_t(std::stoi(word.substr(sign + 1)))};
  }
  macro->action_count = count;
  return macro;
}

void GiveMacro(ProfileRecord& profile, int slot, std::u16string_view name, int steps) {
  ButtonAssignment& button = profile.buttons.at(std::size_t(slot));
  button.function = kFunctionMacro;
  WriteFixedText(button.macro_name, name);
  button.macro_index = 0, button.macro_mode = 2, button.macro_repeat = 3;
  button.macro_action_count = std::uint16_t(steps);
  for (int i = 0; i < steps; ++i) button.macro_actions[std::size_t(i)] = {4, 1, 100};
}

void SeedStores(const std::filesystem::path& data_folder,
                const std::vector<std::u16string>& profiles,
                const std::vector<std::pair<std::u16string, std::string>>& macros) {
  ProfileStore profile_store;
  for (const std::u16string& name : profiles)
    profile_store.profiles.push_back(MakeDefaultProfile(name));
  MacroStore macro_store;
  for (const auto& [name, steps] : macros) macro_store.macros.push_back(MakeMacro(name, steps));
  EXPECT_TRUE(profiles.empty() || SaveProfiles(profile_store, data_folder).ok);
  EXPECT_TRUE(macros.empty() || SaveMacros(macro_store, data_folder).ok);
}

void ChangeStoresElsewhere(const std::filesystem::path& data_folder, const StoreChange& change) {
  ExclusiveFileLock lock(StoreLockPath(data_folder));
  ProfileStore profiles;
  MacroStore macros;
  LoadProfiles(profiles, data_folder);
  LoadMacros(macros, data_folder);
  change(profiles, macros);
  ASSERT_TRUE(SaveProfiles(profiles, data_folder).ok);
  ASSERT_TRUE(SaveMacros(macros, data_folder).ok);
}

ProfileStore StoredProfiles(const std::filesystem::path& data_folder) {
  ProfileStore profiles;
  LoadProfiles(profiles, data_folder);
  return profiles;
}

}  // namespace melko::testing
