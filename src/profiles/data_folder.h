// Where the stores live: "$XDG_CONFIG_HOME/Zorph Melko R7 Wireless/" (by default under
// ~/.config), with the stores in its "ms_1" sub-folder.
#pragma once

#include <filesystem>
#include <string>

namespace melko {

inline constexpr const char* kDataFolderName = "Zorph Melko R7 Wireless";
inline constexpr const char* kStoreFolderName = "ms_1";

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute path, else ~/.config
// (the home folder from $HOME, or from the password database); empty when no home is known.
std::filesystem::path UserConfigFolder();

// Works out the data folder anew and creates it when missing; error (when given) says why it could
// not be created. Only when no home folder is known at all does it fall back to "Data" beside the
// running executable.
std::filesystem::path GetDataFolder(std::string* error = nullptr);

inline std::filesystem::path StoreFolder(const std::filesystem::path& data_folder) {
  return data_folder / kStoreFolderName;
}
inline std::filesystem::path ProfileStorePath(const std::filesystem::path& data_folder) {
  return StoreFolder(data_folder) / "pro.data";
}
inline std::filesystem::path MacroStorePath(const std::filesystem::path& data_folder) {
  return StoreFolder(data_folder) / "macro.data";
}
inline std::filesystem::path StoreLockPath(const std::filesystem::path& data_folder) {
  return StoreFolder(data_folder) / ".lock";
}

}  // namespace melko
