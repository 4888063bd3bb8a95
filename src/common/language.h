// The texts behind language keys, read from the skin's language file (res/lan.xml):
//
//   <language name="English">
//     <text key="add_profile_text">Profile</text>
//   </language>
//
// Every text the user sees apart from numbers and names is looked up here by its key, so that the
// command line and the desktop program name things identically.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace melko {

class LanguageTexts {
 public:
  // Parses the document; malformed or unknown parts are skipped, every whole entry is kept.
  static LanguageTexts Parse(std::string_view xml);
  // Reads and parses a file; ok is false when it cannot be read.
  static LanguageTexts Load(const std::filesystem::path& file, bool* ok = nullptr);

  // The text of a key, or the key itself when the file has no entry for it.
  std::string Text(std::string_view key) const;
  bool Has(std::string_view key) const;
  std::size_t size() const { return texts_.size(); }
  // Every key, sorted.
  std::vector<std::string> Keys() const;
  // Takes every entry of a translation in place of this language's one; the rest stays.
  void Overlay(LanguageTexts translation);

 private:
  std::unordered_map<std::string, std::string> texts_;
};

// The language of the running program: set once at start, read from anywhere.
void InstallLanguage(LanguageTexts texts);
const LanguageTexts& CurrentLanguage();
inline std::string text(std::string_view key) {
  return CurrentLanguage().Text(key);
}
// The text of a key with "%1" to "%9" replaced by the arguments; a number without an argument
// stays as written, and what an argument holds is never read as a placeholder.
std::string text(std::string_view key, const std::vector<std::string>& arguments);
std::string FillArguments(std::string_view text, const std::vector<std::string>& arguments);

}  // namespace melko
