#include "profiles/data_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "common/file_io.h"
#include "common/install_paths.h"

namespace melko {

std::filesystem::path UserConfigFolder() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return xdg;
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
    return std::filesystem::path(home) / ".config";
  }
  // No usable environment: ask the password database for the home folder.
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir && found->pw_dir[0] == '/') {
    return std::filesystem::path(found->pw_dir) / ".config";
  }
  return {};
}

std::filesystem::path GetDataFolder(std::string* error) {
  const std::filesystem::path config = UserConfigFolder();
  if (!config.empty()) {
    // A folder that cannot be created is an error: falling back elsewhere would show the user an
    // empty store in a place they do not know.
    const std::filesystem::path folder = config / kDataFolderName;
    const Outcome created = EnsureDirectory(folder);
    if (!created.ok && error) *error = "cannot create the data folder " + created.error;
    return folder;
  }
  // No home folder is known at all: "Data" beside the program.
  std::filesystem::path programs = ExecutableFolder();
  std::error_code error_code;
  if (programs.empty()) programs = std::filesystem::current_path(error_code);
  const std::filesystem::path folder = programs / "Data";
  const Outcome created = EnsureDirectory(folder);
  if (!created.ok && error) *error = "cannot create the data folder " + created.error;
  return folder;
}

}  // namespace melko
