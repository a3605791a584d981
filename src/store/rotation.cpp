#include "store/rotation.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "store/replace_file.h"
#include "store/store_texts.h"

namespace dravesse {

void Rotation::run() {
    const QString t1 = path(BackupFileName(1)), t2 = path(BackupFileName(2)),
                  t3 = path(BackupFileName(3));
    if (!IsNormalFile(t1)) return;
    if (IsNormalFile(t2)) {
        // The oldest generation is set aside, and only deleted once the save succeeded.
        if (IsNormalFile(t3)) {
            const QString aside = NewTempPath(t3, QStringLiteral("drop"));
            if (move(t3, aside)) parked_ = aside;
        }
        move(t2, t3);
    }
    move(t1, t2);
}

bool Rotation::move(const QString& from, const QString& to) {
    struct stat st {};
    if (::lstat(QFile::encodeName(from), &st) != 0) {
        if (!firstError_) firstError_ = errno;
        return false;
    }
    if (FaultAt(SaveStep::Rotate) || !RenameNoReplace(from, to) ||
        FaultAt(SaveStep::RotateReplyLost)) {
        const int error = errno;
        if (!RenameHappened(from, to, st.st_dev, st.st_ino)) {
            if (!firstError_) firstError_ = error;
            return false;
        }
    }
    done_.push_back({from, to, st.st_dev, st.st_ino});
    return true;
}

QStringList Rotation::undo() {
    QStringList stay;
    for (auto it = done_.rbegin(); it != done_.rend(); ++it) {
        if ((FaultAt(SaveStep::Undo) || !RenameNoReplace(it->to, it->from)) &&
            !RenameHappened(it->to, it->from, it->device, it->inode))
            stay << QStringLiteral("%1 is now %2.")
                        .arg(QFileInfo(it->from).fileName(), QFileInfo(it->to).fileName());
    }
    done_.clear();
    parked_.clear();
    return stay;
}

void Rotation::finish() {
    if (!parked_.isEmpty()) QFile::remove(parked_);
}

}  // namespace dravesse
