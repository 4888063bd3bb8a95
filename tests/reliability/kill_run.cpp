#include "reliability/kill_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <thread>

extern char** environ;

namespace melko::testing {
namespace {

std::vector<std::string> EnvironmentWith(const std::map<std::string, std::string>& changes) {
  std::vector<std::string> result;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (!changes.contains(text.substr(0, text.find('=')))) result.push_back(text);
  }
  for (const auto& [name, value] : changes) {
    if (!value.empty()) result.push_back(name + "=" + value);
  }
  return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> result;
  for (std::string& text : texts) result.push_back(text.data());
  result.push_back(nullptr);
  return result;
}

// Counts the temporaries created in the inotify events read from fd.
int CountTemporaries(int fd) {
  alignas(inotify_event) char buffer[4096];
  int count = 0;
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) return count;
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->len > 0 && std::strstr(event->name, ".tmp-") != nullptr) ++count;
      at += ssize_t(sizeof(inotify_event) + event->len);
    }
  }
}

}  // namespace

KilledRun RunAndKill(const std::vector<std::string>& argv,
                     const std::map<std::string, std::string>& env,
                     const std::filesystem::path& watched_folder, KillMoment moment,
                     const std::filesystem::path& error_file) {
  KilledRun result;
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch >= 0) ::inotify_add_watch(watch, watched_folder.c_str(), IN_CREATE);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, error_file.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                   0644);
  std::vector<std::string> args = argv;
  std::vector<std::string> environment = EnvironmentWith(env);
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, args[0].c_str(), &actions, nullptr, Pointers(args).data(),
                                    Pointers(environment).data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    if (watch >= 0) ::close(watch);
    return result;
  }
  const int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));

  // Waits for the moment, or for the program's end, without spinning.
  const auto deadline =
      std::chrono::steady_clock::now() + (moment.on_temporary > 0
                                              ? std::chrono::microseconds(std::chrono::seconds(30))
                                              : moment.delay);
  int temporaries = 0;
  bool ended = false;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd fds[2] = {{pidfd, POLLIN, 0}, {watch, POLLIN, 0}};
    const timespec wait{time_t(left.count() / 1000000), long(left.count() % 1000000) * 1000};
    if (::ppoll(fds, moment.on_temporary > 0 ? 2 : 1, &wait, nullptr) < 0) continue;
    if (fds[0].revents != 0) {
      ended = true;
      break;
    }
    if (fds[1].revents != 0) {
      temporaries += CountTemporaries(watch);
      if (temporaries >= moment.on_temporary) {
        std::this_thread::sleep_for(moment.delay);
        break;
      }
    }
  }
  if (!ended) {
    result.timed_out = moment.on_temporary > 0 && temporaries < moment.on_temporary;
    result.killed = ::kill(pid, SIGKILL) == 0;
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  // A program that ended just before the kill ended by itself.
  if (WIFEXITED(status)) {
    result.killed = false;
    result.exit_code = WEXITSTATUS(status);
  }
  if (pidfd >= 0) ::close(pidfd);
  if (watch >= 0) ::close(watch);
  return result;
}

}  // namespace melko::testing
