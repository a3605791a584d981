#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QtPlugin>
#include <functional>
#include <memory>

namespace dravesse {

// The local socket beside the instance lock, over which a second start asks the running instance
// to show itself. Serving it needs Qt Network, whose libraries take longer to load than anything
// else the program does before its first window, so that part lives in a library of its own,
// lib/libdravesse_instance_socket.so in the program folder: the running instance loads it once
// its first window is up, a second start when it asks.
//
// Nothing but "show yourself" passes: "SHOW\n", or "SHOW <token>\n" with the activation token
// the desktop gave the second start.
class InstanceSocket {
  public:
    using ShowRequested = std::function<void(const QByteArray& activationToken)>;
    virtual ~InstanceSocket() = default;

    // Serves the socket that the instance lock bound and set listening (`descriptor`): for the
    // user alone, answered from the event loop, `show` once per well-formed request. On success
    // the returned server owns the descriptor, and serving ends with it; null when it failed.
    virtual std::unique_ptr<QObject> serve(qintptr descriptor, ShowRequested show) = 0;

    // Asks the instance listening at `path` to show itself. Waits a bounded time for the socket,
    // never for an answer; returns whether the request was sent.
    virtual bool askToShow(const QString& path, const QByteArray& activationToken) = 0;
};

// The library (a Qt plugin), relative to the program folder.
inline constexpr char kInstanceSocketLibrary[] = "lib/libdravesse_instance_socket.so";

}  // namespace dravesse

#define DRAVESSE_INSTANCE_SOCKET_IID "dravesse.InstanceSocket/2"
Q_DECLARE_INTERFACE(dravesse::InstanceSocket, DRAVESSE_INSTANCE_SOCKET_IID)
