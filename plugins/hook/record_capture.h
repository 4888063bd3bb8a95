// Key and button events of the whole X desktop through the RECORD extension. Recording runs on a
// thread of its own over a data connection; a second, control connection creates the recording
// context and ends it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <X11/Xlib.h>
#include <X11/extensions/record.h>

namespace melko::hook {

class RecordCapture {
 public:
  // Called on the capture thread for each recorded KeyPress, KeyRelease, ButtonPress and
  // ButtonRelease: the core event type and the X key code or button number.
  using EventHandler = std::function<void(int x_event_type, unsigned detail)>;

  // Opens both connections and the recording context; null with a one-line reason when there is no
  // X server to reach or it cannot record.
  static std::unique_ptr<RecordCapture> Connect(std::string* reason);

  // Ends recording (when it runs), waits for the capture thread and closes both connections. No
  // handler call happens after it returns.
  ~RecordCapture();
  RecordCapture(const RecordCapture&) = delete;
  RecordCapture& operator=(const RecordCapture&) = delete;

  // Starts the capture thread and waits until the server records; false when it would not.
  bool Begin(EventHandler handler);
  // False once recording has ended on its own (the X server went away).
  bool recording() const;

 private:
  RecordCapture(Display* control, Display* data, XRecordContext context);
  void Run();
  static void OnRecorded(XPointer self, XRecordInterceptData* data);
  // Waits up to `timeout` for the capture thread to have started recording or ended.
  void WaitForStart(std::chrono::milliseconds timeout);
  // Waits up to `timeout` for the capture thread to end; true when it has.
  bool WaitForEnd(std::chrono::milliseconds timeout);

  Display* const control_;
  // Used and closed by the capture thread once it runs.
  Display* const data_;
  const XRecordContext context_;
  EventHandler handler_;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool started_ = false;  // the server has begun to record
  bool ended_ = false;    // XRecordEnableContext has returned; the data connection is closing
};

}  // namespace melko::hook
