#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QtPlugin>
#include <functional>
#include <memory>

namespace dravesse {

// The local socket beside the instance lock, over which a second start asks the running instance
// to show itself. It needs Qt Network, whose libraries take longer to load than anything else the
// program does before its first window, so it lives in a plugin of its own,
// lib/libdravesse_instance_socket.so in the program folder: the running instance loads it once
// its first window is up, a second start when it asks.
//
// Nothing but "show yourself" passes: "SHOW\n", or "SHOW <token>\n" with the activation token
// the desktop gave the second start.
class InstanceSocket {
  public:
    using ShowRequested = std::function<void(const QByteArray& activationToken)>;
    virtual ~InstanceSocket() = default;

    // Listens at `path` (a socket file left there is replaced: the caller holds the lock), for
    // the user alone, and answered from the event loop. `show` runs once per well-formed request.
    // Listening ends with the returned server; null when it could not start.
    virtual std::unique_ptr<QObject> listen(const QString& path, ShowRequested show) = 0;

    // Asks the instance listening at `path` to show itself. Waits a bounded time for the socket,
    // never for an answer; returns whether the request was sent.
    virtual bool askToShow(const QString& path, const QByteArray& activationToken) = 0;
};

// The plugin file, relative to the program folder.
inline constexpr char kInstanceSocketPlugin[] = "lib/libdravesse_instance_socket.so";

}  // namespace dravesse

#define DRAVESSE_INSTANCE_SOCKET_IID "dravesse.InstanceSocket/1"
Q_DECLARE_INTERFACE(dravesse::InstanceSocket, DRAVESSE_INSTANCE_SOCKET_IID)
