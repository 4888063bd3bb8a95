// Times a program's start-up to its first window, then reads its memory.
//
//   melko_map_timer [--size WxH] [--timeout S] [--settle S] [--line TEXT] [--] COMMAND [ARG...]
//
// Watches the root window of $DISPLAY for MapNotify, starts COMMAND, and waits for the first
// top-level window of COMMAND's process that maps at WxH (default 800x572; windows of other
// sizes, override-redirect windows and windows whose _NET_WM_PID names another process are
// ignored). Then waits S seconds (--settle, default 3), reads the process's VmRSS, ends it
// (SIGTERM to its process group, SIGKILL 2 s later) and prints one line:
//
//   map_ms=41.3 cpu_ms=30.2 rss_kib=25600
//
// map_ms counts from just before the fork to the MapNotify; cpu_ms is the time the program's
// threads ran on a CPU until then (-1 when unreadable); rss_kib is the program's own resident
// memory, without any children. With --line, the program's output goes through a pipe (and on to
// our standard error) and the timer also waits for the first line that contains TEXT, noted on
// arrival (line_ms=..., between the two figures); the memory is read once both have come. COMMAND
// must exec the program itself (env is fine, a shell that forks is not). Exit status: 0 measured, 1
// failed (reason on stderr), 2 bad arguments, 128 + signal when interrupted.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Options {
  int width = 800;
  int height = 572;
  double timeout_s = 20;
  double settle_s = 3;
  const char* line = nullptr;
  char** command = nullptr;
};

double NowMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

int Usage() {
  std::fprintf(stderr,
               "usage: melko_map_timer [--size WxH] [--timeout S] [--settle S] [--line TEXT] [--] "
               "COMMAND [ARG...]\n");
  return 2;
}

bool ParseSeconds(const char* text, double* seconds) {
  char* end = nullptr;
  *seconds = std::strtod(text, &end);
  return end != text && *end == '\0' && *seconds >= 0;
}

bool ParseOptions(int argc, char** argv, Options* options) {
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; ++i) {
    const char* option = argv[i];
    if (std::strcmp(option, "--") == 0) {
      ++i;
      break;
    }
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    if (std::strcmp(option, "--size") == 0) {
      char tail = 0;
      if (std::sscanf(value, "%dx%d%c", &options->width, &options->height, &tail) != 2 ||
          options->width <= 0 || options->height <= 0) {
        return false;
      }
    } else if (std::strcmp(option, "--timeout") == 0) {
      if (!ParseSeconds(value, &options->timeout_s)) return false;
    } else if (std::strcmp(option, "--settle") == 0) {
      if (!ParseSeconds(value, &options->settle_s)) return false;
    } else if (std::strcmp(option, "--line") == 0) {
      if (*value == '\0') return false;
      options->line = value;
    } else {
      return false;
    }
  }
  if (i >= argc) return false;
  options->command = argv + i;
  return true;
}

// A window can be gone by the time we ask about it; the failed request answers for itself.
int IgnoreXError(Display*, XErrorEvent*) {
  return 0;
}

// The process that says it owns the window (_NET_WM_PID), or 0 when the window does not say.
long WindowPid(Display* display, Window window, Atom net_wm_pid) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  long pid = 0;
  if (XGetWindowProperty(display, window, net_wm_pid, 0, 1, False, XA_CARDINAL, &type, &format,
                         &count, &after, &data) == Success &&
      data != nullptr) {
    if (type == XA_CARDINAL && format == 32 && count == 1) {
      pid = *reinterpret_cast<long*>(data);
    }
    XFree(data);
  }
  return pid;
}

// The time all threads of the process have run on a CPU so far (/proc/PID/task/*/schedstat), in
// ms: unlike the time to the map, it hardly depends on what else the machine runs. -1 when
// unreadable.
double CpuMs(pid_t pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/task", static_cast<int>(pid));
  DIR* tasks = opendir(path);
  if (tasks == nullptr) return -1;
  double ns = 0;
  while (const dirent* task = readdir(tasks)) {
    if (task->d_name[0] == '.') continue;
    const std::string stat_path = std::string(path) + "/" + task->d_name + "/schedstat";
    FILE* stat = std::fopen(stat_path.c_str(), "r");
    if (stat == nullptr) continue;  // a thread that just ended
    unsigned long long run_ns = 0;
    if (std::fscanf(stat, "%llu", &run_ns) == 1) ns += static_cast<double>(run_ns);
    std::fclose(stat);
  }
  closedir(tasks);
  return ns / 1e6;
}

long ResidentKib(pid_t pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/status", static_cast<int>(pid));
  FILE* status = std::fopen(path, "r");
  if (status == nullptr) return -1;
  char line[256];
  long kib = -1;
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::sscanf(line, "VmRSS: %ld kB", &kib) == 1) break;
  }
  std::fclose(status);
  return kib;
}

// Waits on the signal descriptor until the deadline. Returns 0 when the deadline passed, -1 when
// the child exited (reaped), or the number of SIGINT, SIGTERM or SIGHUP when one came.
int WaitSignals(int signal_fd, pid_t child, double deadline_ms) {
  for (;;) {
    const double left_ms = deadline_ms - NowMs();
    pollfd fd = {signal_fd, POLLIN, 0};
    const int ready = poll(&fd, 1, left_ms > 0 ? static_cast<int>(left_ms) + 1 : 0);
    if (ready == 0 && NowMs() >= deadline_ms) return 0;
    if (ready <= 0) continue;
    signalfd_siginfo info;
    if (read(signal_fd, &info, sizeof info) != sizeof info) continue;
    if (info.ssi_signo != SIGCHLD) return static_cast<int>(info.ssi_signo);
    if (waitpid(child, nullptr, WNOHANG) == child) return -1;
  }
}

void EndChild(int signal_fd, pid_t child) {
  if (kill(-child, SIGTERM) != 0) kill(child, SIGTERM);
  for (;;) {
    const int woke = WaitSignals(signal_fd, child, NowMs() + 2000);
    if (woke == -1) return;
    if (woke == 0) break;
  }
  if (kill(-child, SIGKILL) != 0) kill(child, SIGKILL);
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// The program's output as it arrives: passed on to our standard error, with the time of the first
// line that holds the text.
struct LineWatch {
  int fd = -1;  // the read end of the program's output, -1 once it is closed
  const char* text = nullptr;
  std::string partial;
  double seen_ms = -1;
};

void ReadLines(LineWatch* watch) {
  char buffer[4096];
  const ssize_t got = read(watch->fd, buffer, sizeof buffer);
  if (got < 0 && errno == EINTR) return;
  if (got <= 0) {
    close(watch->fd);
    watch->fd = -1;
    return;
  }
  const double now_ms = NowMs();
  (void)!write(2, buffer, static_cast<size_t>(got));
  watch->partial.append(buffer, static_cast<size_t>(got));
  for (size_t end; (end = watch->partial.find('\n')) != std::string::npos;) {
    if (watch->seen_ms < 0 && watch->partial.substr(0, end).find(watch->text) != std::string::npos)
      watch->seen_ms = now_ms;
    watch->partial.erase(0, end + 1);
  }
}

// Starts the command in a process group of its own, with standard input from /dev/null and its
// standard output and error on output_fd (our standard error when -1), so that our standard
// output holds only the figures. The child dies with us. Returns its pid, or -1 (reason printed)
// when it could not be started.
pid_t Start(char** command, const sigset_t& old_mask, int output_fd) {
  int exec_pipe[2];
  if (pipe2(exec_pipe, O_CLOEXEC) != 0) {
    std::perror("melko_map_timer: pipe");
    return -1;
  }
  const pid_t parent = getpid();
  const pid_t child = fork();
  if (child < 0) {
    std::perror("melko_map_timer: fork");
    return -1;
  }
  if (child == 0) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    sigprocmask(SIG_SETMASK, &old_mask, nullptr);
    const int null_fd = open("/dev/null", O_RDONLY);
    if (null_fd >= 0) dup2(null_fd, 0);
    if (output_fd >= 0) dup2(output_fd, 2);
    dup2(2, 1);
    execvp(command[0], command);
    const int error = errno;
    (void)!write(exec_pipe[1], &error, sizeof error);
    _exit(127);
  }
  setpgid(child, child);
  close(exec_pipe[1]);
  int error = 0;
  ssize_t got;
  while ((got = read(exec_pipe[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  close(exec_pipe[0]);
  if (got == sizeof error) {
    std::fprintf(stderr, "melko_map_timer: cannot run %s: %s\n", command[0], std::strerror(error));
    waitpid(child, nullptr, 0);
    return -1;
  }
  return child;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) return Usage();

  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "melko_map_timer: cannot open display %s\n", XDisplayName(nullptr));
    return 1;
  }
  XSetErrorHandler(IgnoreXError);
  fcntl(ConnectionNumber(display), F_SETFD, FD_CLOEXEC);
  const Window root = DefaultRootWindow(display);
  const Atom net_wm_pid = XInternAtom(display, "_NET_WM_PID", False);
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, False);

  // Signals arrive on a descriptor, so that one poll waits for the window, the child and Ctrl+C.
  sigset_t signals;
  sigset_t old_mask;
  sigemptyset(&signals);
  sigaddset(&signals, SIGCHLD);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  sigprocmask(SIG_BLOCK, &signals, &old_mask);
  const int signal_fd = signalfd(-1, &signals, SFD_CLOEXEC);
  if (signal_fd < 0) {
    std::perror("melko_map_timer: signalfd");
    return 1;
  }

  LineWatch watch;
  int output_pipe[2] = {-1, -1};
  if (options.line != nullptr) {
    if (pipe2(output_pipe, O_CLOEXEC) != 0) {
      std::perror("melko_map_timer: pipe");
      return 1;
    }
    watch.fd = output_pipe[0];
    watch.text = options.line;
  }

  const double started_ms = NowMs();
  const pid_t child = Start(options.command, old_mask, output_pipe[1]);
  if (output_pipe[1] >= 0) close(output_pipe[1]);
  if (child < 0) return 1;

  // One loop waits for the window, the line and the settling time, whichever are still to come.
  const double deadline_ms = started_ms + options.timeout_s * 1e3;
  double mapped_ms = -1;
  double cpu_ms = -1;
  for (;;) {
    while (mapped_ms < 0 && XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type != MapNotify || event.xmap.event != root || event.xmap.override_redirect) {
        continue;
      }
      const double now_ms = NowMs();
      XWindowAttributes attributes;
      if (XGetWindowAttributes(display, event.xmap.window, &attributes) == 0 ||
          attributes.width != options.width || attributes.height != options.height) {
        continue;
      }
      const long owner = WindowPid(display, event.xmap.window, net_wm_pid);
      if (owner != 0 && owner != child) continue;
      mapped_ms = now_ms;
      cpu_ms = CpuMs(child);
    }
    const bool line_pending = options.line != nullptr && watch.seen_ms < 0;
    const double now_ms = NowMs();
    if (mapped_ms >= 0 && !line_pending && now_ms >= mapped_ms + options.settle_s * 1e3) break;
    if ((mapped_ms < 0 || line_pending) && now_ms >= deadline_ms) {
      if (mapped_ms < 0) {
        std::fprintf(stderr, "melko_map_timer: no %dx%d window of %s mapped within %g s\n",
                     options.width, options.height, options.command[0], options.timeout_s);
      } else {
        std::fprintf(stderr, "melko_map_timer: %s wrote no line with \"%s\" within %g s\n",
                     options.command[0], options.line, options.timeout_s);
      }
      EndChild(signal_fd, child);
      return 1;
    }
    const double wake_ms =
        mapped_ms < 0 || line_pending ? deadline_ms : mapped_ms + options.settle_s * 1e3;
    pollfd fds[3] = {{mapped_ms < 0 ? ConnectionNumber(display) : -1, POLLIN, 0},
                     {signal_fd, POLLIN, 0},
                     {watch.fd, POLLIN, 0}};
    if (poll(fds, 3, static_cast<int>(wake_ms - now_ms) + 1) < 0 && errno != EINTR) {
      std::perror("melko_map_timer: poll");
      EndChild(signal_fd, child);
      return 1;
    }
    if (fds[0].revents & (POLLERR | POLLHUP)) {
      std::fprintf(stderr, "melko_map_timer: lost the X connection\n");
      EndChild(signal_fd, child);
      return 1;
    }
    if (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) ReadLines(&watch);
    if (fds[1].revents & POLLIN) {
      const int woke = WaitSignals(signal_fd, child, NowMs());
      if (woke == -1) {
        std::fprintf(stderr, "melko_map_timer: %s exited before it was measured\n",
                     options.command[0]);
        return 1;
      }
      if (woke > 0) {
        EndChild(signal_fd, child);
        return 128 + woke;
      }
    }
  }
  XCloseDisplay(display);
  const long rss_kib = ResidentKib(child);
  EndChild(signal_fd, child);
  if (rss_kib < 0) {
    std::fprintf(stderr, "melko_map_timer: cannot read the memory of %s\n", options.command[0]);
    return 1;
  }
  std::printf("map_ms=%.1f cpu_ms=%.1f", mapped_ms - started_ms, cpu_ms);
  if (options.line != nullptr) std::printf(" line_ms=%.1f", watch.seen_ms - started_ms);
  std::printf(" rss_kib=%ld\n", rss_kib);
  return 0;
}
