// The yardstick for the start-up benchmark: a bare Qt Widgets program showing a window like the
// main window (a 99 x 9 table, a line edit and six buttons) without reading any file.
#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLineEdit);
    auto* table = new QTableWidget(99, 9);
    for (int r = 0; r < 99; ++r) {
        table->setVerticalHeaderItem(r, new QTableWidgetItem(QStringLiteral("Item %1").arg(r)));
        for (int c = 0; c < 9; ++c)
            table->setItem(r, c, new QTableWidgetItem(QStringLiteral("********")));
    }
    layout->addWidget(table);
    auto* buttons = new QHBoxLayout;
    for (const char* caption : {"Display", "Copy", "Edit", "Insert", "Delete", "Save"})
        buttons->addWidget(new QPushButton(QString::fromLatin1(caption)));
    layout->addLayout(buttons);
    window.show();
    if (qEnvironmentVariableIsSet("DRAVESSE_QUIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
