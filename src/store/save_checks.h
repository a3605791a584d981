// What a save looks at on disk before it touches anything: names that are not files, a
// Tamblet.csv that cannot or must not be written, and the Tamblet.csv the program last read.
#pragma once

#include <QDir>
#include <QString>
#include <QStringList>
#include <optional>

#include "store/disk_file.h"

namespace dravesse {

// Why a save into this folder must not begin, as lines for the user (the last one says what to
// do); nothing when it may. `target` is the file Tamblet.csv names, through its links.
std::optional<QStringList> ReasonNotToSave(const QDir& dir, const QString& target);

// The Tamblet.csv that the program last read or wrote, as it was then (whether it existed, which
// file it was, its size and time). A save from the shared state compares it with what is there.
void NoteItemFileAsKnown(const QString& itemPath);
// The same, with the identity it had when it was read (taken before reading it, so that a change
// while it was read counts as a change).
void NoteItemFileAsKnown(const QString& itemPath, const FileIdentity& asRead);
// True when the Tamblet.csv at that path is no longer the one noted for it, with `lines` saying
// what is there now. A path never noted is taken as unchanged.
bool ItemFileChanged(const QString& itemPath, QStringList* lines);

}  // namespace dravesse
