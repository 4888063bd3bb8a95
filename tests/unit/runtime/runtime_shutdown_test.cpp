// The program ends while the apply thread repeats an unacknowledged report inside a slow driver
// library: no call may reach a library after it is unloaded.
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

// The receiver's library only, and a slow one: every call after the unload is counted.
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

// A command waiting for the mouse sleeps: a second of waiting costs next to no CPU time (a spinning
// loop takes whatever share of a core the machine gives it, far above the bound).
TEST(RuntimeWait, WaitingForTheMouseSleepsInsteadOfSpinning) {
  testing::TempDir dir;
  fakes::FakeControls controls;
  fakes::QuietLog log;
  DeviceRuntime runtime(dir.path(), controls, log, std::make_unique<SlowReceiver>());
  timespec start{}, end{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
  EXPECT_FALSE(runtime.RunUntil([] { return false; }, 1s));
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
  EXPECT_LT((end.tv_sec - start.tv_sec) * 1000 + (end.tv_nsec - start.tv_nsec) / 1000000, 150);
}

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

}  // namespace
}  // namespace melko
