#include "store/rotation.h"

#include <sys/stat.h>
#include <unistd.h>

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
    // Tamblet2.csv a second name of Tamblet.csv's or Tamblet1.csv's file (a hand restore with a
    // hard link): that name goes instead of the oldest table, which then need not make room.
    const QString item = path(kItemFileName);
    for (const QString& same : {item, t1}) {
        if (!IsNormalFile(t2) || !SameFile(t2, same) || FaultAt(SaveStep::Rotate)) continue;
        if (::unlink(QFile::encodeName(t2)) == 0) unlinked_ = {t2, same};
    }
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
    // The second name comes back once the file it names is back under its own name.
    if (!unlinked_.first.isEmpty() &&
        (FaultAt(SaveStep::Undo) ||
         ::link(QFile::encodeName(unlinked_.second), QFile::encodeName(unlinked_.first)) != 0) &&
        !SameFile(unlinked_.first, unlinked_.second))
        stay << QStringLiteral("%1 is no longer a second name of %2.")
                    .arg(QFileInfo(unlinked_.first).fileName(),
                         QFileInfo(unlinked_.second).fileName());
    unlinked_ = {};
    return stay;
}

void Rotation::finish() {
    if (!parked_.isEmpty()) QFile::remove(parked_);
}

}  // namespace dravesse
