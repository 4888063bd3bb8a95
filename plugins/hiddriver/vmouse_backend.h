// The virtual mouse over its Unix socket (docs/virtual-mouse.md). One connection carries the
// requests (hello, open, feature) and, read by a thread, the answers, events and connection
// changes. The connection lasts while the monitor or the device is open.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

#include "backend.h"
#include "fd_watcher.h"
#include "vmouse_lines.h"

namespace melko::hiddriver {

class VmouseBackend final : public Backend {
 public:
  // link: "wired" or "receiver", as the hello names it. Each answer is awaited up to `timeout`.
  VmouseBackend(std::string socket_path, std::string link, std::chrono::milliseconds timeout);
  ~VmouseBackend() override;

  void OpenMonitor(DeviceIds ids, const MessageRoute& route) override;
  void CloseMonitor() override;
  bool OpenDevice(DeviceIds ids) override;
  void CloseDevice() override;
  bool SetFeature(std::span<const std::uint8_t> report) override;
  bool idle() const override { return !monitor_open_ && !device_open_; }

 private:
  bool EnsureConnected();
  void Disconnect();
  bool SendLine(const std::string& line);
  // Sends a request and waits for its answer; nothing on a timeout or a lost connection.
  std::optional<MouseLine> Request(const std::string& line);

  // The reader thread.
  bool OnReadable();
  void OnLine(std::string_view line);

  const std::string socket_path_;
  const std::string link_;
  const std::chrono::milliseconds timeout_;

  MessageSink sink_;
  bool monitor_open_ = false;
  std::atomic<bool> device_open_ = false;  // also read by the reader thread
  int socket_fd_ = -1;
  FdWatcher reader_;
  LineSplitter splitter_;  // the reader thread's

  // Answers are matched to requests by count, so a late answer to a request that timed out is
  // never taken for the answer to the next one.
  std::mutex answer_mutex_;
  std::condition_variable answer_ready_;
  std::uint64_t requests_sent_ = 0;
  std::uint64_t answers_received_ = 0;
  MouseLine last_answer_;
  bool connection_lost_ = true;
};

}  // namespace melko::hiddriver
