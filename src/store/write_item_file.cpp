#include "store/write_item_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <vector>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "store/store_texts.h"

namespace dravesse {
namespace {

// The renames of one rotation, so that they can be undone in reverse when the save fails.
class Rotation {
  public:
    explicit Rotation(const QDir& dir) : dir_(dir) {}

    // Moves Tamblet1.csv and Tamblet2.csv one place down. A step that fails is passed over: no
    // rename replaces an existing file, so no generation can be overwritten by it.
    void run() {
        const QString t1 = path(BackupFileName(1)), t2 = path(BackupFileName(2)),
                      t3 = path(BackupFileName(3));
        if (!IsNormalFile(t1)) return;
        if (IsNormalFile(t2)) {
            // The oldest generation is set aside, and only deleted once the save succeeded.
            if (IsNormalFile(t3)) {
                const QString aside = NewTempPath(t3, QStringLiteral("drop"));
                if (move(t3, aside)) parked_ = aside;
            }
            move(t2, t3);
        }
        move(t1, t2);
    }

    void undo() {
        for (auto it = done_.rbegin(); it != done_.rend(); ++it)
            RenameNoReplace(it->second, it->first);
        done_.clear();
    }

    void finish() {
        if (!parked_.isEmpty()) QFile::remove(parked_);
    }

    // The system's error of the first step that failed, 0 when none did.
    int firstError() const { return firstError_; }

  private:
    QString path(const QString& name) const { return dir_.filePath(name); }
    bool move(const QString& from, const QString& to) {
        if (FaultAt(SaveStep::Rotate) || !RenameNoReplace(from, to)) {
            if (!firstError_) firstError_ = errno;
            return false;
        }
        done_.emplace_back(from, to);
        return true;
    }

    QDir dir_;
    std::vector<std::pair<QString, QString>> done_;
    QString parked_;
    int firstError_ = 0;
};

// Tamblet1.csv takes the table that Tamblet.csv holds, while Tamblet.csv keeps it too: a second
// name for the same file, or a copy where the file system has no hard links. A linked
// Tamblet.csv is always copied, so that the backup is a plain file of the program folder.
std::optional<DiskFailure> keepPrevious(const QString& item, const QString& backup) {
    if (FaultAt(SaveStep::Backup)) return DiskFailure{{}, errno, QFileInfo(item).absolutePath()};
    return LinkOrCopyNoReplace(item, backup);
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
// oldest backup set aside by a save that was cut short. Only regular files with the program's
// own temporary names go; nothing else in either folder is touched.
void removeLeftovers(const QDir& dir, const QString& target) {
    const QString item = dir.absoluteFilePath(kItemFileName);
    QStringList ours{TempPrefix(item), TempPrefix(dir.filePath(BackupFileName(1))),
                     TempPrefix(dir.filePath(BackupFileName(3)), QStringLiteral("drop"))};
    QStringList stale;
    if (QFileInfo(target).absolutePath() != dir.absolutePath())
        stale << TempFilesBeside(target);
    else if (target != item)
        ours << TempPrefix(target);
    stale << TempFilesIn(dir.absolutePath(), ours);
    for (const QString& path : stale) QFile::remove(path);
}

// The first name among Tamblet.csv (through its link) and its backups that stands for something
// other than a regular file: a save would have to open, rename or replace it.
std::optional<QString> notAFile(const QDir& dir) {
    for (int g = 0; g <= 3; ++g) {
        const QString name = g ? BackupFileName(g) : kItemFileName;
        const FileKind kind = KindOf(dir.filePath(name));
        // A linked Tamblet.csv whose file does not exist yet is written through its link.
        // What cannot be looked at fails below, with the system's reason.
        if (kind == FileKind::Regular || kind == FileKind::Missing || kind == FileKind::Unknown ||
            (g == 0 && kind == FileKind::LinkToNothing))
            continue;
        return NotAFileText(name, kind);
    }
    return std::nullopt;
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

bool failed(const DiskFailure& failure, const QString& onFailure) {
    QStringList more;
    if (!failure.what.isEmpty()) more << failure.what;
    more << ReasonLine(failure) << kNothingSavedText;
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
    if (const std::optional<QString> odd = notAFile(dir))
        return failed(
            kCanNotSaveText,
            {ReasonLine(*odd, dir.absolutePath()),
             QStringLiteral("Move it out of the folder, then save again."), kNothingSavedText},
            onFailure);
    const QString target = ResolvedPath(item);

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
    std::optional<DiskFailure> failure;
    if (moveDown && (failure = keepPrevious(item, backup))) {
        failure->what = QStringLiteral("Tamblet1.csv could not take the previous table.");
        if (failure->error == EEXIST && rotation.firstError()) {  // the backups did not move
            failure->what = QStringLiteral("The backups could not move down.");
            failure->error = rotation.firstError();
        }
    } else {
        // The backups' new names reach the disk before Tamblet.csv takes the new table, also where
        // renames are not kept in order across a power loss (a cut-short save's too). The commit
        // then syncs the folder of the file Tamblet.csv names: with a linked Tamblet.csv, both
        // folders are synced.
        if (hadItemFile) SyncFolder(folder);
        if ((failure = temp.commit())) {
            failure->what = QStringLiteral("The new file could not take the name Tamblet.csv.");
            if (moveDown) QFile::remove(backup);
        }
    }
    if (failure) {
        rotation.undo();
        return failed(*failure, onFailure);
    }
    rotation.finish();
    removeLeftovers(dir, target);
    return true;
}

}  // namespace dravesse
