// The device side on its own event loop and timers, with the receiver's library only: a slow one
// that counts every call made after it was unloaded.
#include <gtest/gtest.h>

#include <time.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "device/messages.h"
#include "device/status_decoder.h"
#include "runtime/device_runtime.h"
#include "support/device_fakes.h"

namespace melko {
namespace {

using namespace std::chrono_literals;

std::atomic<bool> unloaded{false};
std::atomic<int> writes{0}, calls_after_unload{0};
MessageTarget* monitor_target = nullptr;
std::uint32_t data_message = 0;

struct SlowReceiver final : DriverLoader {
  static void NoteCall() { calls_after_unload += unloaded ? 1 : 0; }
  static void SetVidPid(std::uint32_t, std::uint32_t) { NoteCall(); }
  static void OpenMonitor(MessageTarget* target, std::uint32_t data, std::uint32_t) {
    monitor_target = target;
    data_message = data;
  }
  static void CloseMonitor() { NoteCall(); }
  static std::int32_t OpenDevice() { return 1; }
  static void CloseDevice() { NoteCall(); }
  static std::int32_t SetFeature(const std::uint8_t*, std::int32_t) {
    NoteCall();
    ++writes;
    std::this_thread::sleep_for(50ms);
    NoteCall();
    return 1;
  }
  static std::int32_t GetFeature(std::uint8_t*, std::int32_t) { return 0; }

  DriverLibrary Load(std::string_view file_name) override {
    static int module;
    if (file_name != kReceiverDriverFile) return {};
    return {&module,    SetVidPid,   OpenMonitor, CloseMonitor,
            OpenDevice, CloseDevice, SetFeature,  GetFeature};
  }
  void Unload(DriverLibrary& library) override { unloaded = unloaded || library.module; }
};

TEST(RuntimeShutdown, TheApplyThreadStopsBeforeTheLibrariesAreUnloaded) {
  testing::TempDir dir;
  testing::UseEnglishTexts();
  fakes::FakeControls controls;
  fakes::QuietLog log;
  DeviceRuntime runtime(dir.path(), controls, log, std::make_unique<SlowReceiver>());
  ASSERT_TRUE(runtime.LoadStores().empty());
  runtime.Open();
  ASSERT_NE(monitor_target, nullptr);
  // The receiver's mouse reports its battery: the receiver can take settings.
  monitor_target->post(monitor_target->context, data_message, kEventPower, 0x5002);
  ASSERT_TRUE(runtime.RunUntil([&] { return runtime.CanTakeSettings(); }, 5s));
  runtime.engine().RequestApply();
  ASSERT_TRUE(runtime.RunUntil([] { return writes > 0; }, 5s));

  const auto start = std::chrono::steady_clock::now();
  runtime.Close();
  // Without the cancellation the repetition would go on for half a minute.
  EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
  std::this_thread::sleep_for(100ms);  // a thread still running would call the library meanwhile
  EXPECT_EQ(calls_after_unload, 0);
}

// The event loop sleeps while the mouse repeats its power event (a loop that spun would take a
// core's share of the time). The repeats kept back must still keep the receiver's watchdog from
// running out, and once the mouse has been silent for the watchdog's time its word counts again.
TEST(RuntimePowerRepeats, RepeatsKeepTheMouseAwakeAndSilencePutsItToSleep) {
  testing::TempDir dir;
  testing::UseEnglishTexts();
  fakes::FakeControls controls;
  fakes::QuietLog log;
  DeviceRuntime runtime(dir.path(), controls, log, std::make_unique<SlowReceiver>());
  int words_heard = 0;
  std::chrono::steady_clock::time_point asleep_at{}, last_report{};
  runtime.on_status_word = [&](LinkMode, std::uint32_t) { ++words_heard; };
  runtime.on_timer = [&](int timer_id) {
    if (timer_id == kTimerReceiverWatchdog) asleep_at = std::chrono::steady_clock::now();
  };
  ASSERT_TRUE(runtime.LoadStores().empty());
  runtime.KeepBackPowerRepeats();
  runtime.Open();
  const auto report = [] {
    monitor_target->post(monitor_target->context, data_message, kEventPower, 0x5002);
  };
  // Past the watchdog's 6 s, the battery every half second from the library's thread.
  std::thread mouse([&] {
    for (int i = 0; i < 14; ++i, std::this_thread::sleep_for(500ms)) report();
    last_report = std::chrono::steady_clock::now() - 500ms;
  });
  timespec start{}, end{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
  EXPECT_FALSE(runtime.RunUntil([] { return false; }, 7500ms));
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
  mouse.join();
  EXPECT_LT((end.tv_sec - start.tv_sec) * 1000 + (end.tv_nsec - start.tv_nsec) / 1000000, 300);
  EXPECT_EQ(words_heard, 1);
  EXPECT_EQ(asleep_at, std::chrono::steady_clock::time_point{}) << "fell asleep while reporting";

  ASSERT_TRUE(runtime.RunUntil([&] { return asleep_at.time_since_epoch().count() != 0; }, 8s));
  EXPECT_GT(asleep_at - last_report, 5900ms);
  EXPECT_FALSE(controls.IsVisible("ms_1_wireless"));
  std::thread(report).join();
  EXPECT_TRUE(runtime.RunUntil([&] { return controls.IsVisible("ms_1_wireless"); }, 5s));
  runtime.Close();
}

}  // namespace
}  // namespace melko
