#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <thread>

#include "support/test_support.h"

extern char** environ;

namespace melko::testing {
namespace {

using Clock = std::chrono::steady_clock;

// This process's environment with `changes` made: NAME=VALUE entries, ready for execve.
std::vector<std::string> Environment(const std::map<std::string, std::string>& changes) {
  std::vector<std::string> entries;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (!changes.contains(text.substr(0, text.find('=')))) entries.push_back(text);
  }
  for (const auto& [name, value] : changes) {
    if (!value.empty()) entries.push_back(name + "=" + value);
  }
  return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Waits for one descriptor to become readable; false on timeout.
bool WaitReadable(int fd, int timeout_ms) {
  pollfd entry{fd, POLLIN, 0};
  int result;
  do {
    result = ::poll(&entry, 1, timeout_ms);
  } while (result < 0 && errno == EINTR);
  return result > 0;
}

}  // namespace

bool LineReader::Fill(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  if (ended_ || !WaitReadable(fd_, int(std::max<long>(left.count(), 0)))) return false;
  char chunk[4096];
  const ssize_t count = ::read(fd_, chunk, sizeof chunk);
  if (count <= 0) {
    ended_ = true;
    return false;
  }
  buffer_.append(chunk, std::size_t(count));
  return true;
}

bool LineReader::WaitForEnd(int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (Fill(deadline)) buffer_.clear();
  return ended_;
}

std::optional<std::string> LineReader::ReadLine(int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const std::size_t newline = buffer_.find('\n');
    if (newline != std::string::npos) {
      std::string line = buffer_.substr(0, newline);
      buffer_.erase(0, newline + 1);
      return line;
    }
    if (!Fill(deadline)) return std::nullopt;
  }
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::filesystem::path& error_file,
                           const std::map<std::string, std::string>& env) {
  // Everything the child needs is made before fork: other threads may hold the allocator.
  std::vector<std::string> args = argv;
  std::vector<std::string> environment = Environment(env);
  std::vector<char*> arg_pointers = Pointers(args);
  std::vector<char*> env_pointers = Pointers(environment);
  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  const int errors = ::open(error_file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  const pid_t parent = ::getpid();
  pid_ = ::fork();
  if (pid_ == 0) {
    // Ended with the tests, should they die without stopping it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(1);
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    ::dup2(errors, 2);
    ::execve(arg_pointers[0], arg_pointers.data(), env_pointers.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  ::close(errors);
  input_ = in[1];
  output_ = LineReader(out[0]);
  pidfd_ = int(::syscall(SYS_pidfd_open, pid_, 0));
}

ChildProcess::~ChildProcess() {
  if (running()) Stop();
  if (input_ >= 0) ::close(input_);
  if (output_.fd() >= 0) ::close(output_.fd());
  if (pidfd_ >= 0) ::close(pidfd_);
}

void ChildProcess::CloseInput() {
  if (input_ >= 0) ::close(input_);
  input_ = -1;
}

std::string ChildProcess::Ask(std::string_view line) {
  const std::string text = std::string(line) + "\n";
  // A child that is gone must not take the test with it.
  ::signal(SIGPIPE, SIG_IGN);
  [[maybe_unused]] const ssize_t written = ::write(input_, text.data(), text.size());
  return output_.ReadLine().value_or("(no answer)");
}

std::optional<int> ChildProcess::WaitExit(int timeout_ms) {
  if (status_) return status_;
  if (pid_ <= 0 || !WaitReadable(pidfd_, timeout_ms)) return std::nullopt;
  int status = 0;
  ::waitpid(pid_, &status, 0);
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return status_;
}

int ChildProcess::Stop(int timeout_ms) {
  if (!running()) return status_.value_or(-1);
  ::kill(pid_, SIGTERM);
  if (auto status = WaitExit(timeout_ms)) return *status;
  ::kill(pid_, SIGKILL);
  return WaitExit(timeout_ms).value_or(-1);
}

bool Await(const std::function<bool()>& done, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done() && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return done();
}

ProgramRun RunProgram(const std::vector<std::string>& argv,
                      const std::map<std::string, std::string>& env, int timeout_ms) {
  TempDir scratch;
  ProgramRun run;
  {
    ChildProcess child(argv, scratch / "err", env);
    child.CloseInput();
    while (auto line = child.output().ReadLine(timeout_ms)) run.out += *line + "\n";
    run.exit_code = child.WaitExit(timeout_ms).value_or(-1);
  }
  run.err = ReadText(scratch / "err");
  return run;
}

}  // namespace melko::testing
