// Hook.so as the program loads it: its export list, its behaviour without an X server, and what it
// reports from a private Xvfb driven by xdotool.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "support/test_support.h"
#include "unit/hook/hook_test_support.h"

namespace melko::testing {
namespace {

using Events = std::vector<HookEvent>;
constexpr std::intptr_t kPress = 0;
constexpr std::intptr_t kRelease = 1;

// Sets an environment variable, or removes it with nullptr, until the scope ends.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnv() { old_ ? setenv(name_.c_str(), old_->c_str(), 1) : unsetenv(name_.c_str()); }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// This process's standard error goes to a file until the scope ends.
class CapturedStderr {
 public:
  explicit CapturedStderr(const std::filesystem::path& file) : saved_(dup(2)) {
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    dup2(fd, 2);
    close(fd);
  }
  ~CapturedStderr() {
    dup2(saved_, 2);
    close(saved_);
  }

 private:
  int saved_;
};

std::string ReadText(const std::filesystem::path& file) {
  std::ostringstream text;
  text << std::ifstream(file).rdbuf();
  return text.str();
}

TEST(HookLibrary, ExportsExactlyTheSevenEntryPoints) {
  const std::set<std::string> entry_points = {
      "installmousehook", "removemousehook", "enablemousehook", "installhook",
      "removehook",       "enablehook",      "mousewheelenable"};
  EXPECT_EQ(ExportedNames(MELKO_BIN_DIR "/Hook.so"), entry_points);
  EXPECT_TRUE(LoadedHook().complete());
}

TEST(HookLibrary, WithoutADisplayCapturesNothingAndSaysSoOnce) {
  const TempDir folder;
  const ScopedEnv display("DISPLAY", nullptr);
  HookRecorder recorder;
  LoadedHook hook;
  ASSERT_TRUE(hook.complete());
  {
    const CapturedStderr errors(folder / "stderr");
    hook.removehook();  // before any install
    for (int round = 0; round < 2; ++round) {
      hook.installmousehook();
      hook.installhook(recorder.target());
      hook.enablehook(1);
      hook.enablemousehook(1);
      hook.mousewheelenable(1);
      hook.removemousehook();
      hook.removehook();
    }
  }
  EXPECT_EQ(ReadText(folder / "stderr"),
            "Hook.so: no X display; desktop-wide key capture is off\n");
  EXPECT_EQ(recorder.size(), 0u);
}

// One Xvfb for the suite; each test installs the hook with keys on and removes it at the end.
class DesktopCapture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = std::make_unique<TempDir>();
    const std::filesystem::path runtime = *folder_ / "runtime";
    std::filesystem::create_directory(runtime);
    chmod(runtime.c_str(), 0700);
    try {
      server_ = std::make_unique<XvfbServer>(*folder_ / "xvfb.log");
    } catch (const std::exception& error) {
      start_error_ = error.what();
      return;
    }
    display_ = std::make_unique<ScopedEnv>("DISPLAY", server_->display().c_str());
    runtime_ = std::make_unique<ScopedEnv>("XDG_RUNTIME_DIR", runtime.c_str());
  }
  static void TearDownTestSuite() {
    runtime_.reset();
    display_.reset();
    server_.reset();
    folder_.reset();
  }

  void SetUp() override {
    ASSERT_TRUE(server_) << start_error_;
    ASSERT_EQ(access(kXdotoolProgram, X_OK), 0)
        << "xdotool is not installed (scripts/deps installs it)";
    ASSERT_TRUE(hook_->complete());
    hook_->installhook(recorder_.target());
    hook_->enablehook(1);
  }
  void TearDown() override {
    if (!hook_) return;
    hook_->removehook();
    hook_->enablehook(0);
    hook_->enablemousehook(0);
    hook_->mousewheelenable(0);
  }

  // Runs xdotool and then types "a" as a marker: the events before the marker's are exactly what
  // the arguments produced.
  void ExpectEvents(std::vector<std::string> arguments, Events expected) {
    const std::string what = ::testing::PrintToString(arguments);
    arguments.insert(arguments.end(), {"key", "a"});
    expected.insert(expected.end(), {{0x41, kPress}, {0x41, kRelease}});
    ASSERT_TRUE(RunXdotool(arguments, *folder_ / "xdotool.log")) << what;
    EXPECT_EQ(recorder_.Take(expected.size()), expected) << what;
  }

  static inline std::unique_ptr<TempDir> folder_;
  static inline std::unique_ptr<XvfbServer> server_;
  static inline std::string start_error_;
  static inline std::unique_ptr<ScopedEnv> display_;
  static inline std::unique_ptr<ScopedEnv> runtime_;
  std::optional<LoadedHook> hook_{std::in_place};
  HookRecorder recorder_;
};

TEST_F(DesktopCapture, KeysComeAsVirtualKeyCodes) {
  ExpectEvents({"key", "a"}, {{0x41, kPress}, {0x41, kRelease}});
  // xdotool lets go of the modifier before the key.
  ExpectEvents({"key", "shift+b"},
               {{0xA0, kPress}, {0x42, kPress}, {0xA0, kRelease}, {0x42, kRelease}});
  ExpectEvents({"key", "ctrl+Return"},
               {{0xA2, kPress}, {0x0D, kPress}, {0xA2, kRelease}, {0x0D, kRelease}});
  ExpectEvents({"key", "KP_Enter", "F5"},
               {{0x6C, kPress}, {0x6C, kRelease}, {0x74, kPress}, {0x74, kRelease}});
  // A key without a virtual-key code is left out.
  ExpectEvents({"key", "XF86AudioMute"}, {});

  hook_->enablehook(0);
  hook_->enablemousehook(1);
  ASSERT_TRUE(RunXdotool({"key", "b", "click", "1"}, *folder_ / "xdotool.log"));
  EXPECT_EQ(recorder_.Take(2), (Events{{513, 0}, {514, 0}}));
}

TEST_F(DesktopCapture, MouseButtonsOnlyWhileSwitchedOn) {
  ExpectEvents({"click", "1", "click", "3"}, {});
  hook_->enablemousehook(1);
  ExpectEvents({"click", "1"}, {{513, 0}, {514, 0}});
  ExpectEvents({"click", "3"}, {{516, 0}, {517, 0}});
  ExpectEvents({"click", "2"}, {{519, 0}, {520, 0}});
  // Forward is extra button 1, back extra button 2.
  ExpectEvents({"click", "9"}, {{523, 1}, {524, 1}});
  ExpectEvents({"click", "8"}, {{523, 2}, {524, 2}});
  // The wheel has a switch of its own.
  ExpectEvents({"click", "4"}, {});
  hook_->removemousehook();
  ExpectEvents({"click", "1"}, {});
}

TEST_F(DesktopCapture, WheelNotchesOnlyWhileSwitchedOn) {
  ExpectEvents({"click", "4", "click", "7"}, {});
  hook_->mousewheelenable(1);
  ExpectEvents({"click", "4"}, {{522, 120}});
  ExpectEvents({"click", "5"}, {{522, -120}});
  ExpectEvents({"click", "6"}, {{526, -120}});
  ExpectEvents({"click", "7", "click", "7"}, {{526, 120}, {526, 120}});
  hook_->mousewheelenable(0);
  ExpectEvents({"click", "5"}, {});
}

TEST_F(DesktopCapture, TargetsSwapAndRemoveEndsDelivery) {
  HookRecorder second;
  hook_->installhook(second.target());
  ASSERT_TRUE(RunXdotool({"key", "a"}, *folder_ / "xdotool.log"));
  EXPECT_EQ(second.Take(2), (Events{{0x41, kPress}, {0x41, kRelease}}));
  EXPECT_EQ(recorder_.size(), 0u);

  const auto removing = std::chrono::steady_clock::now();
  hook_->removehook();
  EXPECT_LT(std::chrono::steady_clock::now() - removing, std::chrono::milliseconds(500));
  hook_->removehook();
  ASSERT_TRUE(RunXdotool({"key", "a", "click", "1"}, *folder_ / "xdotool.log"));

  // A new capture sees the next key; the removed target got nothing more.
  hook_->installhook(recorder_.target());
  ASSERT_TRUE(RunXdotool({"key", "b"}, *folder_ / "xdotool.log"));
  const Events seen = recorder_.Take(2);
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen.back(), (HookEvent{0x42, kRelease}));
  EXPECT_EQ(second.size(), 0u);
}

std::size_t ThreadCount() {
  return std::distance(std::filesystem::directory_iterator("/proc/self/task"), {});
}

TEST_F(DesktopCapture, UnloadingStopsTheCapture) {
  const std::size_t threads_while_capturing = ThreadCount();
  hook_.reset();
  EXPECT_EQ(ThreadCount(), threads_while_capturing - 1);
}

TEST_F(DesktopCapture, ALostServerEndsTheCaptureButNotTheProgram) {
#if defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "after a lost connection Xlib unlocks the display twice, which the thread "
                  "sanitizer reports inside libXtst";
#endif
  hook_->removehook();
  {
    auto doomed = std::make_unique<XvfbServer>(*folder_ / "doomed.log");
    const ScopedEnv display("DISPLAY", doomed->display().c_str());
    hook_->installhook(recorder_.target());
    doomed.reset();
    const auto removing = std::chrono::steady_clock::now();
    hook_->removehook();
    EXPECT_LT(std::chrono::steady_clock::now() - removing, std::chrono::seconds(2));
  }
  hook_->installhook(recorder_.target());
  ExpectEvents({"key", "a"}, {{0x41, kPress}, {0x41, kRelease}});
}

}  // namespace
}  // namespace melko::testing
