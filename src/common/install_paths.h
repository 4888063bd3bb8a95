// Where the program's own files are: the skin (layouts, pictures, lan.xml) and the driver and hook
// libraries. Everything is found from the running executable's folder, so the build tree
// (build/bin with res/ and the libraries beside the programs) and any install prefix
// (bin/ beside share/melko/res and lib/melko) work alike, also after the prefix has moved.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace melko {

// The programs' folder: that of the running executable, or for melkoctl-mouse, which is installed
// in the library folder, that of melkoctl. Empty when it cannot be told.
std::filesystem::path ExecutableFolder();

// The skin folder: $MELKO_SKIN_DIR when set, else res/ beside the program, else the installed one
// (share/melko/res under the prefix); res/ beside the program when neither exists, so that errors
// name a place.
std::filesystem::path DefaultSkinFolder();

// The folders the driver, hook and layout loader libraries and melkoctl-mouse are found in, in
// order: $MELKO_LIBRARY_DIR when set, the program's own folder, then the installed library folder
// under the prefix.
std::vector<std::string> LibraryFolders();

// Opens the library file from the first of folders that has it (dlopen, its symbols kept to
// itself); null when none does, with the loader's reason for the last folder tried in failure.
void* OpenLibrary(const std::vector<std::string>& folders, std::string_view file,
                  std::string* failure = nullptr);

}  // namespace melko
