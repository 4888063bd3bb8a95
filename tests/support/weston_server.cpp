#include "support/weston_server.h"

#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace melko::testing {

WestonServer::WestonServer(const std::filesystem::path& log_file) {
  if (access(kWestonProgram, X_OK) != 0) {
    throw std::runtime_error("weston is not installed (scripts/deps installs it)");
  }
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{kWestonProgram, "--backend=headless-backend.so",
                               "--socket=wayland-melko", "--idle-time=0"},
      log_file,
      std::map<std::string, std::string>{
          {"XDG_RUNTIME_DIR", runtime_.path().string()}, {"WAYLAND_DISPLAY", ""}, {"DISPLAY", ""}});
  process_->CloseInput();
  // weston says nothing on a pipe when it is ready; its socket appears then.
  for (int wait = 0; wait < 100 && !std::filesystem::exists(socket_path()); ++wait) {
    if (process_->WaitExit(0)) break;  // it ended: the log says why
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (!std::filesystem::exists(socket_path())) {
    throw std::runtime_error("weston did not start; its messages are in " + log_file.string());
  }
}

}  // namespace melko::testing
