// The real melko-vmouse for its socket tests and the integration tests: the process
// (support/vmouse_process.h) and a driver library's connection to its socket, line by line.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "support/vmouse_process.h"

namespace melko::vmouse::test {

using ::melko::testing::ChildProcess;
using ::melko::testing::CtlResult;
using ::melko::testing::LineReader;
using ::melko::testing::RunCtl;
using ::melko::testing::VmouseBinary;
using ::melko::testing::VmouseProcess;

inline constexpr int kWaitMs = 3000;

// One client connection to a Unix stream socket.
class LineSocket {
 public:
  explicit LineSocket(const std::string& path);
  ~LineSocket();
  LineSocket(const LineSocket&) = delete;
  LineSocket& operator=(const LineSocket&) = delete;

  bool connected() const { return fd_ >= 0; }
  void Send(std::string_view line) { SendRaw(std::string(line) + "\n"); }
  void SendRaw(std::string_view bytes);
  std::optional<std::string> ReadLine(int timeout_ms = kWaitMs) {
    return reader_.ReadLine(timeout_ms);
  }
  bool WaitForClose(int timeout_ms = kWaitMs) { return reader_.WaitForEnd(timeout_ms); }

 private:
  int fd_ = -1;
  LineReader reader_;
};

// A library connection to the mouse that has said hello (link "wired" or "receiver"); null when
// the mouse did not take it.
std::unique_ptr<LineSocket> Library(const VmouseProcess& mouse, std::string_view link);

}  // namespace melko::vmouse::test
