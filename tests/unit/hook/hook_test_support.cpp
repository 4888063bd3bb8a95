#include "unit/hook/hook_test_support.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "support/child_process.h"

namespace melko::testing {

std::set<std::string> ExportedNames(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(stream), {}};
  const auto fits = [&](std::uint64_t offset, std::uint64_t size) {
    return offset <= bytes.size() && size <= bytes.size() - offset;
  };
  const auto read = [&]<typename T>(std::uint64_t offset, T& value) {
    if (!fits(offset, sizeof value)) return false;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return true;
  };
  std::set<std::string> names;
  Elf64_Ehdr header;
  if (!read(0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      header.e_ident[EI_CLASS] != ELFCLASS64) {
    return names;
  }
  for (std::uint64_t i = 0; i < header.e_shnum; ++i) {
    Elf64_Shdr symbols, strings;
    if (!read(header.e_shoff + i * sizeof symbols, symbols) || symbols.sh_type != SHT_DYNSYM ||
        !read(header.e_shoff + symbols.sh_link * sizeof strings, strings) ||
        !fits(strings.sh_offset, strings.sh_size)) {
      continue;
    }
    Elf64_Sym symbol;
    for (std::uint64_t at = 0; at + sizeof symbol <= symbols.sh_size; at += sizeof symbol) {
      if (!read(symbols.sh_offset + at, symbol)) break;
      const int binding = ELF64_ST_BIND(symbol.st_info);
      if (symbol.st_shndx == SHN_UNDEF || symbol.st_name == 0 ||
          symbol.st_name >= strings.sh_size || (binding != STB_GLOBAL && binding != STB_WEAK)) {
        continue;
      }
      const char* name = bytes.data() + strings.sh_offset + symbol.st_name;
      names.emplace(name, strnlen(name, strings.sh_size - symbol.st_name));
    }
  }
  return names;
}

LoadedHook::LoadedHook() {
  const std::string path = std::string(MELKO_BIN_DIR) + "/Hook.so";
  module_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module_ == nullptr) {
    ADD_FAILURE() << "cannot load " << path << ": " << dlerror();
    return;
  }
  const auto resolve = [&]<typename Function>(Function& function, const char* name) {
    function = reinterpret_cast<Function>(dlsym(module_, name));
  };
  resolve(installmousehook, MELKO_HOOK_INSTALL_MOUSE_HOOK);
  resolve(removemousehook, MELKO_HOOK_REMOVE_MOUSE_HOOK);
  resolve(enablemousehook, MELKO_HOOK_ENABLE_MOUSE_HOOK);
  resolve(installhook, MELKO_HOOK_INSTALL_HOOK);
  resolve(removehook, MELKO_HOOK_REMOVE_HOOK);
  resolve(enablehook, MELKO_HOOK_ENABLE_HOOK);
  resolve(mousewheelenable, MELKO_HOOK_MOUSE_WHEEL_ENABLE);
}

LoadedHook::~LoadedHook() {
  if (module_ != nullptr) dlclose(module_);
}

bool LoadedHook::complete() const {
  return installmousehook && removemousehook && enablemousehook && installhook && removehook &&
         enablehook && mousewheelenable;
}

std::vector<HookEvent> HookRecorder::Take(std::size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  posted_.wait_for(lock, timeout, [&] { return events_.size() >= count; });
  return std::exchange(events_, {});
}

std::size_t HookRecorder::size() {
  std::lock_guard lock(mutex_);
  return events_.size();
}

void HookRecorder::Post(void* context, std::uint32_t message, std::uintptr_t wparam,
                        std::intptr_t lparam) {
  EXPECT_EQ(message, MELKO_HOOK_MESSAGE);
  auto* self = static_cast<HookRecorder*>(context);
  {
    std::lock_guard lock(self->mutex_);
    self->events_.push_back({wparam, lparam});
  }
  self->posted_.notify_all();
}

XvfbServer::XvfbServer(const std::filesystem::path& log_file) {
  if (access(kXvfbProgram, X_OK) != 0) {
    throw std::runtime_error("Xvfb is not installed (scripts/deps installs it)");
  }
  int number_pipe[2];
  if (pipe2(number_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  // Xvfb takes the first free display number and writes it to the pipe.
  std::vector<std::string> args = {kXvfbProgram, "-displayfd", std::to_string(number_pipe[1]),
                                   "-noreset",   "-nolisten",  "tcp",
                                   "-screen",    "0",          "640x480x24"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const int log = open(log_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ == 0) {
    // The server goes with this process, however the tests end.
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

void XvfbServer::Stop() {
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
