// Listening on a Unix socket path given in full, for the library and the control sockets.
#pragma once

#include <QLocalServer>
#include <QString>

namespace melko::vmouse {

// Takes the path over from a socket file that nothing serves any longer (a mouse that was
// killed), but never from a running mouse.
bool ListenAt(QLocalServer& server, const QString& path, QString* error);

}  // namespace melko::vmouse
