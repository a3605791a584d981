#pragma once

#include <QDir>
#include <QFile>

#include "app/instance_socket.h"

namespace dravesse::test {

// Puts the built socket library where a program folder's instance lock looks for it.
inline bool InstallSocketLibrary(const QString& programFolder) {
    const QDir folder(programFolder);
    return folder.mkpath(QStringLiteral("lib")) &&
           QFile::copy(QStringLiteral(DRAVESSE_SOCKET_LIBRARY),
                       folder.filePath(QLatin1String(kInstanceSocketLibrary)));
}

}  // namespace dravesse::test
