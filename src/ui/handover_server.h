// The desktop program's side of melkoctl's hand-over: while it runs, melkoctl leaves the writing to
// the mouse to it. melkoctl changes the stores under the store lock as always and asks; this takes
// the change into the program's session (a sync under the same lock), shows it on the page, sends
// it through the program's own apply thread and answers how it went. Nothing here waits: a
// request waits for its link on a timer and for its apply on the apply thread's report.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <list>
#include <string>

#include "common/handover.h"
#include "qt/posted_calls.h"
#include "runtime/device_runtime.h"
#include "ui/single_instance.h"

namespace melko::ui {

class HandoverServer final : public QObject {
 public:
  // follow_stores shows on the page what the last sync took in.
  HandoverServer(DeviceRuntime& runtime, std::function<void()> follow_stores);

  // A line from a client (SingleInstance::ServeHandover).
  void Handle(const std::string& line, const InstanceReply& reply);
  // After each apply run (DeviceRuntime::on_apply_finished).
  void OnApplyFinished();

 private:
  struct Job {
    InstanceReply reply;
    bool progress = false;
    std::uint64_t apply_number = 0;  // 0 while waiting for a link
    std::string link;
    QTimer link_wait;
    qint64 link_deadline = 0;
  };
  void WaitForLink(Job& job);
  void StartApply(Job& job);
  void Finish(Job& job, const HandoverAnswer& answer);
  void OnReport(const std::string& report);

  DeviceRuntime& runtime_;
  std::function<void()> follow_stores_;
  std::list<Job> jobs_;
  PostedCalls reports_;  // the apply thread's reports, on their way to the event loop
};

}  // namespace melko::ui
