#include "store/disk_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace dravesse {
namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

QDateTime timeOf(const struct stat& st) {
    return QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 +
                                          st.st_mtim.tv_nsec / 1'000'000);
}

// The real folder of a path (every link in it resolved by the kernel) and the last name, or
// nothing when the folder cannot be resolved. Only bytes are split, never cleaned as text: "a/.."
// through a linked folder "a" is the linked folder's parent.
std::optional<std::pair<QByteArray, QByteArray>> splitReal(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? "/" : path.left(slash);
    const QByteArray name = path.mid(slash + 1);
    char real[PATH_MAX];
    if (!::realpath(folder.constData(), real)) return std::nullopt;
    return std::make_pair(QByteArray(real), name);
}

// The path made absolute by the current folder, as bytes, without cleaning it as text.
QByteArray absolute(const QString& path) {
    const QByteArray bytes = native(path);
    return bytes.startsWith('/') ? bytes : native(QDir::currentPath()) + '/' + bytes;
}

QByteArray join(const QByteArray& folder, const QByteArray& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

}  // namespace

// Reads up to `size` bytes at `offset`; fewer only at the end of the file. -1 on an error.
qint64 ReadAt(int fd, char* data, qint64 size, qint64 offset) {
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

// O_NONBLOCK: a FIFO that takes the name in between never blocks the open; it is then refused by
// its kind.
int OpenRegular(const QString& path, QString* why, struct stat* st) {
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

std::optional<QByteArray> ReadRegularFile(const QString& path, qsizetype maxBytes, QString* why,
                                          QDateTime* modified) {
    struct stat st {};
    const int fd = OpenRegular(path, why, &st);
    if (fd < 0) return std::nullopt;
    QByteArray bytes(qsizetype(std::min<qint64>(maxBytes, st.st_size)), Qt::Uninitialized);
    const qint64 n = ReadAt(fd, bytes.data(), bytes.size(), 0);
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
    return EntriesOnTheWay(path).constLast();
}

QStringList EntriesOnTheWay(const QString& path) {
    QStringList entries;
    QByteArray at = absolute(path);
    for (int depth = 0; depth < 40; ++depth) {
        const auto real = splitReal(at);
        if (!real) break;  // the folder itself is not there: the path stays as it is
        const auto& [folder, name] = *real;
        if (name.isEmpty() || name == "." || name == "..") {
            char whole[PATH_MAX];
            if (::realpath(at.constData(), whole)) at = whole;
            break;
        }
        at = join(folder, name);
        entries << QFile::decodeName(at);
        char target[PATH_MAX];
        const ssize_t n = ::readlink(at.constData(), target, sizeof target - 1);
        if (n <= 0) break;  // not a link (or nothing there): this is the file
        const QByteArray text(target, n);
        at = text.startsWith('/') ? text : join(folder, text);
    }
    if (entries.isEmpty() || entries.constLast() != QFile::decodeName(at))
        entries << QFile::decodeName(at);
    return entries;
}

QString LinkText(const QString& path) {
    char target[PATH_MAX];
    const ssize_t n = ::readlink(native(path), target, sizeof target - 1);
    return n > 0 ? QFile::decodeName(QByteArray(target, n)) : QString();
}

QString RealEntryPath(const QString& path) {
    const QByteArray at = absolute(path);
    const auto real = splitReal(at);
    return real ? QFile::decodeName(join(real->first, real->second)) : QString::fromLocal8Bit(at);
}

FileIdentity IdentityOf(const QString& path) {
    struct stat st {};
    if (::stat(native(path), &st) != 0) return {};
    return {true, st.st_dev, st.st_ino, qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

bool InodesMayChange(const QString& path) {
    constexpr long kFuseMagic = 0x65735546;
    struct statfs fs {};
    return ::statfs(native(path), &fs) == 0 && long(fs.f_type) == kFuseMagic;
}

bool SameFile(const QString& a, const QString& b) {
    const FileIdentity x = IdentityOf(a), y = IdentityOf(b);
    return x.exists && y.exists && x.device == y.device && x.inode == y.inode;
}

}  // namespace dravesse
