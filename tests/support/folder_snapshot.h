#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QMap>
#include <QString>

#include "support/qt_print.h"

namespace dravesse::test {

// Every file in a folder, hidden ones included: its bytes and permissions.
struct FileState {
    QByteArray bytes;
    QFileDevice::Permissions permissions;
    bool operator==(const FileState&) const = default;
};
using FolderSnapshot = QMap<QString, FileState>;

FolderSnapshot SnapshotFolder(const QString& folder);
QByteArray ReadBytes(const QString& path);
void WriteBytes(const QString& path, const QByteArray& bytes);

}  // namespace dravesse::test
