#include "unit/vmouse/program_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace melko::vmouse::test {
namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? int(left.count()) : 0;
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

std::string VmouseBinary() {
  return std::string(MELKO_BIN_DIR) + "/melko-vmouse";
}

bool LineReader::Fill(Clock::time_point deadline) {
  if (ended_ || !WaitReadable(fd_, MsLeft(deadline))) return false;
  char chunk[4096];
  const ssize_t count = ::read(fd_, chunk, sizeof chunk);
  if (count <= 0) {
    ended_ = true;
    return false;
  }
  buffer_.append(chunk, std::size_t(count));
  return true;
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

bool LineReader::WaitForEnd(int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (Fill(deadline)) buffer_.clear();
  return ended_;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::filesystem::path& error_file) {
  // Everything the child needs is made before fork: other threads may hold the allocator.
  std::vector<std::string> args = argv;
  std::vector<char*> pointers;
  for (auto& arg : args) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  const int errors = ::open(error_file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    ::dup2(errors, 2);
    ::execv(pointers[0], pointers.data());
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

void ChildProcess::WriteLine(std::string_view line) {
  const std::string text = std::string(line) + "\n";
  [[maybe_unused]] const ssize_t written = ::write(input_, text.data(), text.size());
}

void ChildProcess::CloseInput() {
  if (input_ >= 0) ::close(input_);
  input_ = -1;
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

LineSocket::LineSocket(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return;
  }
  fd_ = fd;
  reader_ = LineReader(fd);
}

LineSocket::~LineSocket() {
  if (fd_ >= 0) ::close(fd_);
}

void LineSocket::SendRaw(std::string_view bytes) {
  [[maybe_unused]] const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

std::string LineSocket::Ask(std::string_view line) {
  Send(line);
  return ReadLine().value_or("(no answer)");
}

PrivateBus::PrivateBus(const std::filesystem::path& folder)
    : daemon_({"/usr/bin/dbus-daemon", "--session", "--print-address=1", "--nofork"},
              folder / "dbus-daemon.err") {
  address_ = daemon_.output().ReadLine().value_or("");
}

VmouseProcess::VmouseProcess(const std::vector<std::string>& options, const std::string& bus) {
  std::vector<std::string> argv{VmouseBinary(), "--socket", socket_path(), "--log", log_path()};
  if (!bus.empty()) argv.insert(argv.end(), {"--bluez-bus", bus});
  argv.insert(argv.end(), options.begin(), options.end());
  process_ = std::make_unique<ChildProcess>(argv, folder() / "vmouse.err");
  if (!Command("state").starts_with("{"))
    ADD_FAILURE() << "melko-vmouse did not start: " << errors();
}

VmouseProcess::~VmouseProcess() {
  EXPECT_EQ(process_->Stop(), 0) << errors();
}

std::string VmouseProcess::Command(std::string_view line) {
  process_->WriteLine(line);
  return process_->output().ReadLine().value_or("(no answer)");
}

std::unique_ptr<LineSocket> VmouseProcess::Library(std::string_view link) {
  auto socket = std::make_unique<LineSocket>(socket_path());
  if (socket->connected() && socket->Ask("hello " + std::string(link)) == "ok") return socket;
  return nullptr;
}

std::vector<std::string> VmouseProcess::LogLines() const {
  std::ifstream in(log_path());
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string VmouseProcess::errors() const {
  std::ifstream in(folder() / "vmouse.err");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

CtlResult RunCtl(const std::string& socket_path, const std::vector<std::string>& args) {
  std::vector<std::string> argv{VmouseBinary(), "ctl", "--socket", socket_path};
  argv.insert(argv.end(), args.begin(), args.end());
  melko::testing::TempDir scratch;
  ChildProcess ctl(argv, scratch / "ctl.err");
  CtlResult result;
  while (auto line = ctl.output().ReadLine()) result.out += *line + "\n";
  result.exit_code = ctl.WaitExit().value_or(-1);
  return result;
}

}  // namespace melko::vmouse::test
