#include "store/temp_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>

namespace dravesse {
namespace {
constexpr int kTempDigits = 12;
}

QString TempPrefix(const QString& target, const QString& kind) {
    return u'.' + QFileInfo(target).fileName() + QStringLiteral(".dravesse-") + kind + u'-';
}

QString NewTempPath(const QString& target, const QString& kind) {
    const quint64 random = QRandomGenerator::system()->generate64();
    return QFileInfo(target).absolutePath() + u'/' + TempPrefix(target, kind) +
           QStringLiteral("%1").arg(random & 0xFFFF'FFFF'FFFFull, kTempDigits, 16, QChar(u'0'));
}

bool IsTempName(QStringView name, QStringView prefix) {
    if (!name.startsWith(prefix, Qt::CaseSensitive) || name.size() != prefix.size() + kTempDigits)
        return false;
    for (const QChar c : name.sliced(prefix.size()))
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'))) return false;
    return true;
}

QStringList TempFilesIn(const QString& folder, const QStringList& prefixes, QStringList* odd) {
    QStringList paths;
    DIR* dir = ::opendir(QFile::encodeName(folder));
    if (!dir) return paths;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') continue;  // every temporary name begins with "."
        const QString name = QFile::decodeName(entry->d_name);
        if (std::none_of(prefixes.begin(), prefixes.end(),
                         [&](const QString& prefix) { return IsTempName(name, prefix); }))
            continue;
        const QString path = QDir(folder).filePath(name);
        struct stat st {};
        if (::lstat(QFile::encodeName(path), &st) == 0 && S_ISREG(st.st_mode))
            paths << path;
        else if (odd)
            *odd << path;
    }
    ::closedir(dir);
    paths.sort();
    return paths;
}

QString FreeName(const QString& folder, const QString& pattern, const QStringList& taken) {
    int n = 1;
    for (; n < 10000; ++n) {
        const QString name = pattern.arg(n);
        struct stat st {};
        if (!taken.contains(name) &&
            ::lstat(QFile::encodeName(QDir(folder).filePath(name)), &st) != 0 && errno == ENOENT)
            return name;
    }
    return pattern.arg(n);  // a folder that cannot be looked at: the rename then says why
}

QStringList TempFilesBeside(const QString& target, QStringList* odd) {
    return TempFilesIn(QFileInfo(target).absolutePath(), {TempPrefix(target)}, odd);
}

}  // namespace dravesse
