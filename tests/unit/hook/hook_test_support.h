// Helpers for the Hook.so tests: the built library loaded by name, a message target that records
// what it posts, a private X server and the event source that drives it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "platform/hook_abi.h"

namespace melko::testing {

// The names a 64-bit ELF shared object defines in its dynamic symbol table.
std::set<std::string> ExportedNames(const std::filesystem::path& file);

// build/bin/Hook.so with its seven entry points resolved; unloaded at the end.
class LoadedHook {
 public:
  LoadedHook();
  ~LoadedHook();
  LoadedHook(const LoadedHook&) = delete;
  LoadedHook& operator=(const LoadedHook&) = delete;
  bool complete() const;

  MelkoInstallMouseHook installmousehook = nullptr;
  MelkoRemoveMouseHook removemousehook = nullptr;
  MelkoEnableMouseHook enablemousehook = nullptr;
  MelkoInstallHook installhook = nullptr;
  MelkoRemoveHook removehook = nullptr;
  MelkoEnableHook enablehook = nullptr;
  MelkoMouseWheelEnable mousewheelenable = nullptr;

 private:
  void* module_ = nullptr;
};

struct HookEvent {
  std::uintptr_t wparam;
  std::intptr_t lparam;
  bool operator==(const HookEvent&) const = default;
  friend void PrintTo(const HookEvent& event, std::ostream* out) {
    *out << "{" << event.wparam << ", " << event.lparam << "}";
  }
};

// A MessageTarget that keeps the hook messages posted to it; any other message fails the test.
class HookRecorder {
 public:
  HookRecorder() : target_{this, &HookRecorder::Post} {}
  HookRecorder(const HookRecorder&) = delete;
  HookRecorder& operator=(const HookRecorder&) = delete;

  MessageTarget* target() { return &target_; }
  // Waits until at least `count` events are in, then hands over all that are and forgets them.
  std::vector<HookEvent> Take(std::size_t count,
                              std::chrono::milliseconds timeout = std::chrono::seconds(5));
  std::size_t size();

 private:
  static void Post(void* context, std::uint32_t message, std::uintptr_t wparam,
                   std::intptr_t lparam);

  MessageTarget target_;
  std::mutex mutex_;
  std::condition_variable posted_;
  std::vector<HookEvent> events_;
};

// Xvfb on a display number it picks itself, killed when this ends (or this process dies).
class XvfbServer {
 public:
  // Throws std::runtime_error with the reason when the server cannot start.
  explicit XvfbServer(const std::filesystem::path& log_file);
  ~XvfbServer() { Stop(); }
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;
  const std::string& display() const { return display_; }

 private:
  void Stop();

  pid_t pid_ = -1;
  std::string display_;
};

// Where Debian's xvfb and xdotool packages put the programs.
inline constexpr char kXvfbProgram[] = "/usr/bin/Xvfb";
inline constexpr char kXdotoolProgram[] = "/usr/bin/xdotool";

// Runs xdotool with these arguments on $DISPLAY; false when it fails.
bool RunXdotool(const std::vector<std::string>& arguments, const std::filesystem::path& log_file);

}  // namespace melko::testing
