#pragma once

#include <unistd.h>

#include <QByteArray>
#include <QFileDevice>
#include <QMap>
#include <QString>

#include "support/qt_print.h"

namespace dravesse::test {

// Every entry in a folder, hidden ones included: a file's bytes and permissions. Anything else is
// never opened; its bytes say what it is: "<folder>", "<fifo>", "<socket>", "<device>".
struct FileState {
    QByteArray bytes;
    QFileDevice::Permissions permissions;
    bool operator==(const FileState&) const = default;
};
using FolderSnapshot = QMap<QString, FileState>;

FolderSnapshot SnapshotFolder(const QString& folder);
QByteArray ReadBytes(const QString& path);
void WriteBytes(const QString& path, const QByteArray& bytes);

// Lays one entry: "<folder>" and "<fifo>" make those, "<unreadable>" followed by bytes a file of
// those bytes with no permissions at all; anything else is a file's bytes.
void LayEntry(const QString& path, const QByteArray& what);
// What LayEntry would have been given for the entry there is now.
QByteArray EntryAsLaid(const QString& path);
// Empties a folder of everything, hidden entries, FIFOs and folders included.
void EmptyFolder(const QString& folder);

// While one exists, this thread works without the capabilities that let root ignore file
// permissions, so that a file of mode 000 is unreadable for root too. Nothing for others.
class WithoutPermissionOverride {
  public:
    WithoutPermissionOverride() { changed_ = ::geteuid() == 0 && set(false); }
    ~WithoutPermissionOverride() {
        if (changed_) set(true);
    }

  private:
    static bool set(bool override);
    bool changed_ = false;
};

}  // namespace dravesse::test
