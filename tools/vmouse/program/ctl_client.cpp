#include "vmouse/program/ctl_client.h"

#include <QLocalSocket>
#include <cstdio>

#include "vmouse/program/options.h"

namespace melko::vmouse {
namespace {

constexpr int kTimeoutMs = 5000;

int Fail(const std::string& text) {
  std::fprintf(stderr, "melko-vmouse ctl: error: %s\n", text.c_str());
  return 1;
}

}  // namespace

int RunCtl(const std::string& socket_path, const std::string& command) {
  const std::string path = ControlSocketPath(socket_path);
  QLocalSocket socket;
  socket.connectToServer(QString::fromStdString(path));
  if (!socket.waitForConnected(kTimeoutMs)) {
    return Fail("cannot reach " + path + ": " + socket.errorString().toStdString());
  }
  const std::string line = command + "\n";
  socket.write(line.data(), qint64(line.size()));
  if (!socket.waitForBytesWritten(kTimeoutMs)) return Fail("the mouse did not take the command");
  while (!socket.canReadLine()) {
    if (!socket.waitForReadyRead(kTimeoutMs)) {
      return Fail("no answer from " + path + ": " + socket.errorString().toStdString());
    }
  }
  std::string answer = socket.readLine().toStdString();
  if (!answer.empty() && answer.back() == '\n') answer.pop_back();
  std::printf("%s\n", answer.c_str());
  return answer.starts_with("error:") ? 1 : 0;
}

}  // namespace melko::vmouse
