#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>

#include "app/exit_deadline.h"
#include "app/private_memory.h"
#include "main_routine.h"

namespace {

// Qt looks for plugins in its own plugin folder, in the folders of QT_PLUGIN_PATH and in the
// program's folder, where a platform, theme, style or input-method plugin would be loaded from
// subfolders such as platformthemes/: a file planted there would run as the program. Only Qt's
// own folder is searched: the system's, or in the self-contained folder lib/plugins, which
// scripts/bundle fills and replaces whole (its qt.conf names it for Qt, but that is read only
// once the application object exists, and the system's folder would hold plugins of another Qt).
//
// Paths set before the application object are not enough by themselves: its constructor adds the
// program's folder again, and keeps the set paths only as changes to the defaults, undoing the
// removal of a default. So the program's folder, and any folder QT_PLUGIN_PATH names, are made
// defaults first (through QT_PLUGIN_PATH, put back at once), and the set paths then remove them
// for good.
void searchPluginsOnlyWhereTheyBelong() {
    const QString folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
#ifdef DRAVESSE_PLUGINS_IN_LIB
    const QString plugins = folder + QStringLiteral("/lib/plugins");
#else
    const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
#endif
    const QByteArray given = qgetenv("QT_PLUGIN_PATH");
    const bool wasGiven = qEnvironmentVariableIsSet("QT_PLUGIN_PATH");
    qputenv("QT_PLUGIN_PATH", QFile::encodeName(folder) + (given.isEmpty() ? "" : ":" + given));
    QCoreApplication::setLibraryPaths({plugins});
    if (wasGiven)
        qputenv("QT_PLUGIN_PATH", given);
    else
        qunsetenv("QT_PLUGIN_PATH");
}

}  // namespace

int main(int argc, char* argv[]) {
    dravesse::KeepMemoryPrivate();  // before Qt starts (Main does it again for its other callers)
    searchPluginsOnlyWhereTheyBelong();
    QApplication app(argc, argv);
    const int exitCode = dravesse::Main(app, QCoreApplication::applicationDirPath());
    // Everything of the program's own is done (saved, clipboard cleared, lock released); what is
    // left is Qt's teardown, which must not keep the program from ending.
    dravesse::EndWithin(std::chrono::seconds(3), exitCode);
    return exitCode;
}
