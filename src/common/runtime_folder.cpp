#include "common/runtime_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "profiles/data_folder.h"

namespace melko {

std::string PrivateRuntimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat info {};
  if (runtime != nullptr && runtime[0] == '/' && ::stat(runtime, &info) == 0 &&
      S_ISDIR(info.st_mode)) {
    return runtime;
  }
  // A folder of our own in the temporary folder, which only we may enter.
  const char* temp = std::getenv("TMPDIR");
  const std::string folder = std::string(temp != nullptr && temp[0] != '\0' ? temp : "/tmp") +
                             "/melko-" + std::to_string(::getuid());
  ::mkdir(folder.c_str(), 0700);
  if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() ||
      (info.st_mode & 077) != 0) {
    return {};  // someone else's, or open to others: not safe to use
  }
  return folder;
}

std::string DesktopSocketPath() {
  const std::string folder = PrivateRuntimeFolder();
  return folder.empty() ? std::string() : folder + "/" + kDataFolderName + ".socket";
}

}  // namespace melko
