// The disk side of saving: temporary files that are read back before they count, renames that
// never replace a file by accident, and failures that say why.
//
// Nothing here needs hard links, O_TMPFILE or renameat2's no-replace flag, so that a folder on a
// FAT stick works; where a file system has them they are used.
#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

#include "store/disk_file.h"
#include "store/temp_files.h"

namespace dravesse {

// The steps of a save, for tests that make one of them fail (with EIO). The "...ReplyLost" steps
// are asked right after the call of that step succeeded: true makes it report a failure anyway,
// as network file systems do when a reply is lost. Undo is a rename that puts a backup back.
enum class SaveStep {
    CreateTemp,
    WriteTemp,
    FlushTemp,
    VerifyTemp,
    Rotate,
    Backup,
    Commit,
    SyncBackups,
    RotateReplyLost,
    BackupReplyLost,
    CommitReplyLost,
    Undo
};
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
    // of any size is copied without being held in memory. Its holes are skipped, not read, so a
    // huge sparse file takes no longer than the data it holds.
    std::optional<DiskFailure> copy(const QString& target, int sourceFd);
    bool created() const { return !path_.isEmpty(); }
    // Gives the file the target's name, replacing what is there in one step, and syncs the folder.
    // A rename reported as failed that did happen (the target is this file now) counts as done.
    std::optional<DiskFailure> commit();
    // Gives the file the target's name only while no file has that name.
    std::optional<DiskFailure> commitNoReplace();

  private:
    std::optional<DiskFailure> create(const QString& target);
    bool landed() const;  // the file has the target's name now, whatever the rename said
    QString target_, path_;
    int fd_ = -1;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

// Renames `from` to `to` unless `to` exists. Sets errno on failure.
bool RenameNoReplace(const QString& from, const QString& to);

// Makes `to`, which must not exist yet, a complete copy of the regular file `from`, keeping its
// time. Memory use does not grow with the file's size.
std::optional<DiskFailure> CopyNoReplace(const QString& from, const QString& to);

// Gives `to`, which must not exist yet, the table of `from`: a second name for the same file where
// the file system has hard links and `from` is not a symbolic link, a copy otherwise.
std::optional<DiskFailure> LinkOrCopyNoReplace(const QString& from, const QString& to);

// RenameNoReplace, looked at on disk when it reports a failure: a rename that happened anyway
// counts as done.
bool MoveNoReplace(const QString& from, const QString& to);

// True when `to` is now the file that `from` was (device and inode as `from` had before a
// rename), and `from` is gone: a rename that reported a failure did happen.
bool RenameHappened(const QString& from, const QString& to, dev_t device, ino_t inode);

// Flushes a folder's entries to disk. Sets errno on failure.
bool SyncFolder(const QString& folder);

}  // namespace dravesse
