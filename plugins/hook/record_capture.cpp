#include "record_capture.h"

#include <sys/socket.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace melko::hook {
namespace {

using std::chrono::milliseconds;

// The server answers an enable at once; these bounds only matter when it does not.
constexpr milliseconds kStartTimeout{2000};
constexpr milliseconds kStopTimeout{1000};

// Xlib ends the process when a connection fails, unless both its handlers return. The program
// must outlive a lost capture connection, and a stuck capture thread is freed by shutting its
// socket, so for our connections the handlers return and the failed calls come back with an
// error. Other connections keep what they had.
std::mutex g_own_displays_mutex;
std::vector<Display*> g_own_displays;
XIOErrorHandler g_earlier_io_error_handler = nullptr;

bool IsOwnDisplay(Display* display) {
  std::lock_guard lock(g_own_displays_mutex);
  return std::find(g_own_displays.begin(), g_own_displays.end(), display) != g_own_displays.end();
}

int OnIoError(Display* display) {
  if (IsOwnDisplay(display)) return 0;
  if (g_earlier_io_error_handler != nullptr) return g_earlier_io_error_handler(display);
  std::fprintf(stderr, "X connection to %s broken\n", DisplayString(display));
  std::exit(1);
}

void KeepRunning(Display*, void*) {}

// Puts the earlier handler back when the library is unloaded, so that Xlib keeps no pointer into
// it (unless someone has replaced ours since).
struct IoErrorHandlerRestorer {
  bool installed = false;
  ~IoErrorHandlerRestorer() {
    if (!installed) return;
    const XIOErrorHandler current = XSetIOErrorHandler(g_earlier_io_error_handler);
    if (current != &OnIoError) XSetIOErrorHandler(current);
  }
} g_io_error_handler_restorer;

void SetUpXlib() {
  static std::once_flag once;
  std::call_once(once, [] {
    XInitThreads();
    g_earlier_io_error_handler = XSetIOErrorHandler(&OnIoError);
    g_io_error_handler_restorer.installed = true;
  });
}

Display* OpenOwnDisplay() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;
  XSetIOErrorExitHandler(display, &KeepRunning, nullptr);
  std::lock_guard lock(g_own_displays_mutex);
  g_own_displays.push_back(display);
  return display;
}

void CloseOwnDisplay(Display* display) {
  if (display == nullptr) return;
  XCloseDisplay(display);
  std::lock_guard lock(g_own_displays_mutex);
  std::erase(g_own_displays, display);
}

bool HasRecordExtension(Display* display) {
  // XRecordQueryVersion alone would complain on standard error when the extension is missing.
  int opcode, first_event, first_error;
  if (!XQueryExtension(display, "RECORD", &opcode, &first_event, &first_error)) return false;
  int major, minor;
  return XRecordQueryVersion(display, &major, &minor) != 0;
}

// A context that records the device events of every client.
XRecordContext CreateDeviceEventContext(Display* control) {
  XRecordRange* range = XRecordAllocRange();
  if (range == nullptr) return 0;
  range->device_events.first = KeyPress;
  range->device_events.last = ButtonRelease;
  XRecordClientSpec clients = XRecordAllClients;
  const XRecordContext context = XRecordCreateContext(control, 0, &clients, 1, &range, 1);
  XFree(range);
  // The data connection enables the context: the server must know it by then.
  XSync(control, False);
  return context;
}

}  // namespace

std::unique_ptr<RecordCapture> RecordCapture::Connect(std::string* reason) {
  SetUpXlib();
  const auto fail = [&](const char* why, Display* control, Display* data) {
    CloseOwnDisplay(data);
    CloseOwnDisplay(control);
    if (reason != nullptr) *reason = why;
    return nullptr;
  };
  Display* control = OpenOwnDisplay();
  if (control == nullptr) return fail("no X display", nullptr, nullptr);
  if (!HasRecordExtension(control)) {
    return fail("the X server has no RECORD extension", control, nullptr);
  }
  Display* data = OpenOwnDisplay();
  if (data == nullptr) return fail("no X display", control, nullptr);
  const XRecordContext context = CreateDeviceEventContext(control);
  if (context == 0) return fail("the X server cannot record", control, data);
  return std::unique_ptr<RecordCapture>(new RecordCapture(control, data, context));
}

RecordCapture::RecordCapture(Display* control, Display* data, XRecordContext context)
    : control_(control), data_(data), context_(context) {}

RecordCapture::~RecordCapture() {
  if (thread_.joinable()) {
    if (!WaitForEnd(milliseconds(0))) {
      XRecordDisableContext(control_, context_);
      XFlush(control_);
    }
    // A disable that reached the server before the enable would leave the thread waiting for
    // ever: a shut socket ends its wait. The thread closes the connection once it has ended, so
    // the socket is only touched before that.
    if (!WaitForEnd(kStopTimeout)) {
      std::lock_guard lock(mutex_);
      if (!ended_) shutdown(ConnectionNumber(data_), SHUT_RDWR);
    }
    thread_.join();
  } else {
    CloseOwnDisplay(data_);
  }
  XRecordFreeContext(control_, context_);
  CloseOwnDisplay(control_);
}

bool RecordCapture::Begin(EventHandler handler) {
  handler_ = std::move(handler);
  thread_ = std::thread(&RecordCapture::Run, this);
  WaitForStart(kStartTimeout);
  std::lock_guard lock(mutex_);
  return started_;
}

bool RecordCapture::recording() const {
  std::lock_guard lock(mutex_);
  return !ended_;
}

void RecordCapture::Run() {
  // Returns once the context is disabled or the connection is lost.
  XRecordEnableContext(data_, context_, &RecordCapture::OnRecorded,
                       reinterpret_cast<XPointer>(this));
  {
    std::lock_guard lock(mutex_);
    ended_ = true;
  }
  changed_.notify_all();
  // After a lost connection Xlib keeps the display locked to this thread: only this thread can
  // still close it.
  CloseOwnDisplay(data_);
}

void RecordCapture::OnRecorded(XPointer self_pointer, XRecordInterceptData* data) {
  auto* self = reinterpret_cast<RecordCapture*>(self_pointer);
  if (data->category == XRecordStartOfData) {
    {
      std::lock_guard lock(self->mutex_);
      self->started_ = true;
    }
    self->changed_.notify_all();
  } else if (data->category == XRecordFromServer && data->data != nullptr &&
             data->data_len * 4 >= 2) {
    // A core event: its type (the top bit marks a sent event) and its key code or button.
    self->handler_(data->data[0] & 0x7F, data->data[1]);
  }
  XRecordFreeData(data);
}

void RecordCapture::WaitForStart(milliseconds timeout) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout, [&] { return started_ || ended_; });
}

bool RecordCapture::WaitForEnd(milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return ended_; });
}

}  // namespace melko::hook
