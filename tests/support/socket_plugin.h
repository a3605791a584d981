#pragma once

#include <QDir>
#include <QFile>

#include "app/instance_socket.h"

namespace dravesse::test {

// Puts the built socket plugin where a program folder's instance lock looks for it.
inline bool InstallSocketPlugin(const QString& programFolder) {
    const QDir folder(programFolder);
    return folder.mkpath(QStringLiteral("lib")) &&
           QFile::copy(QStringLiteral(DRAVESSE_SOCKET_PLUGIN),
                       folder.filePath(QLatin1String(kInstanceSocketPlugin)));
}

}  // namespace dravesse::test
