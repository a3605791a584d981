#include "support/folder_snapshot.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

namespace dravesse::test {
namespace {

QByteArray kindMarker(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path), &st) != 0) return "<link to nothing>";
    if (S_ISREG(st.st_mode)) return {};
    if (S_ISDIR(st.st_mode)) return "<folder>";
    if (S_ISFIFO(st.st_mode)) return "<fifo>";
    return S_ISSOCK(st.st_mode) ? "<socket>" : "<device>";
}

}  // namespace

FolderSnapshot SnapshotFolder(const QString& folder) {
    FolderSnapshot snapshot;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const QString path = dir.filePath(name);
        const QByteArray marker = kindMarker(path);  // ReadBytes gives nothing for these
        snapshot.insert(
            name, {marker + ReadBytes(path),
                   marker.isEmpty() ? QFile(path).permissions() : QFileDevice::Permissions()});
    }
    return snapshot;
}

QByteArray ReadBytes(const QString& path) {
    if (!kindMarker(path).isEmpty()) return {};  // never opens a FIFO
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

void LayEntry(const QString& path, const QByteArray& what) {
    const QByteArray native = QFile::encodeName(path);
    if (what == "<folder>") {
        ASSERT_EQ(::mkdir(native, 0700), 0) << path.toStdString();
    } else if (what == "<fifo>") {
        ASSERT_EQ(::mkfifo(native, 0600), 0) << path.toStdString();
    } else if (what.startsWith("<unreadable>")) {
        WriteBytes(path, what.sliced(12));
        ASSERT_EQ(::chmod(native, 0), 0);
    } else {
        WriteBytes(path, what);
    }
}

QByteArray EntryAsLaid(const QString& path) {
    const QByteArray marker = kindMarker(path);
    if (!marker.isEmpty()) return marker;
    struct stat st {};
    const QByteArray native = QFile::encodeName(path);
    ::stat(native, &st);  // Qt's permissions count what root may read anyway
    if (st.st_mode & 0777) return ReadBytes(path);
    // Mode 000 keeps out all but root: the owner lends itself read permission for a moment.
    ::chmod(native, 0400);
    const QByteArray bytes = "<unreadable>" + ReadBytes(path);
    ::chmod(native, 0);
    return bytes;
}

void EmptyFolder(const QString& folder) {
    QDir dir(folder);
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const QString path = dir.filePath(name);
        if (::unlink(QFile::encodeName(path)) != 0) QDir(path).removeRecursively();  // a folder
    }
}

bool WithoutPermissionOverride::set(bool override) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0) return false;
    const unsigned caps = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    data[0].effective = override ? data[0].effective | caps : data[0].effective & ~caps;
    return ::syscall(SYS_capset, &header, data) == 0;
}

}  // namespace dravesse::test
