#include "store/replace_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
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

FileKind KindOf(const QString& path) {
    struct stat st {};
    if (::stat(native(path), &st) != 0) {
        if (errno == ENOENT && ::lstat(native(path), &st) == 0) return FileKind::LinkToNothing;
        return errno == ENOENT || errno == ENOTDIR ? FileKind::Missing : FileKind::Unknown;
    }
    if (S_ISREG(st.st_mode)) return FileKind::Regular;
    if (S_ISDIR(st.st_mode)) return FileKind::Folder;
    if (S_ISFIFO(st.st_mode)) return FileKind::Fifo;
    if (S_ISSOCK(st.st_mode)) return FileKind::Socket;
    return FileKind::Device;  // character or block device
}

bool IsNormalFile(const QString& path) {
    return KindOf(path) == FileKind::Regular;
}

QString NotAFileText(const QString& name, FileKind kind) {
    switch (kind) {
        case FileKind::Folder:
            return QStringLiteral("%1 is a folder, not a file").arg(name);
        case FileKind::Fifo:
            return QStringLiteral("%1 is a FIFO (named pipe), not a file").arg(name);
        case FileKind::Socket:
            return QStringLiteral("%1 is a socket, not a file").arg(name);
        case FileKind::Device:
            return QStringLiteral("%1 is a device, not a file").arg(name);
        case FileKind::LinkToNothing:
            return QStringLiteral("%1 is a link to a file that does not exist").arg(name);
        default:
            return QStringLiteral("%1 is not a file").arg(name);
    }
}

namespace {

QDateTime timeOf(const struct stat& st) {
    return QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 +
                                          st.st_mtim.tv_nsec / 1'000'000);
}

// Opens a regular file for reading. O_NONBLOCK: a FIFO that takes the name in between never
// blocks the open; it is then refused by its kind.
int openRegular(const QString& path, QString* why, struct stat* st) {
    const FileKind kind = KindOf(path);
    if (kind != FileKind::Regular && kind != FileKind::Missing && kind != FileKind::Unknown) {
        if (why) *why = NotAFileText(QFileInfo(path).fileName(), kind);
        errno = EINVAL;
        return -1;
    }
    const int fd = ::open(native(path), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (why) *why = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
        ::close(fd);
        if (why) *why = NotAFileText(QFileInfo(path).fileName(), FileKind::Unknown);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

// Reads up to `size` bytes at `offset`; fewer only at the end of the file. -1 on an error.
qint64 readAt(int fd, char* data, qint64 size, qint64 offset) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, data + done, size_t(size - done), offset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += n;
    }
    return done;
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

constexpr qint64 kPiece = 1 << 20;

}  // namespace

std::optional<QByteArray> ReadRegularFile(const QString& path, qsizetype maxBytes, QString* why,
                                          QDateTime* modified) {
    struct stat st {};
    const int fd = openRegular(path, why, &st);
    if (fd < 0) return std::nullopt;
    QByteArray bytes(qsizetype(std::min<qint64>(maxBytes, st.st_size)), Qt::Uninitialized);
    const qint64 n = readAt(fd, bytes.data(), bytes.size(), 0);
    const int error = errno;
    ::close(fd);
    if (n < 0) {
        if (why) *why = QString::fromLocal8Bit(std::strerror(error));
        return std::nullopt;
    }
    bytes.truncate(n);
    if (modified) *modified = timeOf(st);
    return bytes;
}

QDateTime ModifiedTime(const QString& path) {
    struct stat st {};
    return ::stat(native(path), &st) == 0 ? timeOf(st) : QDateTime();
}

QString ResolvedPath(const QString& path) {
    QFileInfo info(path);
    for (int depth = 0; info.isSymLink() && depth < 40; ++depth) info.setFile(info.symLinkTarget());
    return info.absoluteFilePath();
}

namespace {
constexpr int kTempDigits = 12;
}

QString TempPrefix(const QString& target, const QString& kind) {
    return u'.' + QFileInfo(target).fileName() + QStringLiteral(".dravesse-") + kind + u'-';
}

QString NewTempPath(const QString& target, const QString& kind) {
    const quint64 random = QRandomGenerator::system()->generate64();
    return folderOf(target) + u'/' + TempPrefix(target, kind) +
           QStringLiteral("%1").arg(random & 0xFFFF'FFFF'FFFFull, kTempDigits, 16, QChar(u'0'));
}

bool IsTempName(QStringView name, QStringView prefix) {
    if (!name.startsWith(prefix, Qt::CaseSensitive) || name.size() != prefix.size() + kTempDigits)
        return false;
    for (const QChar c : name.sliced(prefix.size()))
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'))) return false;
    return true;
}

QStringList TempFilesIn(const QString& folder, const QStringList& prefixes, QStringList* odd) {
    QStringList paths;
    DIR* dir = ::opendir(native(folder));
    if (!dir) return paths;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') continue;  // every temporary name begins with "."
        const QString name = QFile::decodeName(entry->d_name);
        if (std::none_of(prefixes.begin(), prefixes.end(),
                         [&](const QString& prefix) { return IsTempName(name, prefix); }))
            continue;
        const QString path = QDir(folder).filePath(name);
        struct stat st {};
        if (::lstat(native(path), &st) == 0 && S_ISREG(st.st_mode))
            paths << path;
        else if (odd)
            *odd << path;
    }
    ::closedir(dir);
    paths.sort();
    return paths;
}

QStringList TempFilesBeside(const QString& target, QStringList* odd) {
    return TempFilesIn(folderOf(target), {TempPrefix(target)}, odd);
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
    return std::nullopt;
}

namespace {
// Closes a descriptor when it goes out of scope.
struct Closer {
    int& fd;
    ~Closer() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};
}  // namespace

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
    for (qint64 total = 0;;) {
        const qint64 n = readAt(sourceFd, piece.data(), kPiece, total);
        if (n < 0) return failure(unwritten, target);
        if (n == 0) break;
        // A piece of zeros is skipped, and so stays a hole, unless it is the last one: the file
        // then ends where it should without a truncate (which FAT through FUSE refuses).
        const bool hole =
            total + n < source.st_size &&
            std::all_of(piece.cbegin(), piece.cbegin() + n, [](char c) { return c == 0; });
        if (hole ? ::lseek(fd_, n, SEEK_CUR) < 0 : !writeAll(fd_, piece.constData(), n))
            return failure(unwritten, target);
        total += n;
    }
    if (FaultAt(SaveStep::WriteTemp)) return failure(unwritten, target);
    if (FaultAt(SaveStep::FlushTemp) || ::fsync(fd_) != 0)
        return failure(QStringLiteral("The file could not be flushed to disk."), target);
    ::close(fd_);
    fd_ = -1;
    const QString unread = QStringLiteral("The file did not read back as written.");
    struct stat st {};
    int backFd = FaultAt(SaveStep::VerifyTemp) ? -1 : openRegular(path_, nullptr, &st);
    if (backFd < 0) return failure(unread, target);
    Closer backCloser{backFd};
    for (qint64 at = 0;; at += kPiece) {
        const qint64 a = readAt(sourceFd, piece.data(), kPiece, at);
        const qint64 b = readAt(backFd, back.data(), kPiece, at);
        if (a != b || a < 0 || std::memcmp(piece.constData(), back.constData(), size_t(a)) != 0) {
            errno = EIO;
            return failure(unread, target);
        }
        if (a == 0) break;
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
    struct stat st {};
    int fd = openRegular(from, nullptr, &st);
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
            errno != EMLINK)
            return failure({}, from);
    }
    return CopyNoReplace(from, to);
}

void SyncFolder(const QString& folder) {
    const int fd = ::open(native(folder), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace dravesse
