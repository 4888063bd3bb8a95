// Helpers shared by the store tests: private folders, raw file access, the English texts, macros
// written as text, and the stores as another program reads and changes them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "macros/macro_record.h"
#include "profiles/profile_session.h"

namespace melko::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& file);
std::string ReadText(const std::filesystem::path& file);
void WriteAll(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);

// Installs the texts of res/lan.xml of the source tree as the program's language.
void UseEnglishTexts();

// Macro steps as text: "code+delay" for a press, "code-delay" for a release, separated by blanks.
std::string MacroStepsText(std::span<const MacroAction> steps);
std::string MacroStepsText(const MacroRecord& macro);  // its first StepCount() steps
std::unique_ptr<MacroRecord> MakeMacro(std::u16string_view name, const std::string& steps);

// Gives a button the macro of that name, as it was stored: `steps` presses of A, 100 ms each,
// played 3 times in mode 2.
void GiveMacro(ProfileRecord& profile, int slot, std::u16string_view name, int steps = 0);

// Stores of these profiles (the first selected) and these macros (steps as MakeMacro takes them),
// as a program left them before the one under test starts; an empty list writes no store.
void SeedStores(const std::filesystem::path& data_folder,
                const std::vector<std::u16string>& profiles,
                const std::vector<std::pair<std::u16string, std::string>>& macros = {});

// Another program: loads both stores under the store lock, changes them and saves them.
void ChangeStoresElsewhere(const std::filesystem::path& data_folder, const StoreChange& change);
// The profile store as it is on disk.
ProfileStore StoredProfiles(const std::filesystem::path& data_folder);

}  // namespace melko::testing
