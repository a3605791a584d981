// Looking at what a name in a folder stands for, the way the kernel sees it, and reading regular
// files without ever opening anything else.
#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

struct stat;

namespace dravesse {

// What a name in a folder stands for, looked at without opening it (through its links). Unknown:
// it could not be looked at (no permission to search the folder, an I/O error).
enum class FileKind { Missing, Regular, Folder, Fifo, Socket, Device, LinkToNothing, Unknown };
FileKind KindOf(const QString& path);

// A regular file of that name (through a link, if it is one).
bool IsNormalFile(const QString& path);

// "Tamblet2.csv is a FIFO (named pipe), not a file", for a kind other than Regular and Missing.
QString NotAFileText(const QString& name, FileKind kind);

// Opens a regular file for reading, through its links; anything else is refused with `why` set
// ("... is a folder, not a file", "Permission denied"). -1 on failure.
int OpenRegular(const QString& path, QString* why, struct stat* st);

// Reads up to `size` bytes at `offset` of an open file; fewer only at its end. -1 on an error.
qint64 ReadAt(int fd, char* data, qint64 size, qint64 offset);

// Reads at most `maxBytes` of a regular file, never opening anything else: a FIFO, socket,
// device or folder gives nothing, and `why` says what it is ("... is a folder, not a file");
// so does a file that cannot be opened ("Permission denied"). `modified` gets its time.
std::optional<QByteArray> ReadRegularFile(const QString& path, qsizetype maxBytes, QString* why,
                                          QDateTime* modified = nullptr);

// The time a file (through its links) was last written; invalid when it cannot be looked at.
QDateTime ModifiedTime(const QString& path);

// The file a path stands for, as the kernel finds it: the path itself, or the file its symbolic
// links end at (which need not exist yet), each link's text taken from the real folder it lies
// in, so that "cloud/../pw.csv" through a linked folder "cloud" is where the kernel goes. Writing
// there keeps a linked Tamblet.csv a link.
QString ResolvedPath(const QString& path);

// A symbolic link's own text, as the person would read it; empty for anything else.
QString LinkText(const QString& path);

// Every folder entry the kernel passes through to reach the file a path stands for: the path's
// own entry first (as RealEntryPath gives it), then each link's target, ResolvedPath last.
QStringList EntriesOnTheWay(const QString& path);

// The folder entry a name stands for without following its last link: its real folder (links
// resolved) and its own name. Two paths name the same entry when these are equal.
QString RealEntryPath(const QString& path);

// Which file a name stands for, through its links, and as what it was last seen: a save compares
// this with what the start read, to tell a Tamblet.csv that another program replaced.
struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};
FileIdentity IdentityOf(const QString& path);

// True when the file system of the path may give a file another inode number once the kernel
// forgot it (FUSE, FAT through FUSE among them): its inode numbers then tell nothing.
bool InodesMayChange(const QString& path);

// True when the two names, through their links, are one file (the same device and inode).
bool SameFile(const QString& a, const QString& b);

}  // namespace dravesse
