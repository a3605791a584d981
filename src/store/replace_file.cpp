#include "store/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
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

bool writeAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= n;
    }
    return true;
}

bool writeAllAt(int fd, const char* data, qint64 size, qint64 offset) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size_t(size), offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= n;
        offset += n;
    }
    return true;
}

constexpr qint64 kPiece = 1 << 20;

// The stretches of a file that hold data, as [begin, end) pairs; a file system that does not tell
// holes gives one stretch for the whole file.
std::optional<std::vector<std::pair<qint64, qint64>>> dataStretches(int fd, qint64 size) {
    std::vector<std::pair<qint64, qint64>> stretches;
    for (qint64 at = 0; at < size;) {
        const off_t data = ::lseek(fd, at, SEEK_DATA);
        if (data < 0 && errno == ENXIO) break;  // only a hole is left
        if (data < 0) return std::vector<std::pair<qint64, qint64>>{{0, size}};
        const off_t hole = ::lseek(fd, data, SEEK_HOLE);
        if (hole < 0) return std::vector<std::pair<qint64, qint64>>{{0, size}};
        const qint64 end = std::min<qint64>(hole, size);
        stretches.emplace_back(data, end);
        at = end;
    }
    return stretches;
}

// Closes a descriptor when it goes out of scope.
struct Closer {
    int& fd;
    ~Closer() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};

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

VerifiedTemp::~VerifiedTemp() {
    if (!path_.isEmpty()) QFile::remove(path_);
}

std::optional<DiskFailure> VerifiedTemp::create(const QString& target) {
    target_ = target;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        const QString path = NewTempPath(target);
        if (FaultAt(SaveStep::CreateTemp)) break;
        fd = ::open(native(path), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) path_ = path;
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return failure(QStringLiteral("A new file could not be created."), target);
    fd_ = fd;
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
        device_ = st.st_dev;
        inode_ = st.st_ino;
    }
    return std::nullopt;
}

std::optional<DiskFailure> VerifiedTemp::write(const QString& target, const QByteArray& bytes) {
    if (auto failed = create(target)) return failed;
    Closer closer{fd_};
    if (FaultAt(SaveStep::WriteTemp) || !writeAll(fd_, bytes.constData(), bytes.size()))
        return failure(QStringLiteral("The file could not be written."), target);
    if (FaultAt(SaveStep::FlushTemp) || ::fsync(fd_) != 0)
        return failure(QStringLiteral("The file could not be flushed to disk."), target);
    ::close(fd_);
    fd_ = -1;
    // Read through a descriptor of its own: on some file systems (FAT through FUSE) the one that
    // wrote the file reads back zeros.
    const QString unread = QStringLiteral("The file did not read back as written.");
    const std::optional<QByteArray> back = FaultAt(SaveStep::VerifyTemp)
                                               ? std::nullopt
                                               : ReadRegularFile(path_, bytes.size() + 1, nullptr);
    if (!back) return failure(unread, target);
    if (*back != bytes) {
        errno = EIO;
        return failure(unread, target);
    }
    return std::nullopt;
}

std::optional<DiskFailure> VerifiedTemp::copy(const QString& target, int sourceFd) {
    if (auto failed = create(target)) return failed;
    Closer closer{fd_};
    const QString unwritten = QStringLiteral("The file could not be written.");
    QByteArray piece(kPiece, Qt::Uninitialized), back(kPiece, Qt::Uninitialized);
    struct stat source {};
    if (::fstat(sourceFd, &source) != 0) return failure(unwritten, target);
    const auto stretches = dataStretches(sourceFd, source.st_size);
    if (!stretches) return failure(unwritten, target);
    for (const auto& [begin, end] : *stretches) {
        for (qint64 at = begin; at < end;) {
            const qint64 n = ReadAt(sourceFd, piece.data(), std::min(kPiece, end - at), at);
            if (n <= 0 || !writeAllAt(fd_, piece.constData(), n, at))
                return failure(unwritten, target);
            at += n;
        }
    }
    // A file that ends in a hole ends where it should with one zero written at its last byte,
    // without a truncate (which FAT through FUSE refuses).
    const qint64 dataEnd = stretches->empty() ? 0 : stretches->back().second;
    if (dataEnd < source.st_size && !writeAllAt(fd_, "", 1, source.st_size - 1))
        return failure(unwritten, target);
    if (FaultAt(SaveStep::WriteTemp)) return failure(unwritten, target);
    if (FaultAt(SaveStep::FlushTemp) || ::fsync(fd_) != 0)
        return failure(QStringLiteral("The file could not be flushed to disk."), target);
    ::close(fd_);
    fd_ = -1;
    // The data read back through a fresh open, stretch by stretch, and the size.
    const QString unread = QStringLiteral("The file did not read back as written.");
    struct stat st {};
    int backFd = FaultAt(SaveStep::VerifyTemp) ? -1 : OpenRegular(path_, nullptr, &st);
    if (backFd < 0) return failure(unread, target);
    Closer backCloser{backFd};
    bool same = st.st_size == source.st_size;
    for (const auto& [begin, end] : *stretches) {
        for (qint64 at = begin; same && at < end; at += kPiece) {
            const qint64 size = std::min(kPiece, end - at);
            same = ReadAt(sourceFd, piece.data(), size, at) == size &&
                   ReadAt(backFd, back.data(), size, at) == size &&
                   std::memcmp(piece.constData(), back.constData(), size_t(size)) == 0;
        }
    }
    if (!same) {
        errno = EIO;
        return failure(unread, target);
    }
    return std::nullopt;
}

bool VerifiedTemp::landed() const {
    const int error = errno;
    const bool happened = RenameHappened(path_, target_, device_, inode_);
    errno = error;
    return happened;
}

std::optional<DiskFailure> VerifiedTemp::commit() {
    if ((FaultAt(SaveStep::Commit) || ::rename(native(path_), native(target_)) != 0 ||
         FaultAt(SaveStep::CommitReplyLost)) &&
        !landed())
        return failure(QStringLiteral("The new file could not take its name."), target_);
    path_.clear();
    SyncFolder(folderOf(target_));
    return std::nullopt;
}

std::optional<DiskFailure> VerifiedTemp::commitNoReplace() {
    if ((FaultAt(SaveStep::Commit) || !RenameNoReplace(path_, target_)) && !landed())
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

bool MoveNoReplace(const QString& from, const QString& to) {
    struct stat st {};
    if (::lstat(native(from), &st) != 0) return false;
    if (RenameNoReplace(from, to)) return true;
    const int error = errno;
    if (RenameHappened(from, to, st.st_dev, st.st_ino)) return true;
    errno = error;
    return false;
}

bool RenameHappened(const QString& from, const QString& to, dev_t device, ino_t inode) {
    struct stat st {};
    if (::lstat(native(from), &st) == 0 && st.st_dev == device && st.st_ino == inode)
        return false;  // still under its old name
    return ::lstat(native(to), &st) == 0 && st.st_dev == device && st.st_ino == inode;
}

std::optional<DiskFailure> CopyNoReplace(const QString& from, const QString& to) {
    struct stat st {};
    int fd = OpenRegular(from, nullptr, &st);
    if (fd < 0)
        return failure(QStringLiteral("%1 could not be read.").arg(QFileInfo(from).fileName()),
                       from);
    Closer closer{fd};
    VerifiedTemp copy;
    if (auto failed = copy.copy(to, fd)) return failed;
    if (auto failed = copy.commitNoReplace()) return failed;
    // The copy keeps the time its table was written.
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, native(to), times, 0);
    return std::nullopt;
}

std::optional<DiskFailure> LinkOrCopyNoReplace(const QString& from, const QString& to) {
    if (!QFileInfo(from).isSymLink()) {
        if (::link(native(from), native(to)) == 0) return std::nullopt;
        if (errno != EPERM && errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP &&
            errno != EMLINK) {
            if (SameFile(from, to)) return std::nullopt;  // the link was made after all
            return failure({}, from);
        }
    }
    return CopyNoReplace(from, to);
}

bool SyncFolder(const QString& folder) {
    const int fd = ::open(native(folder), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}

}  // namespace dravesse
