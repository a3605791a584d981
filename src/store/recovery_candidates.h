// The files that could stand in for Tamblet.csv at start-up: the backups, and the tables that
// saves cut short left beside Tamblet.csv's file.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <vector>

namespace dravesse {

// A file that could stand in for Tamblet.csv, and what was found in it.
struct Candidate {
    QString path;
    QDateTime modified;
    QByteArray bytes;
    bool sound = false;     // reads as a whole, sound table
    QString why;            // when not sound: why, for the user
    bool cutShort = false;  // the temporary file of a save that did not finish
};

// Looks at one file; only a regular file is opened, and at most a little more than the largest
// item file is read from it.
Candidate Examine(const QString& path, bool cutShort);

// Tamblet1.csv to Tamblet3.csv in `folder` that exist under their names (a file, or anything
// else), by generation: Tamblet1.csv first, whatever the times of the files.
std::vector<Candidate> Backups(const QString& folder);

// "Tamblet1.csv, saved 12/7/26 3:04 PM", or for a cut-short save's file "... (left by a save
// that did not finish), written ...".
QString Describe(const Candidate& copy);
QString When(const QDateTime& time);

// What one start found of the files that saves cut short left beside the file `item` names: the
// folder is listed once.
class CutShortSaves {
  public:
    explicit CutShortSaves(const QString& item) : item_(item) {}
    // The sound ones, newest first. Entries under the program's temporary names that are not
    // regular files are named to the user once, and left alone.
    const std::vector<Candidate>& sound();

  private:
    QString item_;
    bool listed_ = false;
    std::vector<Candidate> sound_;
};

}  // namespace dravesse
