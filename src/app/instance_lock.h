#pragma once

#include <QByteArray>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace dravesse {

// One running instance per program folder. The lock lives in the user's runtime folder; a lock
// left behind by a killed process is taken over at once.
//
// Beside the lock, the running instance listens on a local socket for one request only: "show
// yourself", sent by a second start before it ends. The request carries nothing but the
// activation token that the desktop gave the second start (empty when there is none). The socket
// is bound as soon as the lock is taken, so that a request waits for the instance to serve it;
// serving and asking are the library that InstanceSocket describes, in the program folder's lib/.
// Without it the lock works as ever and a second start just ends.
class InstanceLock {
  public:
    explicit InstanceLock(const QString& programFolder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True only when another live instance holds the lock. When the lock cannot be created for
    // any other reason, the program starts normally.
    bool anotherInstanceRuns() const { return anotherInstance_; }

    // Holding the lock: serves the socket, answered from the event loop (a modal box's loop too),
    // requests sent since the lock was taken among them. `show` runs once per well-formed
    // request, with its token. A socket left by a killed instance was replaced. Returns false
    // when nothing is served (no lock, no socket, or no library), and closes the socket then.
    using ShowRequested = std::function<void(const QByteArray& activationToken)>;
    bool listen(ShowRequested show);

    // Another instance holding the lock: asks it to show itself. Waits a bounded time for the
    // socket, never for an answer; returns whether the request was sent.
    bool askToShow(const QByteArray& activationToken) const;

    // The socket's full name, for tests.
    const QString& socketName() const { return socketName_; }

  private:
    QString programFolder_;
    std::unique_ptr<QLockFile> lock_;
    bool anotherInstance_ = false;
    QString socketName_;
    int socket_ = -1;  // bound and listening, until the server takes it
    std::unique_ptr<QObject> server_;
};

}  // namespace dravesse
