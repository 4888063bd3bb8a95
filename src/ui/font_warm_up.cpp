#include "ui/font_warm_up.h"

#include <fontconfig/fontconfig.h>

#include <QFontDatabase>
#include <QStringList>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace melko::ui {
namespace {

// What the main thread tells the thread once the configuration is loaded.
enum class NextStep { kUndecided, kFontDatabase, kNothing };

struct WarmUp {
  std::thread thread;
  std::mutex mutex;
  std::condition_variable decided;
  NextStep next = NextStep::kUndecided;

  void Decide(NextStep step) {
    {
      const std::lock_guard lock(mutex);
      if (next == NextStep::kUndecided) next = step;
    }
    decided.notify_one();
  }
  // A program that ends before its window was built (a damaged skin) still joins the thread.
  ~WarmUp() {
    Decide(NextStep::kNothing);
    if (thread.joinable()) thread.join();
  }
};

WarmUp& State() {
  static WarmUp state;
  return state;
}

void RunWarmUp(WarmUp& state) {
  // FcInit loads the configuration that Qt's font database asks for with its own FcInit, which
  // then finds it in place.
  FcInit();
  std::unique_lock lock(state.mutex);
  state.decided.wait(lock, [&state] { return state.next != NextStep::kUndecided; });
  if (state.next != NextStep::kFontDatabase) return;
  lock.unlock();
  // Qt's font database is one for all threads, behind a lock of its own: listing its families
  // fills it. The font engines are made for each thread, so loading one here would not spare the
  // page its own.
  QFontDatabase::families();
}

}  // namespace

void StartFontWarmUp() {
  WarmUp& state = State();
  if (state.thread.joinable()) return;
  // Without a thread to run it on, Qt does all this when it needs it.
  try {
    state.thread = std::thread(RunWarmUp, std::ref(state));
  } catch (const std::system_error&) {
  }
}

void WarmUpFontDatabase() {
  State().Decide(NextStep::kFontDatabase);
}

void FinishFontWarmUp() {
  WarmUp& state = State();
  state.Decide(NextStep::kNothing);
  if (state.thread.joinable()) state.thread.join();
}

}  // namespace melko::ui
