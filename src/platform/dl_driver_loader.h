// Loads the driver libraries with dlopen: from the running program's folder first, then from the
// installed private library folder (common/install_paths.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "device/driver_library.h"

namespace melko {

class DlDriverLoader final : public DriverLoader {
 public:
  // The program's folder, then the installed library folder.
  DlDriverLoader();
  // The given folders, in order.
  explicit DlDriverLoader(std::vector<std::string> folders);

  // The first folder whose file loads is used; a library lacking any of the seven names is
  // closed again and gives an empty DriverLibrary.
  DriverLibrary Load(std::string_view file_name) override;
  void Unload(DriverLibrary& library) override;

 private:
  std::vector<std::string> folders_;
};

}  // namespace melko
