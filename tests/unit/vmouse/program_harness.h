// Runs the real melko-vmouse (and a private D-Bus daemon) as child processes and talks to them
// through pipes and Unix sockets, with a timeout on every wait.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/child_process.h"
#include "support/test_support.h"

namespace melko::vmouse::test {

inline constexpr int kWaitMs = 3000;

using ::melko::testing::ChildProcess;
using ::melko::testing::LineReader;

// One client connection to a Unix stream socket, line by line.
class LineSocket {
 public:
  explicit LineSocket(const std::string& path);
  ~LineSocket();
  LineSocket(const LineSocket&) = delete;
  LineSocket& operator=(const LineSocket&) = delete;

  bool connected() const { return fd_ >= 0; }
  void Send(std::string_view line) { SendRaw(std::string(line) + "\n"); }
  void SendRaw(std::string_view bytes);
  std::optional<std::string> ReadLine(int timeout_ms = kWaitMs) {
    return reader_.ReadLine(timeout_ms);
  }
  // Sends a request and returns its answer.
  std::string Ask(std::string_view line);
  bool WaitForClose(int timeout_ms = kWaitMs) { return reader_.WaitForEnd(timeout_ms); }

 private:
  int fd_ = -1;
  LineReader reader_;
};

// A D-Bus daemon of our own, standing in for the system bus.
class PrivateBus {
 public:
  explicit PrivateBus(const std::filesystem::path& folder);
  const std::string& address() const { return address_; }

 private:
  ChildProcess daemon_;
  std::string address_;
};

// melko-vmouse running in a private folder: socket, control socket and log in that folder.
class VmouseProcess {
 public:
  // Waits until the program answers on standard input, so its sockets are ready.
  explicit VmouseProcess(const std::vector<std::string>& options, const std::string& bus = {});
  // Stops it and expects a clean exit.
  ~VmouseProcess();

  const std::filesystem::path& folder() const { return folder_.path(); }
  std::string socket_path() const { return (folder() / "mouse").string(); }
  std::string log_path() const { return (folder() / "writes.log").string(); }

  // A command on standard input, and its answer.
  std::string Command(std::string_view line);
  // A library connection that has said hello (wired or receiver).
  std::unique_ptr<LineSocket> Library(std::string_view link);
  std::vector<std::string> LogLines() const;
  ChildProcess& process() { return *process_; }
  std::string errors() const;

 private:
  melko::testing::TempDir folder_;
  std::unique_ptr<ChildProcess> process_;
};

struct CtlResult {
  int exit_code = -1;
  std::string out;
};

// melko-vmouse ctl --socket SOCKET ARGS...
CtlResult RunCtl(const std::string& socket_path, const std::vector<std::string>& args);

std::string VmouseBinary();

}  // namespace melko::vmouse::test
