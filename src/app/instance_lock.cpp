#include "app/instance_lock.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>
#include <QStandardPaths>
#include <cstring>

#include "app/instance_socket.h"

namespace dravesse {
namespace {

constexpr int kBacklog = 16;

// The socket the instance lock's holder listens on, bound and listening at once: a few system
// calls, where serving it needs Qt Network. A second start's request then waits in the kernel
// until the instance serves the socket, even before its first window is up. Only the user may
// connect (the runtime folder is the user's own already). -1 when it cannot be made.
int bindSocket(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    if (name.isEmpty() || std::size_t(name.size()) >= sizeof address.sun_path) return -1;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    ::unlink(name.constData());  // we hold the lock: a socket here was left by a killed instance
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(name.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd, kBacklog) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The socket library in the program folder, loaded on first use and kept for the rest of the run;
// null, with a warning, when it is missing, damaged or not ours. QPluginLoader reads the file's
// ELF headers and the plugin's metadata before it loads anything, so a damaged copy is refused
// rather than loaded; a path that is not absolute would be searched for in Qt's plugin folders.
InstanceSocket* socketLibrary(const QString& programFolder) {
    const QString path = QDir(programFolder).filePath(QLatin1String(kInstanceSocketLibrary));
    if (!QDir::isAbsolutePath(path) || !QFileInfo(path).isFile()) {  // not a FIFO, which blocks
        qWarning("Dravesse: no single-instance socket: %s is missing", qPrintable(path));
        return nullptr;
    }
    QPluginLoader loader(path);
    QObject* const instance = loader.instance();
    auto* library = qobject_cast<InstanceSocket*>(instance);
    if (!library)
        qWarning("Dravesse: no single-instance socket: %s",
                 qPrintable(instance ? path + QLatin1String(" is another plugin")
                                     : loader.errorString()));
    return library;
}

}  // namespace

InstanceLock::InstanceLock(const QString& programFolder) : programFolder_(programFolder) {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) return;
    const QString folderKey =
        QLatin1String(QCryptographicHash::hash(QDir(programFolder).canonicalPath().toUtf8(),
                                               QCryptographicHash::Sha256)
                          .toHex()
                          .left(16));
    const QDir dir(runtime);
    lock_ = std::make_unique<QLockFile>(
        dir.filePath(QStringLiteral("dravesse-%1.lock").arg(folderKey)));
    socketName_ = dir.filePath(QStringLiteral("dravesse-%1.socket").arg(folderKey));
    if (lock_->tryLock(0))
        socket_ = bindSocket(socketName_);
    else
        anotherInstance_ = lock_->error() == QLockFile::LockFailedError;
}

InstanceLock::~InstanceLock() {
    server_.reset();
    if (socket_ >= 0) ::close(socket_);
    // Holding the lock, the socket's name is this instance's, whoever closed it.
    if (lock_ && lock_->isLocked()) ::unlink(QFile::encodeName(socketName_).constData());
}

bool InstanceLock::listen(ShowRequested show) {
    if (socket_ < 0 || server_) return false;
    if (InstanceSocket* library = socketLibrary(programFolder_))
        server_ = library->serve(socket_, std::move(show));
    if (server_) {
        socket_ = -1;  // the server's now
        return true;
    }
    qWarning("Dravesse: the single-instance socket is not served");
    ::close(std::exchange(socket_, -1));  // a second start is not left waiting on it
    ::unlink(QFile::encodeName(socketName_).constData());
    return false;
}

bool InstanceLock::askToShow(const QByteArray& activationToken) const {
    if (!anotherInstance_ || socketName_.isEmpty()) return false;
    InstanceSocket* library = socketLibrary(programFolder_);
    return library && library->askToShow(socketName_, activationToken);
}

}  // namespace dravesse
