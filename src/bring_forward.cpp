#include "bring_forward.h"

#include <QApplication>
#include <QWidget>

#include "main_window/form1.h"

namespace dravesse {

void BringForward(const QByteArray& activationToken) {
    QWidget* target = QApplication::activeModalWidget();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible()) continue;
        if (window->isMinimized())
            window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        if (!target && qobject_cast<Form1*>(window)) target = window;
    }
    if (!target) return;
    // Qt's Wayland platform activates with the token in this variable, then removes it.
    const bool wayland = QApplication::platformName().startsWith(QLatin1String("wayland"));
    if (wayland && !activationToken.isEmpty()) qputenv("XDG_ACTIVATION_TOKEN", activationToken);
    target->raise();
    target->activateWindow();
    if (wayland) qunsetenv("XDG_ACTIVATION_TOKEN");
}

}  // namespace dravesse
