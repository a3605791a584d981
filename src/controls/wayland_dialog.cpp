#include "controls/wayland_dialog.h"

#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <cstring>

#include "gtk_shell_modal-client-protocol.h"

namespace dravesse {
namespace {

// GNOME's shell interface on Qt's connection, bound once on first use; null where the
// compositor does not offer it. Bound through a queue of our own, so that the round trip that
// finds it neither runs Qt's handlers nor leaves ours to Qt's queue; the bound object then moves
// to Qt's queue, where its events (we listen to none) are dropped.
gtk_shell1* GnomeShell(wl_display* display) {
    static bool looked = false;
    static gtk_shell1* shell = nullptr;
    if (looked) return shell;
    looked = true;

    wl_event_queue* queue = wl_display_create_queue(display);
    auto* wrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapped), queue);
    wl_registry* registry = wl_display_get_registry(wrapped);
    static const wl_registry_listener listener = {
        [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
            auto* found = static_cast<gtk_shell1**>(data);
            if (*found || std::strcmp(interface, gtk_shell1_interface.name) != 0) return;
            *found = static_cast<gtk_shell1*>(
                wl_registry_bind(registry, name, &gtk_shell1_interface, 1));
        },
        [](void*, wl_registry*, uint32_t) {},
    };
    wl_registry_add_listener(registry, &listener, &shell);
    // The globals, then the shell's first events, which are read into our queue and dropped.
    if (wl_display_roundtrip_queue(display, queue) >= 0 && shell)
        wl_display_roundtrip_queue(display, queue);
    if (shell) wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(shell), nullptr);
    wl_registry_destroy(registry);
    wl_proxy_wrapper_destroy(wrapped);
    wl_event_queue_destroy(queue);
    return shell;
}

// Marks the window's surface modal at its first expose after each show: Qt makes a new surface
// for each show, and mutter places a window when its first picture comes, which Qt sends after
// this event. Also undoes a maximise: Qt's own title bar on Wayland offers one on every window,
// whatever its flags, and GNOME follows it even for a fixed-size dialog.
class DialogPlacer : public QObject {
  public:
    explicit DialogPlacer(QWindow* window) : QObject(window), window_(window) {
        window->installEventFilter(this);
        connect(window, &QWindow::windowStateChanged, this, &DialogPlacer::unmaximize,
                Qt::QueuedConnection);
    }
    ~DialogPlacer() override { forget(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_) return false;
        if (event->type() == QEvent::Hide) forget();
        if (event->type() == QEvent::Expose && !marked_ && window_->isExposed()) mark();
        return false;
    }

  private:
    void mark() {
        marked_ = true;
        if (!window_->transientParent()) return;
        QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
        auto* surface =
            static_cast<wl_surface*>(native->nativeResourceForWindow("surface", window_));
        auto* display = static_cast<wl_display*>(
            native->nativeResourceForIntegration(QByteArrayLiteral("wl_display")));
        gtk_shell1* shell = surface && display ? GnomeShell(display) : nullptr;
        if (!shell) return;
        gtkSurface_ = gtk_shell1_get_gtk_surface(shell, surface);
        gtk_surface1_set_modal(gtkSurface_);
        wl_display_flush(display);
    }

    // Version 1 has no request that ends the object, so only our side of it goes; the surface it
    // belongs to goes with the hide.
    void forget() {
        marked_ = false;
        if (gtkSurface_) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(gtkSurface_));
        gtkSurface_ = nullptr;
    }

    void unmaximize(Qt::WindowState state) {
        if (state == Qt::WindowMaximized || state == Qt::WindowFullScreen)
            window_->setWindowStates(Qt::WindowNoState);
    }

    QWindow* window_;
    bool marked_ = false;
    gtk_surface1* gtkSurface_ = nullptr;
};

}  // namespace

void PlaceDialogOnWayland(QWidget* dialog) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
    dialog->winId();  // makes the window handle, which the placer watches
    new DialogPlacer(dialog->windowHandle());
}

}  // namespace dravesse
