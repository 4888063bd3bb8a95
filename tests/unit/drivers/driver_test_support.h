// Helpers for the driver-library tests: the built libraries loaded through the program's own
// loader, and a scripted stand-in for melko-vmouse's library socket.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "device/driver_library.h"
#include "platform/dl_driver_loader.h"
#include "platform/driver_abi.h"
#include "support/plugin_support.h"
#include "support/test_support.h"

namespace melko::testing {

inline constexpr std::uint32_t kDataMessage = 1539;
inline constexpr std::uint32_t kConnectMessage = 1540;

// One built driver library, loaded from the build's bin folder and closed again at the end.
class LoadedDriver {
 public:
  explicit LoadedDriver(const char* file_name)
      : loader_({MELKO_BIN_DIR}), library_(loader_.Load(file_name)) {}
  LoadedDriver(const LoadedDriver&) = delete;
  LoadedDriver& operator=(const LoadedDriver&) = delete;
  ~LoadedDriver() {
    if (library_.usable()) {
      library_.close_feature_device();
      library_.close_dev_monitor();
    }
    loader_.Unload(library_);
  }
  const DriverLibrary* operator->() const { return &library_; }

 private:
  DlDriverLoader loader_;
  DriverLibrary library_;
};

// A stand-in for melko-vmouse's library socket: serves one connection at a time, records the
// lines it receives and answers each through a script.
class FakeMouseServer {
 public:
  // The lines to send back for one received line (none: no answer).
  using Script = std::function<std::vector<std::string>(const std::string& line)>;

  // A mouse whose device is there (`present`) or not, answering every request at once.
  static Script Answering(bool present) {
    return [present](const std::string& line) -> std::vector<std::string> {
      if (line.starts_with("hello ")) return {"ok"};
      if (line == "open") return {present ? "open 1" : "open 0"};
      if (line.starts_with("feature ")) return {present ? "result 1" : "result 0"};
      return {};
    };
  }

  explicit FakeMouseServer(Script script = Answering(true)) : script_(std::move(script)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path_.copy(address.sun_path, sizeof address.sun_path - 1);
    if (bind(listen_fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(listen_fd_, 4) != 0) {
      throw std::runtime_error("fake mouse socket");
    }
    thread_ = std::thread([this] { Run(); });
  }
  FakeMouseServer(const FakeMouseServer&) = delete;
  FakeMouseServer& operator=(const FakeMouseServer&) = delete;
  ~FakeMouseServer() {
    shutdown(listen_fd_, SHUT_RDWR);  // ends the wait for a connection
    {
      std::lock_guard lock(mutex_);
      if (client_fd_ >= 0) shutdown(client_fd_, SHUT_RDWR);
    }
    thread_.join();
    close(listen_fd_);
  }

  const std::string& path() const { return path_; }
  std::vector<std::string> lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  // Raw bytes to the current client (include the '\n').
  void Send(const std::string& bytes) {
    std::lock_guard lock(mutex_);
    if (client_fd_ >= 0) {
      [[maybe_unused]] const ssize_t n = send(client_fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
  }

 private:
  void Run() {
    for (int client; (client = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
      {
        std::lock_guard lock(mutex_);
        client_fd_ = client;
      }
      std::string pending;
      char buffer[8192];
      for (ssize_t n; (n = recv(client, buffer, sizeof buffer, 0)) > 0;) {
        std::lock_guard lock(mutex_);
        pending.append(buffer, std::size_t(n));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
          lines_.push_back(pending.substr(0, end));
          pending.erase(0, end + 1);
          for (const std::string& answer : script_(lines_.back())) {
            const std::string line = answer + '\n';
            [[maybe_unused]] const ssize_t sent =
                send(client, line.data(), line.size(), MSG_NOSIGNAL);
          }
        }
      }
      std::lock_guard lock(mutex_);
      close(client);
      client_fd_ = -1;
    }
  }

  Script script_;
  TempDir folder_;
  std::string path_ = (folder_ / "mouse.sock").string();
  int listen_fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  std::thread thread_;

  std::mutex mutex_;
  int client_fd_ = -1;
  std::vector<std::string> lines_;
};

}  // namespace melko::testing
