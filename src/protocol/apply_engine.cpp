#include "protocol/apply_engine.h"

#include "device/control_names.h"
#include "device/messages.h"
#include "protocol/send_settings.h"

namespace melko {
namespace {

constexpr std::uint32_t kQuitMessage = 0;

}  // namespace

ApplyEngine::ApplyEngine(ProfileSession& profiles, LinkState& links, ReportSink& sink,
                         Controls& controls, MessagePoster& poster)
    : profiles_(profiles), links_(links), sink_(sink), controls_(controls), poster_(poster) {}

ApplyEngine::~ApplyEngine() {
  StopApplyThread();
}

void ApplyEngine::StartApplyThread() {
  if (thread_.joinable()) return;
  thread_ = std::thread([this] { ThreadMain(); });
}

void ApplyEngine::StopApplyThread() {
  if (!thread_.joinable()) return;
  stopping_ = true;
  sink_.CancelSends();
  {
    std::lock_guard lock(queue_mutex_);
    queue_.clear();
    queue_.push_back(kQuitMessage);
  }
  queue_changed_.notify_one();
  thread_.join();
}

std::uint64_t ApplyEngine::RequestApply() {
  std::uint64_t number = 0;
  {
    std::lock_guard lock(queue_mutex_);
    queue_.push_back(kMsgApply);
    number = ++requests_;
  }
  queue_changed_.notify_one();
  return number;
}

void ApplyEngine::SetReportObserver(std::function<void(const std::string&)> observer) {
  report_observer_ = std::move(observer);
}

void ApplyEngine::SetRunObserver(std::function<void(bool)> observer) {
  run_observer_ = std::move(observer);
}

void ApplyEngine::ThreadMain() {
  for (;;) {
    std::uint32_t message;
    {
      std::unique_lock lock(queue_mutex_);
      queue_changed_.wait(lock, [this] { return !queue_.empty(); });
      message = queue_.front();
      queue_.pop_front();
    }
    if (message == kQuitMessage) return;
    if (message != kMsgApply) continue;
    const bool applied = Apply();
    if (run_observer_) run_observer_(applied);
  }
}

void ApplyEngine::Announce(const std::string& report) {
  if (report_observer_) report_observer_(report);
}

bool ApplyEngine::Apply() {
  // With no link that can take settings nothing is sent, saved or recorded as applied: the
  // request waits until a link can take it (the receiver counts only once its mouse reported).
  if (!CanTakeSettings(links_)) {
    dropped_request_ = true;
    return false;
  }
  dropped_request_ = false;
  poster_.Post(kMsgApplyRunStarted, 0, 0);
  const bool ring = controls_.Exists(control::kApplyRing);
  if (ring) controls_.SetVisible(control::kApplyRing, true);

  // Work on a snapshot: an edit made while the reports go out is not recorded as applied, so the
  // next apply sends it. A full-apply request made meanwhile likewise stays for the next run.
  const ProfileRecord snapshot = profiles_.BeginApply();
  const bool full = profiles_.full_apply.exchange(0) != 0;
  const DirtyBlocks dirty =
      full ? DirtyBlocks::All() : DetectChanges(snapshot, profiles_.AppliedSnapshot());

  if (full) {
    Announce("reset");
    SendResetReport(sink_);
  }
  if (dirty.dpi) {
    Announce("dpi");
    SendDpiReport(sink_, snapshot);
  }
  if (dirty.light) {
    Announce("light");
    SendLightReport(sink_, snapshot);
  }
  if (dirty.rate) {
    Announce("rate");
    SendRateReport(sink_, snapshot);
  }
  if (dirty.buttons) {
    Announce("buttons");
    SendButtonsReport(sink_, snapshot);
  }
  for (int slot = 0; slot < kMouseButtonCount; ++slot) {
    const ButtonAssignment& button = snapshot.buttons[std::size_t(slot)];
    if (button.function != kFunctionMacro || !dirty.macro[std::size_t(slot)]) continue;
    Announce("macro " + std::to_string(slot + 1));
    SendMacroReport(sink_, slot + 1, button);
  }

  if (stopping_) {
    // Cancelled at shutdown: what was sent is not known, so nothing is recorded as applied.
    if (full) profiles_.full_apply = 1;
    profiles_.AbandonApply();
    if (ring) controls_.SetVisible(control::kApplyRing, false);
    return false;
  }
  poster_.Post(kMsgApplyRunEnded, 0, 0);
  profiles_.FinishApply(snapshot);
  if (ring) controls_.SetVisible(control::kApplyRing, false);
  return true;
}

}  // namespace melko
