#include "ui/font_warm_up.h"

#include <fontconfig/fontconfig.h>

#include <system_error>
#include <thread>

namespace melko::ui {
namespace {

// Started and waited for on the main thread only, so the thread needs no lock of its own.
struct WarmUp {
  std::thread thread;
  // A program that ends before its window was built (a damaged skin) still joins the thread.
  ~WarmUp() {
    if (thread.joinable()) thread.join();
  }
};

WarmUp& State() {
  static WarmUp state;
  return state;
}

}  // namespace

void StartFontWarmUp() {
  WarmUp& state = State();
  if (state.thread.joinable()) return;
  // FcInit loads the configuration that Qt's font database asks for with its own FcInit, which
  // then finds it in place. Without a thread to run it on, Qt loads it when it needs it.
  try {
    state.thread = std::thread([] { FcInit(); });
  } catch (const std::system_error&) {
  }
}

void FinishFontWarmUp() {
  WarmUp& state = State();
  if (state.thread.joinable()) state.thread.join();
}

}  // namespace melko::ui
