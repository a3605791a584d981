#include "app/instance_lock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

namespace dravesse {

InstanceLock::InstanceLock(const QString& programFolder) {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) return;
    const QByteArray folderKey =
        QCryptographicHash::hash(QDir(programFolder).canonicalPath().toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    lock_ = std::make_unique<QLockFile>(
        QDir(runtime).filePath(QStringLiteral("dravesse-%1.lock").arg(QLatin1String(folderKey))));
    if (!lock_->tryLock(0)) anotherInstance_ = lock_->error() == QLockFile::LockFailedError;
}

}  // namespace dravesse
