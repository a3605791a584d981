#include "main_routine.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <optional>

#include "app/instance_lock.h"
#include "app/private_memory.h"
#include "app/shared_state.h"
#include "app/window_icon.h"
#include "bring_forward.h"
#include "controls/fonts.h"
#include "controls/message_box.h"
#include "create_dialog/form2.h"
#include "first_shown.h"
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
    // For the start-up benchmark: "1" ends the program as soon as its main window is shown,
    // "served" once it serves the socket for a second start as well (whichever window is up:
    // exit() ends a dialog's loop too).
    const QByteArray quitWhen = qgetenv("DRAVESSE_QUIT_WHEN_SHOWN");
    // Serving the socket loads its library, and Qt Network with it, which would hold up the first
    // window by more than anything else: it starts once the first window (the main window, the
    // create dialog or a question before either) is up, answered from whichever loop runs. A
    // second start's request sent before then waits in the socket, bound with the lock.
    std::optional<WhenFirstShown> serving;
    if (quitWhen != "1")
        serving.emplace([&] {
            lock.listen(&BringForward);
            if (quitWhen == "served") QCoreApplication::exit(0);
        });

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
            if (quitWhen == "1") QTimer::singleShot(0, &app, &QCoreApplication::quit);
            return app.exec();
        }
    }

    Form2 dialog;
    dialog.exec();
    return 0;
}

}  // namespace dravesse
