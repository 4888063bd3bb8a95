#include "common/install_paths.h"

#include <dlfcn.h>

#include <cstdlib>

namespace melko {
namespace {

// The installed folders relative to the installed programs' folder, as the build configured them
// (for instance "../share/melko/res"): a prefix compiled in would break a moved installation.
constexpr const char* kSkinFromPrograms = MELKO_SKIN_FROM_PROGRAMS;
constexpr const char* kLibrariesFromPrograms = MELKO_LIBRARIES_FROM_PROGRAMS;
constexpr const char* kProgramsFromLibraries = MELKO_PROGRAMS_FROM_LIBRARIES;

}  // namespace

std::filesystem::path ExecutableFolder() {
  // The kernel's link names the file itself, with every symbolic link on the way resolved: a
  // program started through a link in another bin/ still finds the files of its own prefix. A
  // program replaced on disk while it runs reads as "PATH (deleted)", whose folder is still right.
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || !executable.is_absolute()) return {};
  const std::filesystem::path folder = executable.parent_path();
  // melkoctl-mouse is installed in the library folder; its programs' folder is that of melkoctl,
  // so that both find the same skin, libraries and fallback data folder.
  const std::filesystem::path programs = (folder / kProgramsFromLibraries).lexically_normal();
  if ((programs / kLibrariesFromPrograms).lexically_normal() == folder.lexically_normal()) {
    return programs;
  }
  return folder;
}

std::filesystem::path DefaultSkinFolder() {
  // Tests and skin authors point the program at another skin folder.
  if (const char* folder = std::getenv("MELKO_SKIN_DIR"); folder && folder[0] != '\0') {
    return folder;
  }
  const std::filesystem::path programs = ExecutableFolder();
  if (programs.empty()) return "res";
  std::error_code error;
  const std::filesystem::path beside = programs / "res";
  if (std::filesystem::is_directory(beside, error)) return beside;
  const std::filesystem::path installed = (programs / kSkinFromPrograms).lexically_normal();
  if (std::filesystem::is_directory(installed, error)) return installed;
  return beside;
}

std::vector<std::string> LibraryFolders() {
  std::vector<std::string> folders;
  // Tests, which run from a folder of their own, point the program at the build's libraries.
  if (const char* folder = std::getenv("MELKO_LIBRARY_DIR"); folder && folder[0] != '\0') {
    folders.emplace_back(folder);
  }
  const std::filesystem::path programs = ExecutableFolder();
  if (programs.empty()) return folders;
  folders.push_back(programs.string());
  folders.push_back((programs / kLibrariesFromPrograms).lexically_normal().string());
  return folders;
}

void* OpenLibrary(const std::vector<std::string>& folders, std::string_view file,
                  std::string* failure) {
  std::string why = "no library folder";
  for (const std::string& folder : folders) {
    const std::string path = folder + "/" + std::string(file);
    if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return module;
    const char* error = dlerror();
    why = error ? error : path;
  }
  if (failure) *failure = why;
  return nullptr;
}

}  // namespace melko
