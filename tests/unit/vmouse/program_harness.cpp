#include "unit/vmouse/program_harness.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace melko::vmouse::test {

std::string VmouseBinary() {
  return std::string(MELKO_BIN_DIR) + "/melko-vmouse";
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
