// Moving the backups one place down before a save, and back again when the save fails; every
// failed call is followed by a look at the disk, so that what is said afterwards is what is there.
#pragma once

#include <QDir>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace dravesse {

class Rotation {
  public:
    explicit Rotation(const QDir& dir) : dir_(dir) {}

    // Moves Tamblet1.csv and Tamblet2.csv one place down. A step that fails is passed over: no
    // rename replaces an existing file, so no generation can be overwritten by it. A rename
    // reported as failed that did happen counts as done.
    void run();

    // Puts back what run() moved, newest move first. Returns, for the user, the moves that could
    // not be put back ("Tamblet1.csv is now Tamblet2.csv."); empty when all are back.
    QStringList undo();

    // Removes the oldest backup set aside by run(), once the save succeeded.
    void finish();

    // The system's error of the first step that failed, 0 when none did.
    int firstError() const { return firstError_; }

  private:
    struct Move {
        QString from, to;
        dev_t device;
        ino_t inode;
    };
    QString path(const QString& name) const { return dir_.filePath(name); }
    bool move(const QString& from, const QString& to);

    QDir dir_;
    std::vector<Move> done_;
    QString parked_;
    std::pair<QString, QString>
        unlinked_;  // a second name removed, and the name it shared a file with
    int firstError_ = 0;
};

}  // namespace dravesse
