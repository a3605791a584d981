#include "main_routine.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QTimer>

#include "app/instance_lock.h"
#include "app/private_memory.h"
#include "app/shared_state.h"
#include "app/window_icon.h"
#include "bring_forward.h"
#include "controls/fonts.h"
#include "controls/message_box.h"
#include "create_dialog/form2.h"
#include "main_window/form1.h"
#include "store/recover_item_file.h"

namespace dravesse {

void SetUpApplication(QApplication& app) {
    InstallMessageBoxes();
    RegisterGothicSubstitution();
    app.setWindowIcon(QIcon(QPixmap(kWindowIcon)));  // XPM: no image plugin is loaded
}

int Main(QApplication& app, const QString& programFolder) {
    KeepMemoryPrivate();
    InstanceLock lock(programFolder);
    if (lock.anotherInstanceRuns()) {
        lock.askToShow(qgetenv("XDG_ACTIVATION_TOKEN"));
        return 0;
    }
    // Requests wait in the socket until a loop runs, and by then a window is up: the main
    // window, the create dialog, or a question before either.
    lock.listen(&BringForward);
    // For the start-up benchmark: ends the program as soon as its main window is shown.
    const bool quitWhenShown = qgetenv("DRAVESSE_QUIT_WHEN_SHOWN") == "1";

    SetUpApplication(app);
    AppPath = programFolder;

    // Looked up in the folder the loader reads, whatever the current directory is.
    switch (LoadAtStart()) {
        case StartWith::Nothing:
            return 1;
        case StartWith::CreateDialog:
            break;
        case StartWith::MainWindow: {
            Form1 form;
            form.show();
            if (quitWhenShown) QTimer::singleShot(0, &app, &QCoreApplication::quit);
            return app.exec();
        }
    }

    Form2 dialog;
    dialog.exec();
    return 0;
}

}  // namespace dravesse
