#include "support/x_server.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "support/child_process.h"

namespace melko::testing {

XServer::XServer(const std::filesystem::path& log_file) {
  if (access(kXvfbProgram, X_OK) != 0) {
    throw std::runtime_error("Xvfb is not installed (scripts/deps installs it)");
  }
  int number_pipe[2];
  if (pipe2(number_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  // Xvfb writes the display number it took to the pipe.
  std::vector<std::string> args = {kXvfbProgram, "-displayfd", std::to_string(number_pipe[1]),
                                   "-noreset",   "-nolisten",  "tcp",
                                   "-screen",    "0",          "1280x1024x24"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const int log = open(log_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
    fcntl(number_pipe[1], F_SETFD, 0);
    dup2(log, 1);
    dup2(log, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(number_pipe[1]);
  close(log);
  LineReader reader(number_pipe[0]);
  const std::optional<std::string> number = reader.ReadLine(10000);
  close(number_pipe[0]);
  if (!number || number->empty()) {
    Stop();
    throw std::runtime_error("Xvfb did not start; its output is in " + log_file.string());
  }
  display_ = ":" + *number;
}

void XServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  for (int waited_ms = 0; waitpid(pid_, nullptr, WNOHANG) == 0; waited_ms += 10) {
    if (waited_ms == 5000) kill(pid_, SIGKILL);
    usleep(10000);
  }
  pid_ = -1;
}

bool RunXdotool(const std::vector<std::string>& arguments, const std::filesystem::path& log_file) {
  std::vector<std::string> argv = {kXdotoolProgram};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  ChildProcess xdotool(argv, log_file);
  xdotool.CloseInput();
  return xdotool.WaitExit(10000) == 0;
}

}  // namespace melko::testing
