#include "store/save_checks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include "store/replace_file.h"
#include "store/store_texts.h"

namespace dravesse {
namespace {

struct Known {
    QString path;
    FileIdentity identity;
};
std::optional<Known>& known() {
    static std::optional<Known> noted;
    return noted;
}

}  // namespace

std::optional<QStringList> ReasonNotToSave(const QDir& dir, const QString& target) {
    const QString folder = dir.absolutePath();
    for (int g = 0; g <= 3; ++g) {
        const QString name = g ? BackupFileName(g) : kItemFileName;
        const FileKind kind = KindOf(dir.filePath(name));
        // What cannot be looked at fails later, with the system's reason.
        if (kind == FileKind::Regular || kind == FileKind::Missing || kind == FileKind::Unknown)
            continue;
        if (g == 0 && kind == FileKind::LinkToNothing)  // a synced folder not mounted, say
            return QStringList{
                ReasonLine(kDanglingLinkText.arg(LinkText(dir.filePath(name))), folder),
                kMountOrRemoveText};
        return QStringList{ReasonLine(NotAFileText(name, kind), folder),
                           QStringLiteral("Move it out of the folder, then save again.")};
    }
    // One of the four names a link (also through other links) to another of them: the save would
    // write the new table over a backup, or moving the backups down would lose a table.
    QStringList names, entries;
    for (int g = 0; g <= 3; ++g) {
        names << (g ? BackupFileName(g) : kItemFileName);
        entries << RealEntryPath(dir.filePath(names.constLast()));
    }
    for (int g = 0; g <= 3; ++g) {
        const QStringList way = EntriesOnTheWay(dir.filePath(names[g]));
        for (qsizetype i = 1; i < way.size(); ++i) {
            const qsizetype other = entries.indexOf(way[i]);
            if (other < 0 || other == g) continue;
            return QStringList{
                ReasonLine(g == 0 ? QStringLiteral("Tamblet.csv is a link to its own backup %1, "
                                                   "which a save would write over")
                                        .arg(names[other])
                                  : QStringLiteral("%1 is a link to %2, and moving the backups "
                                                   "down would lose a table")
                                        .arg(names[g], names[other]),
                           folder),
                QStringLiteral("Make %1 a file of its own (a copy of %2), then save again.")
                    .arg(names[g], names[other])};
        }
    }
    // A file its owner made read-only is not replaced by a writable one.
    struct stat st {};
    if (::stat(QFile::encodeName(target), &st) == 0 && S_ISREG(st.st_mode) &&
        (st.st_mode & 0222) == 0)
        return QStringList{ReasonLine(QStringLiteral("Tamblet.csv is read-only"), folder),
                           QStringLiteral("Make it writable (chmod u+w), then save again.")};
    return std::nullopt;
}

void NoteItemFileAsKnown(const QString& itemPath) {
    NoteItemFileAsKnown(itemPath, IdentityOf(itemPath));
}

void NoteItemFileAsKnown(const QString& itemPath, const FileIdentity& asRead) {
    known() = Known{itemPath, asRead};
}

bool ItemFileChanged(const QString& itemPath, QStringList* lines) {
    if (!known() || known()->path != itemPath) return false;
    const FileIdentity now = IdentityOf(itemPath), then = known()->identity;
    if (now == then) return false;
    // FAT through FUSE numbers a file anew once the kernel forgot it: there only the size and the
    // time tell.
    if (now.exists && then.exists && now.device == then.device && now.size == then.size &&
        now.modifiedNs == then.modifiedNs && InodesMayChange(itemPath))
        return false;
    const QString when =
        now.exists ? QLocale().toString(ModifiedTime(itemPath), QLocale::ShortFormat) : QString();
    if (!now.exists)
        *lines << QStringLiteral("Tamblet.csv was removed after Dravesse read it.");
    else if (!then.exists)
        *lines << QStringLiteral(
                      "Another program made a Tamblet.csv, saved %1, after Dravesse "
                      "started.")
                      .arg(when);
    else
        *lines << QStringLiteral(
                      "Tamblet.csv was changed by another program after Dravesse "
                      "read it: it now holds a table saved %1.")
                      .arg(when);
    *lines << (now.exists ? QStringLiteral("OK saves your table as Tamblet.csv; the other table "
                                           "becomes the backup Tamblet1.csv.")
                          : QStringLiteral("OK saves your table as Tamblet.csv."))
           << QStringLiteral(
                  "Cancel saves nothing: every file stays as it is, and your table "
                  "stays in this window.");
    return true;
}

}  // namespace dravesse
