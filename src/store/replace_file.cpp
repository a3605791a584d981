#include "store/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstring>

namespace dravesse {
namespace {

SaveFaultHook& faultHook() {
    static SaveFaultHook hook;
    return hook;
}

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

QString folderOf(const QString& path) {
    return QFileInfo(path).absolutePath();
}

DiskFailure failure(const QString& what, const QString& path) {
    return {what, errno, folderOf(path)};
}

}  // namespace

void SetSaveFaultHook(SaveFaultHook hook) {
    faultHook() = std::move(hook);
}

bool FaultAt(SaveStep step) {
    if (!faultHook() || !faultHook()(step)) return false;
    errno = EIO;
    return true;
}

QString ReasonLine(const QString& reason, const QString& folder) {
    return QStringLiteral("Reason: %1. Folder: %2").arg(reason, QDir::toNativeSeparators(folder));
}

QString ReasonLine(const DiskFailure& failure) {
    return ReasonLine(QString::fromLocal8Bit(std::strerror(failure.error)), failure.folder);
}

bool IsNormalFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}

QString ResolvedPath(const QString& path) {
    QFileInfo info(path);
    for (int depth = 0; info.isSymLink() && depth < 40; ++depth) info.setFile(info.symLinkTarget());
    return info.absoluteFilePath();
}

QString TempPattern(const QString& target) {
    return u'.' + QFileInfo(target).fileName() + QStringLiteral(".??????");
}

QStringList TempFilesBeside(const QString& target) {
    const QDir dir(folderOf(target));
    QStringList paths;
    for (const QString& name :
         dir.entryList({TempPattern(target)}, QDir::Files | QDir::Hidden | QDir::System))
        paths << dir.filePath(name);
    return paths;
}

VerifiedTemp::~VerifiedTemp() {
    if (!path_.isEmpty()) QFile::remove(path_);
}

std::optional<DiskFailure> VerifiedTemp::write(const QString& target, const QByteArray& bytes) {
    target_ = target;
    QTemporaryFile file(folderOf(target) + u'/' + TempPattern(target).replace(u'?', u'X'));
    file.setAutoRemove(false);  // removed by the destructor unless committed
    if (FaultAt(SaveStep::CreateTemp) || !file.open())
        return failure(QStringLiteral("A new file could not be created."), target);
    path_ = file.fileName();
    if (FaultAt(SaveStep::WriteTemp) || file.write(bytes) != bytes.size() || !file.flush())
        return failure(QStringLiteral("The file could not be written."), target);
    if (FaultAt(SaveStep::FlushTemp) || ::fsync(file.handle()) != 0)
        return failure(QStringLiteral("The file could not be flushed to disk."), target);
    file.close();
    // Read through a descriptor of its own: on some file systems (FAT through FUSE) the one that
    // wrote the file reads back zeros.
    QFile back(path_);
    const QString unread = QStringLiteral("The file did not read back as written.");
    if (FaultAt(SaveStep::VerifyTemp) || !back.open(QIODevice::ReadOnly))
        return failure(unread, target);
    if (back.read(bytes.size() + 1) != bytes) {
        errno = EIO;
        return failure(unread, target);
    }
    return std::nullopt;
}

std::optional<DiskFailure> VerifiedTemp::commit() {
    if (FaultAt(SaveStep::Commit) || ::rename(native(path_), native(target_)) != 0)
        return failure(QStringLiteral("The new file could not take its name."), target_);
    path_.clear();
    SyncFolder(folderOf(target_));
    return std::nullopt;
}

std::optional<DiskFailure> VerifiedTemp::commitNoReplace() {
    if (FaultAt(SaveStep::Commit) || !RenameNoReplace(path_, target_))
        return failure(QStringLiteral("The new file could not take its name."), target_);
    path_.clear();
    return std::nullopt;
}

bool RenameNoReplace(const QString& from, const QString& to) {
    if (::renameat2(AT_FDCWD, native(from), AT_FDCWD, native(to), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
    // No such flag here: one instance of the program writes this folder, so a look suffices.
    struct stat st {};
    if (::lstat(native(to), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(native(from), native(to)) == 0;
}

std::optional<DiskFailure> CopyNoReplace(const QString& from, const QString& to) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("%1 could not be read.").arg(QFileInfo(from).fileName()),
                       from);
    const QByteArray bytes = source.readAll();  // all of it: a damaged file may be large
    VerifiedTemp copy;
    if (auto failed = copy.write(to, bytes)) return failed;
    if (auto failed = copy.commitNoReplace()) return failed;
    // The copy keeps the time its table was written: start-up goes by it to find the newest table.
    QFile copied(to);
    if (copied.open(QIODevice::Append))
        copied.setFileTime(QFileInfo(source).lastModified(), QFileDevice::FileModificationTime);
    return std::nullopt;
}

void SyncFolder(const QString& folder) {
    const int fd = ::open(native(folder), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace dravesse
