#include "platform/dl_driver_loader.h"

#include <dlfcn.h>

#include "common/install_paths.h"

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

DlDriverLoader::DlDriverLoader() : folders_(LibraryFolders()) {}

DlDriverLoader::DlDriverLoader(std::vector<std::string> folders) : folders_(std::move(folders)) {}

DriverLibrary DlDriverLoader::Load(std::string_view file_name) {
  void* module = OpenLibrary(folders_, file_name);
  return module ? ResolveAll(module) : DriverLibrary{};
}

void DlDriverLoader::Unload(DriverLibrary& library) {
  if (library.module != nullptr) dlclose(library.module);
  library = DriverLibrary{};
}

}  // namespace melko
