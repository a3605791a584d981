#include "store/recover_item_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <vector>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "store/item_file_format.h"
#include "store/read_item_file.h"
#include "store/replace_file.h"
#include "store/store_texts.h"
#include "store/write_item_file.h"

namespace dravesse {
namespace {

enum class Restore { NothingFound, Restored, Declined };

// A file that reads as a whole, sound table.
struct SoundCopy {
    QString path;
    QDateTime modified;
    QByteArray bytes;
    bool cutShort = false;  // the temporary file of a save that did not finish
};

QString itemPath() {
    return QDir(AppPath).filePath(kItemFileName);
}

// All its rows present and linked: a file cut off after a whole line could otherwise pass.
bool readsAsSoundTable(const QByteArray& bytes) {
    const std::optional<ItemFileContents> file = ParseItemFile(bytes);
    return file && file->linesRead >= file->rowCount &&
           LinksMatch(file->table, file->rowCount, file->colCount);
}

// The sound files that could stand in for Tamblet.csv, newest first: the temporary files of
// cut-short saves, then Tamblet1.csv to Tamblet3.csv, ordered by the time they were written.
std::vector<SoundCopy> soundCopies(bool cutShortOnly) {
    QStringList paths = TempFilesBeside(ResolvedPath(itemPath()));
    const qsizetype temps = paths.size();
    for (int g = 1; g <= 3 && !cutShortOnly; ++g) {
        const QString path = QDir(AppPath).filePath(BackupFileName(g));
        if (IsNormalFile(path)) paths << path;
    }
    std::vector<SoundCopy> copies;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        QFile file(paths[i]);
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QByteArray bytes = file.read(kMaxFileBytes + 1);
        if (readsAsSoundTable(bytes))
            copies.push_back({paths[i], QFileInfo(file).lastModified(), bytes, i < temps});
    }
    std::stable_sort(copies.begin(), copies.end(), [](const SoundCopy& a, const SoundCopy& b) {
        return a.modified > b.modified;
    });
    return copies;
}

QString when(const QDateTime& time) {
    return QLocale().toString(time, QLocale::ShortFormat);
}

QString describe(const SoundCopy& copy) {
    const QString name = QFileInfo(copy.path).fileName();
    return copy.cutShort ? QStringLiteral("%1 (left by a save that did not finish), written %2")
                               .arg(name, when(copy.modified))
                         : QStringLiteral("%1, saved %2").arg(name, when(copy.modified));
}

bool ask(const QStringList& lines) {
    return MsgBox(lines.join(QStringLiteral("\r\n")), kMbQuestion | kMbOkCancel, kReadTitle) ==
           kIdOk;
}

void tellNotRestored(const DiskFailure& failure) {
    QStringList lines{QStringLiteral("Tamblet.csv could not be restored.")};
    if (!failure.what.isEmpty()) lines << failure.what;
    lines << ReasonLine(failure) << QStringLiteral("Nothing was changed.");
    MsgBox(lines.join(QStringLiteral("\r\n")), kMbExclamation | kMbSystemModal, kErrorTitle);
}

// Puts the bytes in place as Tamblet.csv (through its link, if it is one), leaving the backups.
bool putInPlace(const QByteArray& bytes) {
    VerifiedTemp temp;
    std::optional<DiskFailure> failure = temp.write(ResolvedPath(itemPath()), bytes);
    if (!failure) failure = temp.commit();
    if (failure) tellNotRestored(*failure);
    return !failure;
}

// A name in the folder that no file has yet: the pattern with 1, 2, ... for %1.
QString freeName(const QDir& folder, const QString& pattern) {
    for (int n = 1;; ++n) {
        const QString name = pattern.arg(n);
        const QFileInfo info(folder.filePath(name));
        if (!info.exists() && !info.isSymLink()) return name;
    }
}

Restore restoreMissing() {
    const std::vector<SoundCopy> copies = soundCopies(false);
    if (copies.empty()) return Restore::NothingFound;
    if (!ask({QStringLiteral("Tamblet.csv is missing."),
              QStringLiteral("The newest file that reads correctly is %1.")
                  .arg(describe(copies.front())),
              QStringLiteral("OK restores it as Tamblet.csv and opens it; every other file stays "
                             "as it is."),
              QStringLiteral("Cancel ends Dravesse and changes nothing.")}))
        return Restore::Declined;
    return putInPlace(copies.front().bytes) ? Restore::Restored : Restore::Declined;
}

Restore restoreDamaged() {
    QFile damaged(itemPath());
    if (!damaged.open(QIODevice::ReadOnly)) return Restore::NothingFound;  // told why already
    const std::vector<SoundCopy> copies = soundCopies(false);
    if (copies.empty()) return Restore::NothingFound;
    const QString kept = freeName(QDir(AppPath), QStringLiteral("Tamblet-damaged%1.csv"));
    if (!ask({QStringLiteral("The newest file that reads correctly is %1.")
                  .arg(describe(copies.front())),
              QStringLiteral("OK restores it as Tamblet.csv and opens it; the damaged file is "
                             "kept as %1.")
                  .arg(kept),
              QStringLiteral("Cancel ends Dravesse and changes nothing.")}))
        return Restore::Declined;
    if (std::optional<DiskFailure> failure =
            CopyNoReplace(damaged.fileName(), QDir(AppPath).filePath(kept))) {
        tellNotRestored(*failure);
        return Restore::Declined;
    }
    return putInPlace(copies.front().bytes) ? Restore::Restored : Restore::Declined;
}

Restore finishCutShortSave() {
    const QDateTime itemTime = QFileInfo(itemPath()).lastModified();
    const std::vector<SoundCopy> copies = soundCopies(true);
    if (copies.empty() || copies.front().modified <= itemTime) return Restore::NothingFound;
    // Declined, the newer table is kept under a name of its own, since the next save removes the
    // temporary files that earlier saves left.
    const QString newer = copies.front().path;
    const QDir folder = QFileInfo(newer).dir();
    const QString kept = freeName(folder, QStringLiteral("Tamblet-unfinished%1.csv"));
    if (!ask({QStringLiteral("A save did not finish: %1 holds a newer table than Tamblet.csv, "
                             "saved %2.")
                  .arg(describe(copies.front()), when(itemTime)),
              QStringLiteral("OK makes it Tamblet.csv and opens it; the present Tamblet.csv "
                             "becomes the backup Tamblet1.csv, as in any save."),
              QStringLiteral("Cancel opens Tamblet.csv as it is and keeps the newer table as %1.")
                  .arg(kept)})) {
        if (!RenameNoReplace(newer, folder.filePath(kept)))
            MsgBox(QStringLiteral("The newer table could not be kept as %1; it stays in %2.\r\n%3")
                       .arg(kept, QFileInfo(newer).fileName(),
                            ReasonLine(DiskFailure{{}, errno, folder.absolutePath()})),
                   kMbExclamation | kMbSystemModal, kErrorTitle);
        return Restore::Declined;
    }
    return WriteItemBytesTo(AppPath, copies.front().bytes) ? Restore::Restored : Restore::Declined;
}

bool load() {
    RowCount = kMaxItemRows;
    ColCount = kMaxValueCols;
    GridMode = EditFlag = SizeFlag = 0;
    LoadResult = ReadItemFile();
    return LoadResult != 0;
}

}  // namespace

StartWith LoadAtStart() {
    if (!IsNormalFile(itemPath())) {
        const Restore restore = restoreMissing();
        if (restore == Restore::NothingFound) return StartWith::CreateDialog;
        if (restore == Restore::Declined) return StartWith::Nothing;
    }
    if (load()) {
        if (finishCutShortSave() == Restore::Restored && !load()) return StartWith::Nothing;
        return StartWith::MainWindow;
    }
    if (restoreDamaged() != Restore::Restored) return StartWith::Nothing;
    return load() ? StartWith::MainWindow : StartWith::Nothing;
}

}  // namespace dravesse
