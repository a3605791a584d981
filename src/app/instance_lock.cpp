#include "app/instance_lock.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>

#include "app/instance_socket.h"
#include "store/replace_file.h"
#include "store/store_texts.h"

namespace dravesse {
namespace {

// File systems whose names may be written in any case: FAT and exFAT, and FUSE, which fusefat
// and the like mount. fusefat gives each spelling of a folder an inode of its own.
bool foldsCase(const struct statfs& fs) {
    constexpr long kMsdos = 0x4d44, kExfat = 0x2011BAB0, kFuse = 0x65735546;
    return fs.f_type == kMsdos || fs.f_type == kExfat || fs.f_type == kFuse;
}

// `path` (absolute, without links) with each part spelt as its folder lists it, where the
// folder lists it in another case only.
QByteArray storedCase(const QByteArray& path) {
    QByteArray stored;
    for (const QByteArray& part : path.split('/')) {
        if (part.isEmpty()) continue;
        QByteArray found = part;
        if (DIR* const dir = ::opendir(stored.isEmpty() ? "/" : stored.constData())) {
            const QString wanted = QFile::decodeName(part);
            while (const dirent* entry = ::readdir(dir)) {
                if (part == entry->d_name) {
                    found = part;
                    break;
                }
                if (wanted.compare(QFile::decodeName(entry->d_name), Qt::CaseInsensitive) == 0)
                    found = entry->d_name;
            }
            ::closedir(dir);
        }
        stored += '/' + found;
    }
    return stored;
}

// The folder at `path`, opened for its lock (never anything else: a FIFO there fails at once),
// through its links and under its stored case; -1 when it cannot be opened.
int openFolder(const QString& path, struct stat* st) {
    QByteArray native = QFile::encodeName(path);
    if (char* const real = ::realpath(native.constData(), nullptr)) {
        native = real;
        std::free(real);
    }
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = ::open(native.constData(), kFlags);
    struct statfs fs {};
    if (fd >= 0 && ::fstatfs(fd, &fs) == 0 && foldsCase(fs) && native.startsWith('/')) {
        const QByteArray stored = storedCase(native);
        if (stored != native) {
            const int again = ::open(stored.constData(), kFlags);
            if (again >= 0) ::close(std::exchange(fd, again));
        }
    }
    if (fd >= 0 && ::fstat(fd, st) != 0) ::close(std::exchange(fd, -1));
    return fd;
}

}  // namespace

InstanceLock::InstanceLock(const QString& programFolder) {
    // The folder a save writes into: where Tamblet.csv's links end, else the program folder.
    const QString table = ResolvedPath(QDir(programFolder).filePath(kItemFileName));
    struct stat folders[2]{};
    locks_[0] = openFolder(programFolder, &folders[0]);
    locks_[1] = openFolder(QFileInfo(table).absolutePath(), &folders[1]);
    if (locks_[0] >= 0 && locks_[1] >= 0 && folders[0].st_dev == folders[1].st_dev &&
        folders[0].st_ino == folders[1].st_ino)
        ::close(std::exchange(locks_[1], -1));  // one folder: two locks on it would meet
    // The socket is named after the table's folder, which every start on this table finds.
    const struct stat& key = locks_[1] >= 0 ? folders[1] : folders[0];
    bool held = false;
    for (int& lock : locks_) {
        if (lock < 0) continue;
        if (::flock(lock, LOCK_EX | LOCK_NB) == 0) {
            held = true;
            continue;
        }
        anotherInstance_ = anotherInstance_ || errno == EWOULDBLOCK;
        ::close(std::exchange(lock, -1));
    }
    if (!held && !anotherInstance_) return;
    socketName_ = QStringLiteral("dravesse-%1-%2-%3")
                      .arg(::geteuid())
                      .arg(quint64(key.st_dev), 0, 16)
                      .arg(quint64(key.st_ino), 0, 16)
                      .toLatin1();
    if (anotherInstance_) {
        for (int& lock : locks_)
            if (lock >= 0) ::close(std::exchange(lock, -1));
    } else {
        socket_ = BindShowSocket(socketName_);
    }
}

InstanceLock::~InstanceLock() {
    server_.reset();
    if (socket_ >= 0) ::close(socket_);
    for (const int lock : locks_)
        if (lock >= 0) ::close(lock);
}

bool InstanceLock::listen(ShowRequested show) {
    if (socket_ < 0 || server_) return false;
    server_ = std::make_unique<ShowServer>(std::exchange(socket_, -1), std::move(show));
    return true;
}

bool InstanceLock::askToShow(const QByteArray& activationToken) const {
    return anotherInstance_ && SendShowRequest(socketName_, activationToken);
}

}  // namespace dravesse
