#include "controls/message_box.h"

#include <QApplication>
#include <QMessageBox>

#include "app/msg_box.h"
#include "controls/wayland_dialog.h"

namespace dravesse {
namespace {

// The window a message belongs to: the active one; while another program has the keyboard (on
// Wayland no window of a program without it is active), the open modal dialog, or else the
// program's open window. Nothing at start-up, before any window is open.
QWidget* ownerWindow() {
    if (QWidget* active = QApplication::activeWindow()) return active;
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && !window->isMinimized()) return window;
    return nullptr;
}

}  // namespace

// With its window as parent, the box is that window's transient (on X11 and on Wayland), kept
// above it. On X11 Qt centres it over that window; on Wayland the compositor places it, and GNOME
// centres it once it is marked as a modal dialog through GNOME's own interface.
int ShowMessageBox(const QString& prompt, int style, const QString& title) {
    QMessageBox box(ownerWindow());
    box.setWindowFlags(kFixedDialogFlags);
    box.setWindowTitle(title);
    box.setText(prompt);
    switch (style & 0x70) {
        case kMbCritical:
            box.setIcon(QMessageBox::Critical);
            break;
        case kMbQuestion:
            box.setIcon(QMessageBox::Question);
            break;
        case kMbExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case 64:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
    }
    const bool withCancel = (style & 0x0F) == kMbOkCancel;
    box.setStandardButtons(withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(withCancel ? QMessageBox::Cancel : QMessageBox::Ok);
    if (style & kMbSystemModal) {
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    PlaceDialogOnWayland(&box);
    return box.exec() == QMessageBox::Ok ? kIdOk : kIdCancel;
}

void InstallMessageBoxes() {
    SetMsgBoxPresenter(&ShowMessageBox);
}

}  // namespace dravesse
