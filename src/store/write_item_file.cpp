#include "store/write_item_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <vector>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "store/store_texts.h"

namespace dravesse {
namespace {

SaveFaultHook& faultHook() {
    static SaveFaultHook hook;
    return hook;
}

bool fails(SaveStep step) {
    return faultHook() && faultHook()(step);
}

// A normal file of that name: not a folder, not hidden.
bool isNormalFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}

// The renames of one rotation, so that they can be undone in reverse when the save fails.
class Rotation {
  public:
    explicit Rotation(const QDir& dir) : dir_(dir) {}

    // Moves each generation one place down. A step that fails is passed over: since a rename
    // never replaces an existing file, no generation can be overwritten by it.
    void run() {
        const QString t0 = path(kItemFileName), t1 = path(BackupFileName(1)),
                      t2 = path(BackupFileName(2)), t3 = path(BackupFileName(3));
        if (isNormalFile(t1)) {
            if (isNormalFile(t2)) {
                // The oldest generation is set aside, and only deleted once the save succeeded.
                if (isNormalFile(t3)) {
                    QFile::remove(parked());
                    parkedOldest_ = move(t3, parked());
                }
                move(t2, t3);
            }
            move(t1, t2);
        }
        if (isNormalFile(t0)) move(t0, t1);
    }

    void undo() {
        for (auto it = done_.rbegin(); it != done_.rend(); ++it)
            QFile::rename(it->second, it->first);
        done_.clear();
    }

    void finish() {
        if (parkedOldest_) QFile::remove(parked());
    }

  private:
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString parked() const { return path(QStringLiteral(".Tamblet3.csv.old")); }
    bool move(const QString& from, const QString& to) {
        if (fails(SaveStep::Rotate) || !QFile::rename(from, to)) return false;
        done_.emplace_back(from, to);
        return true;
    }

    QDir dir_;
    std::vector<std::pair<QString, QString>> done_;
    bool parkedOldest_ = false;
};

void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Temporary files of saves that were killed before they finished.
void removeStaleTempFiles(const QDir& dir) {
    const QStringList stale = dir.entryList({QStringLiteral(".Tamblet.csv.??????")},
                                            QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : stale) QFile::remove(dir.filePath(name));
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

bool failed(const QString& reason) {
    MsgBox(QStringLiteral("   Can not save Tamblet.csv !    \r\n%1\r\n%2")
               .arg(reason, kNothingSavedText),
           kMbExclamation | kMbSystemModal, kErrorTitle);
    return false;
}

}  // namespace

void SetSaveFaultHook(SaveFaultHook hook) {
    faultHook() = std::move(hook);
}

bool WriteItemFile() {
    SaveInput input;
    input.rowCount = RowCount;
    input.colCount = ColCount;
    input.titles = ColumnTitles;
    input.table = ItemTable;
    input.hintWord = HintWord;
    return WriteItemFileTo(AppPath, input);
}

bool WriteItemFileTo(const QString& folder, const SaveInput& input) {
    if (const std::optional<QString> refusal = CheckForSave(input)) {
        MsgBox(*refusal + QStringLiteral("\r\n") + kNothingSavedText, kMbExclamation, kSaveTitle);
        return false;
    }
    const QByteArray bytes = FormatItemFile(input);
    if (bytes.isEmpty() || !readsBackAs(bytes, input))
        return failed(QStringLiteral("The table could not be put into the file's form."));

    const QDir dir(folder);
    removeStaleTempFiles(dir);
    QTemporaryFile temp(dir.filePath(QStringLiteral(".Tamblet.csv.XXXXXX")));  // created 0600
    temp.setAutoRemove(false);  // removed by hand below, so that a committed file stays
    if (fails(SaveStep::CreateTemp) || !temp.open()) {
        MsgBox(kCanNotOpenText, kMbExclamation | kMbSystemModal, kErrorTitle);
        return false;
    }
    const QString tempPath = temp.fileName();
    auto discard = [&](const QString& reason) {
        temp.close();
        QFile::remove(tempPath);
        return failed(reason);
    };
    if (fails(SaveStep::WriteTemp) || temp.write(bytes) != bytes.size())
        return discard(QStringLiteral("The file could not be written (is the disk full?)."));
    if (fails(SaveStep::FlushTemp) || !temp.flush() || ::fsync(temp.handle()) != 0)
        return discard(QStringLiteral("The file could not be flushed to disk."));
    if (fails(SaveStep::VerifyTemp) || !temp.seek(0) || temp.readAll() != bytes)
        return discard(QStringLiteral("The file did not read back as written."));
    temp.close();

    Rotation rotation(dir);
    rotation.run();
    if (fails(SaveStep::Commit) || !QFile::rename(tempPath, dir.filePath(kItemFileName))) {
        rotation.undo();
        QFile::remove(tempPath);
        return failed(QStringLiteral("The new file could not take the name Tamblet.csv."));
    }
    rotation.finish();
    syncFolder(folder);
    return true;
}

}  // namespace dravesse
