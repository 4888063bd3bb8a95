// The program's own event loop and timers, with a receiver whose mouse repeats its power event:
// the repeats kept back must still keep the receiver's watchdog from running out.
#include <gtest/gtest.h>

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

std::atomic<MessageTarget*> receiver_target = nullptr;
std::uint32_t receiver_data_message = 0;

struct ReceiverOnly final : DriverLoader {
  static void SetVidPid(std::uint32_t, std::uint32_t) {}
  static void OpenMonitor(MessageTarget* target, std::uint32_t data, std::uint32_t) {
    receiver_data_message = data;
    receiver_target = target;
  }
  static void Close() {}
  static std::int32_t OpenDevice() { return 1; }
  static std::int32_t SetFeature(const std::uint8_t*, std::int32_t) { return 1; }
  static std::int32_t GetFeature(std::uint8_t*, std::int32_t) { return 0; }
  DriverLibrary Load(std::string_view file_name) override {
    static int module;
    if (file_name != kReceiverDriverFile) return {};
    return {&module, SetVidPid, OpenMonitor, Close, OpenDevice, Close, SetFeature, GetFeature};
  }
  void Unload(DriverLibrary&) override {}
};

TEST(RuntimePowerRepeats, RepeatsKeepTheMouseAwakeAndSilenceStillPutsItToSleep) {
  testing::TempDir dir;
  testing::UseEnglishTexts();
  fakes::FakeControls controls;
  fakes::QuietLog log;
  DeviceRuntime runtime(dir.path(), controls, log, std::make_unique<ReceiverOnly>());
  int words_heard = 0;
  std::chrono::steady_clock::time_point asleep_at{};
  runtime.on_status_word = [&](LinkMode, std::uint32_t) { ++words_heard; };
  runtime.on_timer = [&](int timer_id) {
    if (timer_id == kTimerReceiverWatchdog) asleep_at = std::chrono::steady_clock::now();
  };
  ASSERT_TRUE(runtime.LoadStores().empty());
  runtime.KeepBackPowerRepeats();
  runtime.Open();
  ASSERT_NE(receiver_target.load(), nullptr);

  // Past the watchdog's 6 s, the battery reported every half second from the library's thread.
  std::chrono::steady_clock::time_point last_report;
  std::thread mouse([&last_report] {
    MessageTarget* target = receiver_target;
    for (int i = 0; i < 14; ++i) {
      if (i > 0) std::this_thread::sleep_for(500ms);
      target->post(target->context, receiver_data_message, kEventPower, 0x5002);
    }
    last_report = std::chrono::steady_clock::now();
  });
  runtime.RunUntil([] { return false; }, 7000ms);
  mouse.join();
  EXPECT_EQ(words_heard, 1) << "the repeats were kept back";
  EXPECT_EQ(asleep_at, std::chrono::steady_clock::time_point{}) << "the mouse never fell asleep";
  EXPECT_TRUE(controls.IsVisible("ms_1_wireless"));

  ASSERT_TRUE(runtime.RunUntil([&] { return asleep_at.time_since_epoch().count() != 0; }, 8s));
  // Qt's coarse timers may fire up to 5 % early.
  EXPECT_GT(asleep_at - last_report, 5500ms);
  EXPECT_FALSE(controls.IsVisible("ms_1_wireless"));
  runtime.Close();
}

}  // namespace
}  // namespace melko
