#include "store/recovery_candidates.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>

#include "app/msg_box.h"
#include "store/item_file_format.h"
#include "store/replace_file.h"
#include "store/store_texts.h"

namespace dravesse {
namespace {

QString nameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

void tellOdd(const QStringList& odd) {
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

}  // namespace

Candidate Examine(const QString& path, bool cutShort) {
    Candidate c{path, {}, {}, false, {}, cutShort};
    QString why;
    if (std::optional<QByteArray> bytes =
            ReadRegularFile(path, kMaxFileBytes + 1, &why, &c.modified)) {
        c.sound = IsSoundTable(*bytes);
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

std::vector<Candidate> Backups(const QString& folder) {
    std::vector<Candidate> found;
    for (int g = 1; g <= 3; ++g) {
        const QString path = QDir(folder).filePath(BackupFileName(g));
        if (KindOf(path) != FileKind::Missing) found.push_back(Examine(path, false));
    }
    return found;
}

QString When(const QDateTime& time) {
    return QLocale().toString(time, QLocale::ShortFormat);
}

QString Describe(const Candidate& copy) {
    const QString name = nameOf(copy.path);
    return copy.cutShort ? QStringLiteral("%1 (left by a save that did not finish), written %2")
                               .arg(name, When(copy.modified))
                         : QStringLiteral("%1, saved %2").arg(name, When(copy.modified));
}

const std::vector<Candidate>& CutShortSaves::sound() {
    if (!listed_) {
        listed_ = true;
        QStringList odd;
        // Beside the file Tamblet.csv names, and beside Tamblet.csv itself when it is a link
        // (saves made before it became one).
        const QString target = ResolvedPath(item_);
        QStringList paths = TempFilesBeside(target, &odd);
        if (target != RealEntryPath(item_)) paths << TempFilesBeside(item_, &odd);
        for (const QString& path : paths) {
            Candidate c = Examine(path, true);
            if (c.sound) sound_.push_back(std::move(c));
        }
        std::stable_sort(sound_.begin(), sound_.end(), [](const Candidate& a, const Candidate& b) {
            return a.modified > b.modified;
        });
        if (!odd.isEmpty()) tellOdd(odd);
    }
    return sound_;
}

}  // namespace dravesse
