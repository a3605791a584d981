#include "store/write_item_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "store/rotation.h"
#include "store/save_checks.h"
#include "store/store_texts.h"

namespace dravesse {
namespace {

// Tamblet1.csv takes the table that Tamblet.csv holds, while Tamblet.csv keeps it too: a second
// name for the same file, or a copy where the file system has no hard links. A linked
// Tamblet.csv is always copied, so that the backup is a plain file of the program folder.
std::optional<DiskFailure> keepPrevious(const QString& item, const QString& backup) {
    if (FaultAt(SaveStep::Backup)) return DiskFailure{{}, errno, QFileInfo(item).absolutePath()};
    std::optional<DiskFailure> failure = LinkOrCopyNoReplace(item, backup);
    if (!failure && FaultAt(SaveStep::BackupReplyLost))
        failure = DiskFailure{{}, errno, QFileInfo(item).absolutePath()};
    return failure;
}

// True when Tamblet1.csv already holds the table that Tamblet.csv holds: the same file, left so by
// a save cut short after it kept the previous table, or a byte-for-byte copy (such a save on FAT,
// or Tamblet.csv restored from Tamblet1.csv). Every save scrambles with fresh nonces, so two saves
// never write the same bytes. Moving the backups down again would then keep one table twice and
// drop the oldest generation.
bool alreadyKept(const QString& item, const QString& backup) {
    struct stat a {
    }, b{};
    if (::stat(QFile::encodeName(item), &a) != 0 || ::lstat(QFile::encodeName(backup), &b) != 0 ||
        !S_ISREG(a.st_mode) || !S_ISREG(b.st_mode) || a.st_size != b.st_size)
        return false;
    if (a.st_dev == b.st_dev && a.st_ino == b.st_ino) return true;
    const auto x = ReadRegularFile(item, kMaxFileBytes + 1, nullptr);
    const auto y = ReadRegularFile(backup, kMaxFileBytes + 1, nullptr);
    return x && y && x->size() <= kMaxFileBytes && *x == *y;
}

// Temporary files of earlier saves (also of the time before Tamblet.csv became a link), and an
// oldest backup set aside by a save that was cut short, once a newer Tamblet3.csv took its place.
// A leftover that reads as a whole, sound table is never removed: it is kept beside them as
// Tamblet-unfinishedN.csv, and one that cannot be read stays as it is. Only regular files with the
// program's own temporary names are looked at; nothing else in either folder is touched.
void removeLeftovers(const QDir& dir, const QString& target) {
    const QString item = dir.absoluteFilePath(kItemFileName);
    QStringList ours{TempPrefix(item), TempPrefix(dir.filePath(BackupFileName(1)))};
    if (IsNormalFile(dir.filePath(BackupFileName(3))))
        ours << TempPrefix(dir.filePath(BackupFileName(3)), QStringLiteral("drop"));
    QStringList stale;
    if (QFileInfo(target).absolutePath() != dir.absolutePath())
        stale << TempFilesBeside(target);
    else if (target != item)
        ours << TempPrefix(target);
    stale << TempFilesIn(dir.absolutePath(), ours);
    for (const QString& path : stale) {
        const auto bytes = ReadRegularFile(path, kMaxFileBytes + 1, nullptr);
        if (!bytes) continue;  // what cannot be read could be a table: it stays
        if (IsSoundTable(*bytes) && !path.contains(QStringLiteral(".dravesse-drop-"))) {
            const QString folder = QFileInfo(path).absolutePath();
            RenameNoReplace(path, QDir(folder).filePath(FreeName(
                                      folder, QStringLiteral("Tamblet-unfinished%1.csv"))));
        } else {
            QFile::remove(path);
        }
    }
}

// True when the bytes read back as exactly the table that was meant to be written.
bool readsBackAs(const QByteArray& bytes, const SaveInput& in) {
    const std::optional<ItemFileContents> back = ParseItemFile(bytes);
    if (!back || back->rowCount != in.rowCount || back->colCount != in.colCount ||
        back->linesRead != in.rowCount || back->table[0][in.colCount + 1] != in.hintWord ||
        !LinksMatch(back->table, in.rowCount, in.colCount))
        return false;
    for (int c = 1; c <= in.colCount; ++c)
        if (back->titles[c] != in.titles[c]) return false;
    for (int r = 0; r < in.rowCount; ++r)
        for (int c = 0; c <= in.colCount; ++c)
            if (back->table[r][c] != in.table[r][c]) return false;
    return true;
}

bool failed(const QString& first, const QStringList& more, const QString& onFailure) {
    QStringList lines{first};
    lines << more;
    if (!onFailure.isEmpty()) lines << onFailure;
    MsgBox(lines.join(QStringLiteral("\r\n")), kMbExclamation | kMbSystemModal, kErrorTitle);
    return false;
}

bool failed(const DiskFailure& failure, const QString& onFailure,
            const QStringList& notPutBack = {}) {
    QStringList more;
    if (!failure.what.isEmpty()) more << failure.what;
    more << ReasonLine(failure);
    if (notPutBack.isEmpty())
        more << kNothingSavedText;
    else
        more << kNotAllPutBackText << notPutBack;
    return failed(kCanNotSaveText, more, onFailure);
}

}  // namespace

bool WriteItemFile(const QString& onFailure) {
    SaveInput input;
    input.rowCount = RowCount;
    input.colCount = ColCount;
    input.titles = ColumnTitles;
    input.table = ItemTable;
    input.hintWord = HintWord;
    // Another program may have replaced Tamblet.csv since the start read it: the person decides.
    QStringList changed;
    if (ItemFileChanged(QDir(AppPath).filePath(kItemFileName), &changed) &&
        MsgBox(changed.join(QStringLiteral("\r\n")), kMbQuestion | kMbOkCancel, kSaveTitle) !=
            kIdOk)
        return false;
    return WriteItemFileTo(AppPath, input, onFailure);
}

bool WriteItemFileTo(const QString& folder, const SaveInput& input, const QString& onFailure) {
    if (const std::optional<QString> refusal = CheckForSave(input)) {
        QString prompt = *refusal + QStringLiteral("\r\n") + kNothingSavedText;
        if (!onFailure.isEmpty()) prompt += QStringLiteral("\r\n") + onFailure;
        MsgBox(prompt, kMbExclamation, kSaveTitle);
        return false;
    }
    const QByteArray bytes = FormatItemFile(input);
    if (bytes.isEmpty() || !readsBackAs(bytes, input))
        return failed(
            kCanNotSaveText,
            {QStringLiteral("The table could not be put into the file's form."), kNothingSavedText},
            onFailure);
    return WriteItemBytesTo(folder, bytes, onFailure);
}

bool WriteItemBytesTo(const QString& folder, const QByteArray& bytes, const QString& onFailure) {
    const QDir dir(folder);
    const QString item = dir.filePath(kItemFileName), backup = dir.filePath(BackupFileName(1));
    const QString target = ResolvedPath(item);
    if (std::optional<QStringList> reason = ReasonNotToSave(dir, target))
        return failed(kCanNotSaveText, *reason << kNothingSavedText, onFailure);

    VerifiedTemp temp;
    if (std::optional<DiskFailure> failure = temp.write(target, bytes)) {
        if (!temp.created())  // the folder takes no new file
            return failed(kCanNotOpenText, {ReasonLine(*failure)}, onFailure);
        return failed(*failure, onFailure);
    }

    // Tamblet.csv's table goes to Tamblet1.csv, the older ones one place down, unless a save cut
    // short has done so already. Without a Tamblet.csv nothing moves: no generation makes room for
    // a table that is not there.
    const bool hadItemFile = IsNormalFile(item);
    const bool moveDown = hadItemFile && !alreadyKept(item, backup);
    Rotation rotation(dir);
    if (moveDown) rotation.run();
    // Tamblet1.csv as this save made it: a second name or a copy of Tamblet.csv's table.
    const bool backupMade = moveDown && KindOf(backup) == FileKind::Missing;
    std::optional<DiskFailure> failure;
    // Each failed call is followed by a look at the disk: a call that reported a failure may
    // have done its work.
    if (moveDown && (failure = keepPrevious(item, backup)) &&
        !(backupMade && alreadyKept(item, backup))) {
        failure->what = QStringLiteral("Tamblet1.csv could not take the previous table.");
        if (failure->error == EEXIST && rotation.firstError()) {  // the backups did not move
            failure->what = QStringLiteral("The backups could not move down.");
            failure->error = rotation.firstError();
        }
    } else {
        failure.reset();
        // The backups' new names reach the disk before Tamblet.csv takes the new table, also where
        // renames are not kept in order across a power loss (a cut-short save's too). The commit
        // then syncs the folder of the file Tamblet.csv names: with a linked Tamblet.csv, both
        // folders are synced.
        if (hadItemFile && (FaultAt(SaveStep::SyncBackups) || !SyncFolder(folder)))
            failure =
                DiskFailure{QStringLiteral("The backups' new names could not be flushed to disk."),
                            errno, dir.absolutePath()};
        else if ((failure = temp.commit()))
            failure->what = QStringLiteral("The new file could not take the name Tamblet.csv.");
        // Tamblet1.csv goes again only while Tamblet.csv still holds its table: never the last
        // name of a table.
        if (failure && backupMade && alreadyKept(item, backup)) QFile::remove(backup);
    }
    if (failure) return failed(*failure, onFailure, rotation.undo());
    rotation.finish();
    removeLeftovers(dir, target);
    NoteItemFileAsKnown(item);
    return true;
}

}  // namespace dravesse
