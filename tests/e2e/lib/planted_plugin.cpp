// A file someone might plant in the program folder: it declares itself a Qt plugin for every
// platform theme, platform and style name Qt asks for at start, and on being loaded writes the
// file named by DRAVESSE_PLANTED_MARKER. The program must never load it.
#include <QObject>
#include <cstdio>
#include <cstdlib>

__attribute__((constructor)) static void markLoaded() {
    if (const char* marker = std::getenv("DRAVESSE_PLANTED_MARKER"))
        if (FILE* f = std::fopen(marker, "w")) std::fclose(f);
}

class PlantedPlugin : public QObject {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QPA.QPlatformThemeFactoryInterface.5.1" FILE
                          "planted_plugin.json")
};

#include "planted_plugin.moc"
