// The disk side of saving: temporary files that are read back before they count, renames that
// never replace a file by accident, and failures that say why.
//
// Nothing here needs hard links, O_TMPFILE or renameat2's no-replace flag, so that a folder on a
// FAT stick works; where a file system has them they are used.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace dravesse {

// The steps of a save, for tests that make one of them fail (with EIO).
enum class SaveStep { CreateTemp, WriteTemp, FlushTemp, VerifyTemp, Rotate, Backup, Commit };
using SaveFaultHook = std::function<bool(SaveStep)>;  // true: that step fails
void SetSaveFaultHook(SaveFaultHook hook);
bool FaultAt(SaveStep step);  // sets errno to EIO when the step is made to fail

// What went wrong on disk: the failed step in words for the user, the system's error number and
// the folder it happened in.
struct DiskFailure {
    QString what;
    int error = 0;
    QString folder;
};

// One line for the user: "Reason: Permission denied. Folder: /home/me/dravesse".
QString ReasonLine(const QString& reason, const QString& folder);
QString ReasonLine(const DiskFailure& failure);

// What a name in a folder stands for, looked at without opening it (through its links). Unknown:
// it could not be looked at (no permission to search the folder, an I/O error).
enum class FileKind { Missing, Regular, Folder, Fifo, Socket, Device, LinkToNothing, Unknown };
FileKind KindOf(const QString& path);

// A regular file of that name (through a link, if it is one).
bool IsNormalFile(const QString& path);

// "Tamblet2.csv is a FIFO (named pipe), not a file", for a kind other than Regular and Missing.
QString NotAFileText(const QString& name, FileKind kind);

// Reads at most `maxBytes` of a regular file, never opening anything else: a FIFO, socket,
// device or folder gives nothing, and `why` says what it is ("... is a folder, not a file");
// so does a file that cannot be opened ("Permission denied"). `modified` gets its time.
std::optional<QByteArray> ReadRegularFile(const QString& path, qsizetype maxBytes, QString* why,
                                          QDateTime* modified = nullptr);

// The time a file (through its links) was last written; invalid when it cannot be looked at.
QDateTime ModifiedTime(const QString& path);

// The file a path stands for: the path itself, or the file its symbolic links end at (which need
// not exist yet). Writing there keeps a linked Tamblet.csv a link.
QString ResolvedPath(const QString& path);

// The program's own temporary files are named ".<target's name>.dravesse-<kind>-" followed by
// 12 lowercase hexadecimal digits, kind "save" for a file being written and "drop" for the oldest
// backup set aside during a save. Nothing else is ever taken for one: names are compared
// literally and case-sensitively, without wildcards.
QString TempPrefix(const QString& target, const QString& kind = QStringLiteral("save"));
QString NewTempPath(const QString& target, const QString& kind = QStringLiteral("save"));
bool IsTempName(QStringView name, QStringView prefix);

// One listing of a folder: the regular files whose names are temporary names with one of the
// prefixes. Entries under such names that are not regular files go to `odd`, when given.
QStringList TempFilesIn(const QString& folder, const QStringList& prefixes,
                        QStringList* odd = nullptr);
// The temporary files that saves of `target` left beside it.
QStringList TempFilesBeside(const QString& target, QStringList* odd = nullptr);

// A new temporary file beside `target` holding `bytes`, flushed to disk and read back through a
// fresh open (as the next start will read it). Removed again unless committed.
class VerifiedTemp {
  public:
    VerifiedTemp() = default;
    VerifiedTemp(const VerifiedTemp&) = delete;
    VerifiedTemp& operator=(const VerifiedTemp&) = delete;
    ~VerifiedTemp();

    std::optional<DiskFailure> write(const QString& target, const QByteArray& bytes);
    // The same for the whole of an open regular file, read and written in pieces, so that a file
    // of any size is copied without being held in memory. Zero pieces stay holes.
    std::optional<DiskFailure> copy(const QString& target, int sourceFd);
    bool created() const { return !path_.isEmpty(); }
    // Gives the file the target's name, replacing what is there in one step, and syncs the folder.
    std::optional<DiskFailure> commit();
    // Gives the file the target's name only while no file has that name.
    std::optional<DiskFailure> commitNoReplace();

  private:
    std::optional<DiskFailure> create(const QString& target);
    QString target_, path_;
    int fd_ = -1;
};

// Renames `from` to `to` unless `to` exists. Sets errno on failure.
bool RenameNoReplace(const QString& from, const QString& to);

// Makes `to`, which must not exist yet, a complete copy of the regular file `from`, keeping its
// time. Memory use does not grow with the file's size.
std::optional<DiskFailure> CopyNoReplace(const QString& from, const QString& to);

// Gives `to`, which must not exist yet, the table of `from`: a second name for the same file where
// the file system has hard links and `from` is not a symbolic link, a copy otherwise.
std::optional<DiskFailure> LinkOrCopyNoReplace(const QString& from, const QString& to);

void SyncFolder(const QString& folder);

}  // namespace dravesse
