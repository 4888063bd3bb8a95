#include "platform/dl_driver_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <array>

namespace melko {
namespace {

template <typename Function>
bool Resolve(void* module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(module, name));
  return function != nullptr;
}

// All seven names, or an empty library.
DriverLibrary ResolveAll(void* module) {
  DriverLibrary library;
  library.module = module;
  const bool complete =
      Resolve(module, MELKO_DRIVER_SET_VIDPID, library.set_vid_pid) &&
      Resolve(module, MELKO_DRIVER_OPEN_DEV_MONITOR, library.open_dev_monitor) &&
      Resolve(module, MELKO_DRIVER_CLOSE_DEV_MONITOR, library.close_dev_monitor) &&
      Resolve(module, MELKO_DRIVER_OPEN_FEATURE_DEVICE, library.open_feature_device) &&
      Resolve(module, MELKO_DRIVER_CLOSE_FEATURE_DEVICE, library.close_feature_device) &&
      Resolve(module, MELKO_DRIVER_SET_FEATURE, library.set_feature) &&
      Resolve(module, MELKO_DRIVER_GET_FEATURE, library.get_feature);
  if (complete) return library;
  dlclose(module);
  return {};
}

}  // namespace

std::string ExecutableFolder() {
  std::array<char, 4096> buffer{};
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  std::string path(buffer.data(), std::size_t(length));
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash == 0 ? 1 : slash);
}

DlDriverLoader::DlDriverLoader() {
  if (auto folder = ExecutableFolder(); !folder.empty()) folders_.push_back(std::move(folder));
  folders_.push_back(MELKO_DRIVER_INSTALL_DIR);
}

DlDriverLoader::DlDriverLoader(std::vector<std::string> folders) : folders_(std::move(folders)) {}

DriverLibrary DlDriverLoader::Load(std::string_view file_name) {
  for (const auto& folder : folders_) {
    const std::string path = folder + "/" + std::string(file_name);
    if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return ResolveAll(module);
  }
  return {};
}

void DlDriverLoader::Unload(DriverLibrary& library) {
  if (library.module != nullptr) dlclose(library.module);
  library = DriverLibrary{};
}

}  // namespace melko
