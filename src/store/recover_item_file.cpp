#include "store/recover_item_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
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

enum class Restore { NothingFound, Restored, Declined, Ended };

// A file that could stand in for Tamblet.csv, and what was found in it.
struct Candidate {
    QString path;
    QDateTime modified;
    QByteArray bytes;
    bool sound = false;     // reads as a whole, sound table
    QString why;            // when not sound: why, for the user
    bool cutShort = false;  // the temporary file of a save that did not finish
};

QString itemPath() {
    return QDir(AppPath).filePath(kItemFileName);
}

QString nameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

// All its rows present and linked: a file cut off after a whole line could otherwise pass.
bool readsAsSoundTable(const QByteArray& bytes) {
    const std::optional<ItemFileContents> file = ParseItemFile(bytes);
    return file && file->linesRead >= file->rowCount &&
           LinksMatch(file->table, file->rowCount, file->colCount);
}

// Looks at one file; only a regular file is opened, and at most a little more than the largest
// item file is read from it.
Candidate examine(const QString& path, bool cutShort) {
    Candidate c{path, {}, {}, false, {}, cutShort};
    QString why;
    if (std::optional<QByteArray> bytes =
            ReadRegularFile(path, kMaxFileBytes + 1, &why, &c.modified)) {
        c.sound = readsAsSoundTable(*bytes);
        if (c.sound)
            c.bytes = std::move(*bytes);
        else
            c.why = QStringLiteral("%1 is damaged.").arg(nameOf(path));
    } else {
        c.why = why.startsWith(nameOf(path))
                    ? why + u'.'
                    : QStringLiteral("%1 can not be read: %2.").arg(nameOf(path), why);
    }
    return c;
}

// What one start found of the files that saves cut short left beside Tamblet.csv's file: the
// folder is listed once.
class CutShortSaves {
  public:
    // The sound ones, newest first. Entries under the program's temporary names that are not
    // regular files are named to the user once, and left alone.
    const std::vector<Candidate>& sound() {
        if (!listed_) {
            listed_ = true;
            QStringList odd;
            for (const QString& path : TempFilesBeside(ResolvedPath(itemPath()), &odd)) {
                Candidate c = examine(path, true);
                if (c.sound) sound_.push_back(std::move(c));
            }
            std::stable_sort(
                sound_.begin(), sound_.end(),
                [](const Candidate& a, const Candidate& b) { return a.modified > b.modified; });
            if (!odd.isEmpty()) tellOdd(odd);
        }
        return sound_;
    }

  private:
    static void tellOdd(const QStringList& odd) {
        QStringList lines;
        for (const QString& path : odd)
            lines << NotAFileText(nameOf(path), KindOf(path)) +
                         QStringLiteral(", in %1.")
                             .arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath()));
        lines << QStringLiteral(
            "Dravesse uses that name for its own temporary files and leaves "
            "this one alone.");
        MsgBox(lines.join(QStringLiteral("\r\n")), kMbExclamation, kReadTitle);
    }

    bool listed_ = false;
    std::vector<Candidate> sound_;
};

// Tamblet1.csv to Tamblet3.csv that exist under their names (a file, or anything else), by
// generation: Tamblet1.csv first, whatever the times of the files.
std::vector<Candidate> backups() {
    std::vector<Candidate> found;
    for (int g = 1; g <= 3; ++g) {
        const QString path = QDir(AppPath).filePath(BackupFileName(g));
        if (KindOf(path) != FileKind::Missing) found.push_back(examine(path, false));
    }
    return found;
}

QString when(const QDateTime& time) {
    return QLocale().toString(time, QLocale::ShortFormat);
}

QString describe(const Candidate& copy) {
    const QString name = nameOf(copy.path);
    return copy.cutShort ? QStringLiteral("%1 (left by a save that did not finish), written %2")
                               .arg(name, when(copy.modified))
                         : QStringLiteral("%1, saved %2").arg(name, when(copy.modified));
}

bool ask(const QStringList& lines) {
    return MsgBox(lines.join(QStringLiteral("\r\n")), kMbQuestion | kMbOkCancel, kReadTitle) ==
           kIdOk;
}

void tell(const QStringList& lines) {
    MsgBox(lines.join(QStringLiteral("\r\n")), kMbExclamation | kMbSystemModal, kErrorTitle);
}

void tellNotRestored(const DiskFailure& failure) {
    QStringList lines{QStringLiteral("Tamblet.csv could not be restored.")};
    if (!failure.what.isEmpty()) lines << failure.what;
    lines << ReasonLine(failure) << QStringLiteral("Nothing was changed.");
    tell(lines);
}

// Puts the bytes in place as Tamblet.csv (through its link, if it is one), leaving the backups.
bool putInPlace(const QByteArray& bytes) {
    VerifiedTemp temp;
    std::optional<DiskFailure> failure = temp.write(ResolvedPath(itemPath()), bytes);
    if (!failure) failure = temp.commit();
    if (failure) tellNotRestored(*failure);
    return !failure;
}

// A name in the folder that nothing has yet, nor is in `taken`: the pattern with 1, 2, ... for %1.
QString freeName(const QDir& folder, const QString& pattern, const QSet<QString>& taken = {}) {
    for (int n = 1;; ++n) {
        const QString name = pattern.arg(n);
        if (!taken.contains(name) && KindOf(folder.filePath(name)) == FileKind::Missing)
            return name;  // not even a link to nothing has that name
    }
}

// Tamblet.csv missing and backups present of which none reads: they are named, and on OK kept
// under names that no later save moves or removes, so that "Create Tamblet" can start afresh.
Restore setAsideUnreadBackups(const std::vector<Candidate>& unread) {
    const QDir folder(AppPath);
    QSet<QString> taken;
    QStringList lines{
        QStringLiteral("Tamblet.csv is missing, and none of its backups reads "
                       "correctly:")},
        moves;
    std::vector<std::pair<QString, QString>> renames;
    for (const Candidate& c : unread) {
        const QString kept = freeName(folder, QStringLiteral("Tamblet-damaged%1.csv"), taken);
        taken.insert(kept);
        lines << c.why;
        moves << QStringLiteral("%1 as %2").arg(nameOf(c.path), kept);
        renames.emplace_back(c.path, folder.filePath(kept));
    }
    lines << QStringLiteral("OK keeps %1, and opens \"Create Tamblet\" for a new table.")
                 .arg(moves.join(QStringLiteral(", ")))
          << QStringLiteral("Cancel ends Dravesse and changes nothing.");
    if (!ask(lines)) return Restore::Declined;
    for (std::size_t i = 0; i < renames.size(); ++i) {
        if (RenameNoReplace(renames[i].first, renames[i].second)) continue;
        const DiskFailure failure{QStringLiteral("%1 could not be kept as %2.")
                                      .arg(nameOf(renames[i].first), nameOf(renames[i].second)),
                                  errno, folder.absolutePath()};
        QStringList stay;
        while (i-- > 0)  // back as they were
            if (!RenameNoReplace(renames[i].second, renames[i].first))
                stay << QStringLiteral("%1 is now %2.")
                            .arg(nameOf(renames[i].first), nameOf(renames[i].second));
        tell(QStringList{QStringLiteral("The backups could not be set aside."), failure.what,
                         ReasonLine(failure)}
             << (stay.isEmpty() ? QStringList{QStringLiteral("Nothing was changed.")} : stay));
        return Restore::Ended;
    }
    return Restore::NothingFound;
}

Restore restoreMissing(CutShortSaves& saves) {
    // A cut-short save's table is newer than any backup: the save that wrote it came last.
    const Candidate* newest = saves.sound().empty() ? nullptr : &saves.sound().front();
    const std::vector<Candidate> found = backups();
    for (const Candidate& c : found)
        if (!newest && c.sound) newest = &c;
    if (!newest) return found.empty() ? Restore::NothingFound : setAsideUnreadBackups(found);
    if (!ask({QStringLiteral("Tamblet.csv is missing."),
              QStringLiteral("The newest file that reads correctly is %1.").arg(describe(*newest)),
              QStringLiteral("OK restores it as Tamblet.csv and opens it; every other file stays "
                             "as it is."),
              QStringLiteral("Cancel ends Dravesse and changes nothing.")}))
        return Restore::Declined;
    return putInPlace(newest->bytes) ? Restore::Restored : Restore::Declined;
}

Restore restoreDamaged(CutShortSaves& saves) {
    const QString item = itemPath();
    QDateTime itemTime;
    if (!ReadRegularFile(item, 0, nullptr, &itemTime))
        return Restore::NothingFound;  // told why already
    // A cut-short save's table written no earlier than the damaged file, then the backups by
    // generation, then the older files of cut-short saves.
    std::vector<const Candidate*> order;
    for (const Candidate& c : saves.sound())
        if (c.modified >= itemTime) order.push_back(&c);
    const std::vector<Candidate> found = backups();
    for (const Candidate& c : found)
        if (c.sound) order.push_back(&c);
    for (const Candidate& c : saves.sound())
        if (c.modified < itemTime) order.push_back(&c);
    if (order.empty()) return Restore::NothingFound;
    const Candidate& newest = *order.front();
    const QString kept = freeName(QDir(AppPath), QStringLiteral("Tamblet-damaged%1.csv"));
    if (!ask({QStringLiteral("The newest file that reads correctly is %1.").arg(describe(newest)),
              QStringLiteral("OK restores it as Tamblet.csv and opens it; the damaged file is "
                             "kept as %1.")
                  .arg(kept),
              QStringLiteral("Cancel ends Dravesse and changes nothing.")}))
        return Restore::Declined;
    // Kept whole without reading it into memory: a second name, or a copy made piece by piece.
    if (std::optional<DiskFailure> failure =
            LinkOrCopyNoReplace(item, QDir(AppPath).filePath(kept))) {
        tellNotRestored(*failure);
        return Restore::Declined;
    }
    return putInPlace(newest.bytes) ? Restore::Restored : Restore::Declined;
}

// Times decide only here: a cut-short save's file written no earlier than Tamblet.csv holds the
// newer table. An equal time counts as newer (FAT keeps times in 2-second steps), so such a file is
// offered, never left for the next save to remove.
Restore finishCutShortSave(CutShortSaves& saves) {
    const QDateTime itemTime = ModifiedTime(itemPath());
    if (saves.sound().empty() || saves.sound().front().modified < itemTime)
        return Restore::NothingFound;
    const Candidate& newer = saves.sound().front();
    // Set aside under a name of its own before anything else, since every successful save removes
    // the temporary files that earlier saves left.
    const QDir folder = QFileInfo(newer.path).dir();
    const QString kept = freeName(folder, QStringLiteral("Tamblet-unfinished%1.csv"));
    const QString keptPath = folder.filePath(kept);
    const QString where = QDir::toNativeSeparators(folder.absolutePath());
    if (!ask({QStringLiteral("A save did not finish: %1 holds a newer table than Tamblet.csv, "
                             "saved %2.")
                  .arg(describe(newer), when(itemTime)),
              QStringLiteral("OK makes it Tamblet.csv and opens it; the present Tamblet.csv "
                             "becomes the backup Tamblet1.csv, as in any save."),
              QStringLiteral("Cancel opens Tamblet.csv as it is and keeps the newer table as %1.")
                  .arg(kept)})) {
        if (RenameNoReplace(newer.path, keptPath)) return Restore::Declined;
        tell({QStringLiteral("The newer table could not be kept as %1; it stays in %2.")
                  .arg(kept, nameOf(newer.path)),
              ReasonLine(DiskFailure{{}, errno, folder.absolutePath()}),
              QStringLiteral("Dravesse ends now, so that no save removes it; the next start "
                             "offers it again.")});
        return Restore::Ended;
    }
    if (!RenameNoReplace(newer.path, keptPath)) {
        // It cannot be set aside: if the save cannot finish either, the program ends, so that no
        // save removes the one file that holds the newer table.
        return WriteItemBytesTo(AppPath, newer.bytes,
                                QStringLiteral("The newer table stays in %1, in %2. Dravesse ends "
                                               "now, so that no save removes it; the next start "
                                               "offers it again.")
                                    .arg(nameOf(newer.path), where))
                   ? Restore::Restored
                   : Restore::Ended;
    }
    if (!WriteItemBytesTo(AppPath, newer.bytes,
                          QStringLiteral("The newer table is kept as %1, in %2. Dravesse opens "
                                         "Tamblet.csv as it is.")
                              .arg(kept, where)))
        return Restore::Declined;
    QFile::remove(keptPath);  // its table is Tamblet.csv now
    return Restore::Restored;
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
    CutShortSaves saves;
    const FileKind kind = KindOf(itemPath());
    if (kind == FileKind::Missing || kind == FileKind::LinkToNothing) {
        switch (restoreMissing(saves)) {
            case Restore::NothingFound:
                return StartWith::CreateDialog;
            case Restore::Restored:
                return load() ? StartWith::MainWindow : StartWith::Nothing;
            default:
                return StartWith::Nothing;
        }
    }
    if (kind != FileKind::Regular && kind != FileKind::Unknown) {
        // A folder, a FIFO, ...: never taken for a missing file, never opened.
        tell({kCanNotOpenText, ReasonLine(NotAFileText(kItemFileName, kind), AppPath),
              QStringLiteral("Dravesse keeps its table only in a file of that name. Nothing was "
                             "changed.")});
        return StartWith::Nothing;
    }
    if (load()) {
        switch (finishCutShortSave(saves)) {
            case Restore::Restored:
                return load() ? StartWith::MainWindow : StartWith::Nothing;
            case Restore::Ended:
                return StartWith::Nothing;
            default:
                return StartWith::MainWindow;
        }
    }
    if (restoreDamaged(saves) != Restore::Restored) return StartWith::Nothing;
    return load() ? StartWith::MainWindow : StartWith::Nothing;
}

}  // namespace dravesse
