#include "ui/handover_server.h"

#include <QDateTime>
#include <filesystem>

#include "common/text.h"
#include "profiles/profile_record.h"

namespace melko::ui {
namespace {

// How often a request that waits for a link looks again (a receiver's mouse wakes, a cable comes).
constexpr int kLinkLookMs = 100;

bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code error;
  const auto canonical_a = std::filesystem::weakly_canonical(a, error);
  if (error) return false;
  const auto canonical_b = std::filesystem::weakly_canonical(b, error);
  return !error && canonical_a == canonical_b;
}

}  // namespace

HandoverServer::HandoverServer(DeviceRuntime& runtime, std::function<void()> follow_stores)
    : runtime_(runtime), follow_stores_(std::move(follow_stores)) {
  // Told on the apply thread; the event loop passes it on. The apply thread stops before this
  // server goes (DesktopApp::Shutdown).
  runtime_.engine().SetReportObserver(
      [this](const std::string& report) { reports_.Post([this, report] { OnReport(report); }); });
}

void HandoverServer::Handle(const std::string& line, const InstanceReply& reply) {
  std::string why;
  const auto request = ParseHandoverRequest(line, &why);
  if (!request) {
    reply.Finish(FormatHandoverAnswer({HandoverAnswerKind::kBadRequest, why, {}}));
    return;
  }
  // melkoctl on another data folder works alone: this program does not show those stores.
  if (!SameFolder(request->data_folder, runtime_.session().data_folder())) {
    reply.Finish(FormatHandoverAnswer({HandoverAnswerKind::kElsewhere, {}, {}}));
    return;
  }
  if (!reply.Send(FormatHandoverAnswer({HandoverAnswerKind::kAccepted, {}, {}}))) return;
  const SyncResult synced = runtime_.session().Sync();
  if (!synced.outcome.ok) {
    reply.Finish(FormatHandoverAnswer({HandoverAnswerKind::kFailed, synced.outcome.error, {}}));
    return;
  }
  // A profile switch (also one this sync found) and a restore write everything.
  if (request->send != HandoverSend::kChanged || synced.selection_moved) {
    runtime_.session().full_apply = 1;
  }
  follow_stores_();
  Job& job = jobs_.emplace_back();
  job.reply = reply;
  job.progress = request->progress;
  job.link_deadline = QDateTime::currentMSecsSinceEpoch() + request->wait_ms;
  job.link_wait.setInterval(kLinkLookMs);
  connect(&job.link_wait, &QTimer::timeout, this, [this, &job] { WaitForLink(job); });
  WaitForLink(job);
}

void HandoverServer::WaitForLink(Job& job) {
  // Past the wait the apply is asked for all the same: with no link the engine holds it, the page
  // says it waits for the mouse, and it runs once a link can take it, as the window's own edits
  // do. Its run (dropped, or sent by a link just come) answers melkoctl.
  if (runtime_.CanTakeSettings() || QDateTime::currentMSecsSinceEpoch() >= job.link_deadline) {
    job.link_wait.stop();
    StartApply(job);
  } else if (!job.link_wait.isActive()) {
    job.link_wait.start();
  }
}

void HandoverServer::StartApply(Job& job) {
  job.link = runtime_.UsableLinkName();
  job.apply_number = runtime_.RequestApply();
}

void HandoverServer::OnApplyFinished() {
  const std::uint64_t finished = runtime_.applies_finished();
  for (auto it = jobs_.begin(); it != jobs_.end();) {
    Job& job = *it++;
    // Applies run in the order they were asked for: this one's report is the run just told.
    if (job.apply_number != finished) continue;
    if (runtime_.last_apply_sent()) {
      const std::string profile = Utf16ToUtf8(ProfileName(runtime_.session().CurrentSnapshot()));
      Finish(job, {HandoverAnswerKind::kSent, job.link, profile});
    } else {
      Finish(job, {runtime_.CanTakeSettings() ? HandoverAnswerKind::kUnfinished
                                              : HandoverAnswerKind::kNoLink,
                   {},
                   {}});
    }
  }
}

void HandoverServer::OnReport(const std::string& report) {
  for (Job& job : jobs_) {
    if (job.progress && job.apply_number != 0) {
      job.reply.Send(FormatHandoverAnswer({HandoverAnswerKind::kReport, report, {}}));
    }
  }
}

void HandoverServer::Finish(Job& job, const HandoverAnswer& answer) {
  job.reply.Finish(FormatHandoverAnswer(answer));
  job.link_wait.stop();
  // Not inside the job's own timer.
  QMetaObject::invokeMethod(
      this,
      [this, target = &job] {
        jobs_.remove_if([target](const Job& candidate) { return &candidate == target; });
      },
      Qt::QueuedConnection);
  job.apply_number = ~std::uint64_t(0);  // told: no later run is taken for it
}

}  // namespace melko::ui
