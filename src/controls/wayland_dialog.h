#pragma once

class QWidget;

namespace dravesse {

// On Wayland, has GNOME's compositor treat the dialog as a modal dialog of its owner window each
// time it is shown, so that it is centred over that window and attached to it, as on X11 (Qt
// marks the owner only as the dialog's parent, which mutter 43 does not centre on); and keeps the
// fixed-size dialog from being maximised. Does nothing on X11; the marking needs an owner window
// and a compositor with GNOME's shell interface.
void PlaceDialogOnWayland(QWidget* dialog);

}  // namespace dravesse
