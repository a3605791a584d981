#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

namespace dravesse {

class ShowServer;

// One running instance per table. The lock is an flock on the program folder itself, and on the
// folder that holds the file Tamblet.csv leads to when that is another: the kernel keys it on the
// folder, not on the path, so a bind mount, a linked folder, another runtime folder and two
// program folders linking one table all meet the same lock, and it goes when the process ends,
// however it ends. On a file system that folds case (FAT), the folder is opened under the case
// it is stored in. Nothing is written: a read-only folder locks as well.
//
// Beside the lock, the running instance listens on a local socket for one request only: "show
// yourself", sent by a second start before it ends (see ShowServer). The socket is bound as soon
// as the lock is taken, so that a request waits in it until the event loop serves it.
class InstanceLock {
  public:
    explicit InstanceLock(const QString& programFolder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True only when another live instance holds the lock. When no folder can be locked (one
    // that cannot be opened, say), the program starts normally.
    bool anotherInstanceRuns() const { return anotherInstance_; }

    // Holding the lock: serves the socket from the event loop; `show` runs once per well-formed
    // request, with its token. Returns false when there is nothing to serve.
    using ShowRequested = std::function<void(const QByteArray& activationToken)>;
    bool listen(ShowRequested show);

    // Another instance holding the lock: asks it to show itself. Waits about a second at most,
    // never for an answer; returns whether the request was sent.
    bool askToShow(const QByteArray& activationToken) const;

    // The socket's abstract name, for tests.
    const QByteArray& socketName() const { return socketName_; }

  private:
    int locks_[2] = {-1, -1};  // the program folder, the table's folder
    bool anotherInstance_ = false;
    QByteArray socketName_;
    int socket_ = -1;  // bound and listening, until the server takes it
    std::unique_ptr<ShowServer> server_;
};

}  // namespace dravesse
