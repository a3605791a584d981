#include <QApplication>

#include "main_routine.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    return dravesse::Main(app, QCoreApplication::applicationDirPath());
}
