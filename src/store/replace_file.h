// The disk side of saving: temporary files that are read back before they count, renames that
// never replace a file by accident, and failures that say why.
//
// Nothing here needs hard links, O_TMPFILE or renameat2's no-replace flag, so that a folder on a
// FAT stick works; where a file system has them they are used.
#pragma once

#include <QByteArray>
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

// A normal file of that name (through a link, if it is one): not a folder, not hidden.
bool IsNormalFile(const QString& path);

// The file a path stands for: the path itself, or the file its symbolic links end at (which need
// not exist yet). Writing there keeps a linked Tamblet.csv a link.
QString ResolvedPath(const QString& path);

// Temporary files that saves of `target` left beside it: ".<name>.XXXXXX".
QStringList TempFilesBeside(const QString& target);
QString TempPattern(const QString& target);

// A new temporary file beside `target` holding `bytes`, flushed to disk and read back through a
// fresh open (as the next start will read it). Removed again unless committed.
class VerifiedTemp {
  public:
    VerifiedTemp() = default;
    VerifiedTemp(const VerifiedTemp&) = delete;
    VerifiedTemp& operator=(const VerifiedTemp&) = delete;
    ~VerifiedTemp();

    std::optional<DiskFailure> write(const QString& target, const QByteArray& bytes);
    bool created() const { return !path_.isEmpty(); }
    // Gives the file the target's name, replacing what is there in one step, and syncs the folder.
    std::optional<DiskFailure> commit();
    // Gives the file the target's name only while no file has that name.
    std::optional<DiskFailure> commitNoReplace();

  private:
    QString target_, path_;
};

// Renames `from` to `to` unless `to` exists. Sets errno on failure.
bool RenameNoReplace(const QString& from, const QString& to);

// Makes `to`, which must not exist yet, a complete copy of `from`.
std::optional<DiskFailure> CopyNoReplace(const QString& from, const QString& to);

void SyncFolder(const QString& folder);

}  // namespace dravesse
