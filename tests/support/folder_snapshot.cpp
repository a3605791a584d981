#include "support/folder_snapshot.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace dravesse::test {

FolderSnapshot SnapshotFolder(const QString& folder) {
    FolderSnapshot snapshot;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QString path = dir.filePath(name);
        snapshot.insert(name, {ReadBytes(path), QFile(path).permissions()});
    }
    return snapshot;
}

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

}  // namespace dravesse::test
