// What the running copy reads from a second launch or from melkoctl on its single-instance socket:
// each input is what one client sends before it stops writing, to a real server on a private
// runtime folder. Show requests are answered once handled, hand-over lines get the answer of the
// hand-over's reader; either way the server lets the client go, and the next client is served.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "common/handover.h"
#include "null_ports.h"
#include "ui/single_instance.h"

namespace {

// A value passed on from a request stays printable, without spaces, quotes or backslashes.
bool Passable(const std::string& value) {
  if (value.size() > 400) return false;
  for (const char c : value)
    if (c <= ' ' || c > '~' || c == '"' || c == '\\') return false;
  return true;
}

melko::ui::SingleInstance& Server() {
  static melko::ui::SingleInstance* server = [] {
    auto* made = new melko::ui::SingleInstance;
    if (!made->TryLock() || !made->error().isEmpty()) std::abort();
    made->Serve([](const melko::ui::LaunchActivation& activation) {
      if (!Passable(activation.token) || !Passable(activation.startup_id)) std::abort();
    });
    made->ServeHandover([](const std::string& line, const melko::ui::InstanceReply& reply) {
      std::string why;
      const auto request = melko::ParseHandoverRequest(line, &why);
      reply.Finish(melko::FormatHandoverAnswer(
          {request ? melko::HandoverAnswerKind::kElsewhere : melko::HandoverAnswerKind::kBadRequest,
           why,
           {}}));
    });
    return made;
  }();
  return *server;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  std::filesystem::create_directories(melko::fuzz::PrivateFolder());
  std::filesystem::permissions(melko::fuzz::PrivateFolder(), std::filesystem::perms::owner_all);
  setenv("XDG_RUNTIME_DIR", melko::fuzz::PrivateFolder().c_str(), 1);
  static QCoreApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = Server().socket_path();
  sockaddr_un address{AF_UNIX, {}};
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    std::abort();
  // The whole input fits the socket's buffer: written at once, then the client stops writing.
  if (size > 0 && ::send(fd, data, size, MSG_NOSIGNAL) != ssize_t(size)) std::abort();
  ::shutdown(fd, SHUT_WR);

  // Served until the server hangs up; a client never let go is a hang, which libFuzzer reports.
  QEventLoop loop;
  QSocketNotifier readable(fd, QSocketNotifier::Read);
  std::string answer;
  QObject::connect(&readable, &QSocketNotifier::activated, [&] {
    char chunk[512];
    const ssize_t got = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (got > 0) answer.append(chunk, std::size_t(got));
    if (got == 0) loop.quit();
  });
  loop.exec();
  ::close(fd);
  // Whatever the server said is a whole line.
  if (!answer.empty() && answer.back() != '\n') std::abort();
  return 0;
}
