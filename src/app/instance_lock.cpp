#include "app/instance_lock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QPluginLoader>
#include <QStandardPaths>

#include "app/instance_socket.h"

namespace dravesse {
namespace {

// The socket plugin in the program folder, loaded on first use and kept for the rest of the run;
// null, with a warning, when it is missing or does not load.
InstanceSocket* socketPlugin(const QString& programFolder) {
    QPluginLoader loader(QDir(programFolder).filePath(QLatin1String(kInstanceSocketPlugin)));
    QObject* const instance = loader.instance();
    auto* plugin = qobject_cast<InstanceSocket*>(instance);
    if (!plugin)
        qWarning("Dravesse: no single-instance socket: %s",
                 qPrintable(instance ? loader.fileName() + QLatin1String(" is another plugin")
                                     : loader.errorString()));
    return plugin;
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
    if (!lock_->tryLock(0)) anotherInstance_ = lock_->error() == QLockFile::LockFailedError;
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::listen(ShowRequested show) {
    if (!lock_ || !lock_->isLocked() || server_) return false;
    // We hold the lock, so a socket file there was left by an instance that was killed.
    if (InstanceSocket* plugin = socketPlugin(programFolder_))
        server_ = plugin->listen(socketName_, std::move(show));
    return server_ != nullptr;
}

bool InstanceLock::askToShow(const QByteArray& activationToken) const {
    if (socketName_.isEmpty()) return false;
    InstanceSocket* plugin = socketPlugin(programFolder_);
    return plugin && plugin->askToShow(socketName_, activationToken);
}

}  // namespace dravesse
