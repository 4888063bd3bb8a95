// melko-vmouse as a child process, for the tests that run the real programs against it: its
// socket, control socket and write log in a private folder, commands on its standard input.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/child_process.h"
#include "support/test_support.h"

namespace melko::testing {

// One report the mouse received, as its write log records it.
struct LoggedWrite {
  std::int64_t t_ms = 0;
  std::string link;
  std::string hex;
};

class VmouseProcess {
 public:
  // Waits until the mouse answers on standard input, so that its sockets, and its mock BlueZ on
  // the D-Bus address `bus` when one is given, are ready.
  explicit VmouseProcess(const std::vector<std::string>& options, const std::string& bus = {});
  // Stops it and expects a clean exit.
  ~VmouseProcess();

  bool started() const { return started_; }
  const std::filesystem::path& folder() const { return folder_.path(); }
  std::string socket_path() const { return (folder() / "mouse").string(); }
  std::string log_path() const { return (folder() / "writes.log").string(); }

  // A command on standard input, and its answer.
  std::string Command(std::string_view line) { return process_->Ask(line); }
  std::vector<std::string> LogLines() const;
  std::vector<LoggedWrite> Writes() const;
  ChildProcess& process() { return *process_; }
  std::string errors() const { return ReadText(folder() / "vmouse.err"); }

 private:
  TempDir folder_;
  std::unique_ptr<ChildProcess> process_;
  bool started_ = false;
};

// melko-vmouse ctl --socket SOCKET ARGS...
ProgramRun RunCtl(const std::string& socket_path, const std::vector<std::string>& args);

}  // namespace melko::testing
