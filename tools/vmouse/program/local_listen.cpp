#include "vmouse/program/local_listen.h"

#include <QLocalSocket>

namespace melko::vmouse {

bool ListenAt(QLocalServer& server, const QString& path, QString* error) {
  QLocalSocket probe;
  probe.connectToServer(path);
  if (probe.waitForConnected(200)) {
    if (error) *error = path + " is served by a running mouse";
    return false;
  }
  QLocalServer::removeServer(path);
  if (server.listen(path)) return true;
  if (error) *error = "cannot listen on " + path + ": " + server.errorString();
  return false;
}

}  // namespace melko::vmouse
