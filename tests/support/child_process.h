// Child processes for the tests that run the real programs: standard input and output on pipes,
// errors in a file, and a timeout on every wait.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace melko::testing {

inline constexpr int kChildWaitMs = 5000;

// Lines from a file descriptor, each read bounded by a timeout.
class LineReader {
 public:
  explicit LineReader(int fd = -1) : fd_(fd) {}
  // The next line without its newline; nothing on timeout or end of input.
  std::optional<std::string> ReadLine(int timeout_ms = kChildWaitMs);
  // True when the other end closes within the timeout (lines before that are skipped).
  bool WaitForEnd(int timeout_ms = kChildWaitMs);
  int fd() const { return fd_; }

 private:
  // Reads once when data comes before the deadline; false on timeout or end of input.
  bool Fill(std::chrono::steady_clock::time_point deadline);
  int fd_;
  std::string buffer_;
  bool ended_ = false;
};

// A child process, killed should this process die first; `env` is added to this process's
// environment (an empty value removes the variable).
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& error_file,
               const std::map<std::string, std::string>& env = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // A line on standard input and the next line of standard output.
  std::string Ask(std::string_view line);
  void CloseInput();
  LineReader& output() { return output_; }

  // The exit status when the child ends within the timeout (-1 when a signal ended it).
  std::optional<int> WaitExit(int timeout_ms = kChildWaitMs);
  // SIGTERM, then SIGKILL when it does not end in time; the exit status.
  int Stop(int timeout_ms = kChildWaitMs);
  bool running() const { return pid_ > 0 && !status_; }
  pid_t pid() const { return pid_; }
  // Readable once the child has ended (a pidfd), for poll.
  int exit_fd() const { return pidfd_; }

 private:
  pid_t pid_ = -1;
  int pidfd_ = -1;
  int input_ = -1;
  LineReader output_;
  std::optional<int> status_;
};

// A program run to its end with its standard input closed: the exit status (-1 after a signal or
// a timeout), what it wrote to standard output (whole lines) and to standard error.
struct ProgramRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};
// Polls every 20 ms until done() holds, for at most timeout_ms; done()'s last answer.
bool Await(const std::function<bool()>& done, int timeout_ms = 20000);

ProgramRun RunProgram(const std::vector<std::string>& argv,
                      const std::map<std::string, std::string>& env = {}, int timeout_ms = 60000);

}  // namespace melko::testing
