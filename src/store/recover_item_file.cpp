#include "store/recover_item_file.h"

#include <unistd.h>

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
#include "store/recovery_candidates.h"
#include "store/replace_file.h"
#include "store/save_checks.h"
#include "store/store_texts.h"
#include "store/write_item_file.h"

namespace dravesse {
namespace {

enum class Restore { NothingFound, Restored, Declined, Ended };

QString itemPath() {
    return QDir(AppPath).filePath(kItemFileName);
}

QString nameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

bool ask(const QStringList& lines) {
    return MsgBox(lines.join(QStringLiteral("\r\n")), kMbQuestion | kMbOkCancel, kReadTitle) ==
           kIdOk;
}

void tell(const QStringList& lines) {
    MsgBox(lines.join(QStringLiteral("\r\n")), kMbExclamation | kMbSystemModal, kErrorTitle);
}

void tellNotRestored(const DiskFailure& failure,
                     const QString& outcome = QStringLiteral("Nothing was changed.")) {
    QStringList lines{QStringLiteral("Tamblet.csv could not be restored.")};
    if (!failure.what.isEmpty()) lines << failure.what;
    lines << ReasonLine(failure) << outcome;
    tell(lines);
}

// Puts the bytes in place as Tamblet.csv (through its link, if it is one), leaving the backups.
// On failure, `failure` gets why and nothing is said yet.
bool putInPlace(const QByteArray& bytes, std::optional<DiskFailure>& failure) {
    VerifiedTemp temp;
    failure = temp.write(ResolvedPath(itemPath()), bytes);
    if (!failure) failure = temp.commit();
    return !failure;
}

bool putInPlace(const QByteArray& bytes) {
    std::optional<DiskFailure> failure;
    if (putInPlace(bytes, failure)) return true;
    tellNotRestored(*failure);
    return false;
}

// Tamblet.csv missing and backups present of which none reads: they are named, and on OK kept
// under names that no later save moves or removes, so that "Create Tamblet" can start afresh.
Restore setAsideUnreadBackups(const std::vector<Candidate>& unread) {
    const QDir folder(AppPath);
    QStringList taken;
    QStringList lines{
        QStringLiteral("Tamblet.csv is missing, and none of its backups reads "
                       "correctly:")},
        moves;
    std::vector<std::pair<QString, QString>> renames;
    for (const Candidate& c : unread) {
        const QString kept = FreeName(AppPath, QStringLiteral("Tamblet-damaged%1.csv"), taken);
        taken << kept;
        lines << c.why;
        moves << QStringLiteral("%1 as %2").arg(nameOf(c.path), kept);
        renames.emplace_back(c.path, folder.filePath(kept));
    }
    lines << QStringLiteral("OK keeps %1, and opens \"Create Tamblet\" for a new table.")
                 .arg(moves.join(QStringLiteral(", ")))
          << QStringLiteral("Cancel ends Dravesse and changes nothing.");
    if (!ask(lines)) return Restore::Declined;
    for (std::size_t i = 0; i < renames.size(); ++i) {
        if (MoveNoReplace(renames[i].first, renames[i].second)) continue;
        const DiskFailure failure{QStringLiteral("%1 could not be kept as %2.")
                                      .arg(nameOf(renames[i].first), nameOf(renames[i].second)),
                                  errno, folder.absolutePath()};
        QStringList stay;
        while (i-- > 0)  // back as they were
            if (!MoveNoReplace(renames[i].second, renames[i].first))
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
    const std::vector<Candidate> found = Backups(AppPath);
    for (const Candidate& c : found)
        if (!newest && c.sound) newest = &c;
    if (!newest) return found.empty() ? Restore::NothingFound : setAsideUnreadBackups(found);
    if (!ask({QStringLiteral("Tamblet.csv is missing."),
              QStringLiteral("The newest file that reads correctly is %1.").arg(Describe(*newest)),
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
    const std::vector<Candidate> found = Backups(AppPath);
    for (const Candidate& c : found)
        if (c.sound) order.push_back(&c);
    for (const Candidate& c : saves.sound())
        if (c.modified < itemTime) order.push_back(&c);
    if (order.empty()) return Restore::NothingFound;
    const Candidate& newest = *order.front();
    const QString kept = FreeName(AppPath, QStringLiteral("Tamblet-damaged%1.csv"));
    if (!ask({QStringLiteral("The newest file that reads correctly is %1.").arg(Describe(newest)),
              QStringLiteral("OK restores it as Tamblet.csv and opens it; the damaged file is "
                             "kept as %1.")
                  .arg(kept),
              QStringLiteral("Cancel ends Dravesse and changes nothing.")}))
        return Restore::Declined;
    // Kept whole without reading it into memory: a second name of the file Tamblet.csv names
    // (also through a link), or a copy that skips its holes.
    const QString keptPath = QDir(AppPath).filePath(kept);
    const FileIdentity damaged = IdentityOf(item);
    if (::link(QFile::encodeName(ResolvedPath(item)), QFile::encodeName(keptPath)) != 0 &&
        !SameFile(item, keptPath)) {
        if (std::optional<DiskFailure> failure = LinkOrCopyNoReplace(item, keptPath)) {
            tellNotRestored(*failure);
            return Restore::Declined;
        }
    }
    std::optional<DiskFailure> failure;
    if (putInPlace(newest.bytes, failure)) return Restore::Restored;
    // The kept name goes again while Tamblet.csv still is the damaged file: the restore then
    // changed nothing.
    if (IdentityOf(item) == damaged && QFile::remove(keptPath))
        tellNotRestored(*failure);
    else
        tellNotRestored(
            *failure,
            QStringLiteral("The damaged file is kept as %1; Tamblet.csv is as it was.").arg(kept));
    return Restore::Declined;
}

// Cut-short saves whose tables are older than Tamblet.csv (a clock stepped back, a Tamblet.csv
// synced from a machine whose clock is ahead): each is kept under a name of its own, and the start
// says so and opens Tamblet.csv.
Restore keepOlder(const std::vector<Candidate>& older, const QDateTime& itemTime) {
    QStringList lines;
    for (const Candidate& c : older) {
        const QString folder = QFileInfo(c.path).absolutePath();
        const QString kept = FreeName(folder, QStringLiteral("Tamblet-unfinished%1.csv"));
        lines << QStringLiteral(
                     "A save did not finish: %1 holds a table older than Tamblet.csv, "
                     "saved %2.")
                     .arg(Describe(c), When(itemTime));
        if (!MoveNoReplace(c.path, QDir(folder).filePath(kept))) {
            tell(lines << QStringLiteral("It could not be kept as %1; it stays in %2.")
                              .arg(kept, nameOf(c.path))
                       << ReasonLine(DiskFailure{{}, errno, folder})
                       << QStringLiteral("Dravesse ends now, so that no save removes it; the next "
                                         "start says so again."));
            return Restore::Ended;
        }
        lines << QStringLiteral("It is kept as %1, in %2.")
                     .arg(kept, QDir::toNativeSeparators(folder));
    }
    lines << QStringLiteral("Dravesse opens Tamblet.csv.");
    MsgBox(lines.join(QStringLiteral("\r\n")), kMbExclamation, kReadTitle);
    return Restore::NothingFound;
}

// Times decide only here: a cut-short save's file written no earlier than Tamblet.csv holds the
// newer table. An equal time counts as newer (FAT keeps times in 2-second steps), so such a file is
// offered, never left for the next save to remove.
Restore finishCutShortSave(CutShortSaves& saves) {
    const QDateTime itemTime = ModifiedTime(itemPath());
    if (saves.sound().empty()) return Restore::NothingFound;
    if (saves.sound().front().modified < itemTime) return keepOlder(saves.sound(), itemTime);
    const Candidate& newer = saves.sound().front();
    // Set aside under a name of its own before anything else, since every successful save removes
    // the temporary files that earlier saves left.
    const QDir folder = QFileInfo(newer.path).dir();
    const QString kept =
        FreeName(folder.absolutePath(), QStringLiteral("Tamblet-unfinished%1.csv"));
    const QString keptPath = folder.filePath(kept);
    const QString where = QDir::toNativeSeparators(folder.absolutePath());
    if (!ask({QStringLiteral("A save did not finish: %1 holds a newer table than Tamblet.csv, "
                             "saved %2.")
                  .arg(Describe(newer), When(itemTime)),
              QStringLiteral("OK makes it Tamblet.csv and opens it; the present Tamblet.csv "
                             "becomes the backup Tamblet1.csv, as in any save."),
              QStringLiteral("Cancel opens Tamblet.csv as it is and keeps the newer table as %1.")
                  .arg(kept)})) {
        if (MoveNoReplace(newer.path, keptPath)) return Restore::Declined;
        tell({QStringLiteral("The newer table could not be kept as %1; it stays in %2.")
                  .arg(kept, nameOf(newer.path)),
              ReasonLine(DiskFailure{{}, errno, folder.absolutePath()}),
              QStringLiteral("Dravesse ends now, so that no save removes it; the next start "
                             "offers it again.")});
        return Restore::Ended;
    }
    if (!MoveNoReplace(newer.path, keptPath)) {
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
    CutShortSaves saves(itemPath());
    const FileKind kind = KindOf(itemPath());
    if (kind == FileKind::LinkToNothing) {
        // A drive or synced folder not mounted, say: nothing is written into the empty place.
        tell({kCanNotOpenText, ReasonLine(kDanglingLinkText.arg(LinkText(itemPath())), AppPath),
              kMountOrRemoveText, QStringLiteral("Nothing was changed.")});
        return StartWith::Nothing;
    }
    if (kind == FileKind::Missing) {
        switch (restoreMissing(saves)) {
            case Restore::NothingFound:
                NoteItemFileAsKnown(itemPath());  // none: a save then looks for one made since
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
