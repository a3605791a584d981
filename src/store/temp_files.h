// The names of the program's own temporary files, and finding the ones earlier saves left.
#pragma once

#include <QString>
#include <QStringList>

namespace dravesse {

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

// A name in the folder that nothing has yet (not even a link to nothing), nor is in `taken`: the
// pattern with 1, 2, ... for %1.
QString FreeName(const QString& folder, const QString& pattern, const QStringList& taken = {});

}  // namespace dravesse
