// The yardstick for the start-up benchmark: a bare Qt Widgets program showing a window like the
// main window (a table, a line edit and six buttons) without reading any file. The table has
// 99 rows and 9 columns unless its rows and columns are given as arguments.
#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int rows = argc > 2 ? std::atoi(argv[1]) : 99;
    const int cols = argc > 2 ? std::atoi(argv[2]) : 9;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLineEdit);
    auto* table = new QTableWidget(rows, cols);
    for (int r = 0; r < rows; ++r) {
        table->setVerticalHeaderItem(r, new QTableWidgetItem(QStringLiteral("Item %1").arg(r)));
        for (int c = 0; c < cols; ++c)
            table->setItem(r, c, new QTableWidgetItem(QStringLiteral("********")));
    }
    layout->addWidget(table);
    auto* buttons = new QHBoxLayout;
    for (const char* caption : {"Display", "Copy", "Edit", "Insert", "Delete", "Save"})
        buttons->addWidget(new QPushButton(QString::fromLatin1(caption)));
    layout->addLayout(buttons);
    window.show();
    // Ends as soon as the window is shown, as Dravesse does for the benchmark.
    if (!qEnvironmentVariableIsEmpty("DRAVESSE_QUIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
