// The apply engine brings the mouse in line with the current profile on a thread of its own, so
// that seconds of paced writing never block the window. Each run sends the blocks whose fields
// changed since the last apply (or every block after a start, a profile switch, a restore or an
// import), saves the profile store and remembers what it sent.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "device/link_state.h"
#include "device/ui_ports.h"
#include "profiles/profile_session.h"
#include "protocol/dirty_blocks.h"
#include "protocol/send_ports.h"

namespace melko {

class ApplyEngine {
 public:
  // Each run that can write posts kMsgApplyRunStarted and, once written, kMsgApplyRunEnded to
  // the user-interface thread, which looks after the receiver's watchdog.
  ApplyEngine(ProfileSession& profiles, LinkState& links, ReportSink& sink, Controls& controls,
              MessagePoster& poster);
  ~ApplyEngine();
  ApplyEngine(const ApplyEngine&) = delete;
  ApplyEngine& operator=(const ApplyEngine&) = delete;

  // The apply thread: started once, stopped at the end. Stopping drops the requests still
  // queued and cancels a send in progress, so that the driver libraries can be closed safely as
  // soon as it returns.
  void StartApplyThread();
  void StopApplyThread();

  // Queues an apply request (the thread message kMsgApply); returns at once. Requests are numbered
  // from 1 and handled in order, so the run observer's n-th call is the n-th request's.
  std::uint64_t RequestApply();

  // One apply run on the calling thread. Returns false when nothing could be applied because no
  // link can take settings (the request is then remembered, see TakeDroppedRequest).
  bool Apply();

  // True, once, when a request was dropped because no link could take settings: the caller asks
  // for an apply again when a link can.
  bool TakeDroppedRequest() { return dropped_request_.exchange(false); }

  // Told about each report before it is sent ("reset", "dpi", "light", "rate", "buttons",
  // "macro 3"), for progress displays. Called on the apply thread.
  void SetReportObserver(std::function<void(const std::string& report)> observer);
  // Told when a queued request has been handled (applied or dropped). Called on the apply thread.
  void SetRunObserver(std::function<void(bool applied)> observer);

 private:
  void ThreadMain();
  void Announce(const std::string& report);

  ProfileSession& profiles_;
  LinkState& links_;
  ReportSink& sink_;
  Controls& controls_;
  MessagePoster& poster_;

  std::mutex queue_mutex_;
  std::condition_variable queue_changed_;
  std::deque<std::uint32_t> queue_;
  std::uint64_t requests_ = 0;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> dropped_request_{false};
  std::function<void(const std::string&)> report_observer_;
  std::function<void(bool)> run_observer_;
};

}  // namespace melko
