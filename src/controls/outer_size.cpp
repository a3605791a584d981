#include "controls/outer_size.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "controls/twips.h"
#include "controls/window_frame.h"

namespace dravesse {
namespace {

// QT_SCALE_FACTOR scales this program alone: the window manager goes on drawing its frame at the
// desktop's own scale. (On Wayland a frame is Qt's own drawing, which scales with the program.)
double programOnlyScale() {
    static const double factor = [] {
        if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return 1.0;
        bool ok = false;
        const double f = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
        return ok && f > 0 ? f : 1.0;
    }();
    return factor;
}

}  // namespace

OuterSize::OuterSize(QWidget* window, QMargins assumedFrame)
    : QObject(window), window_(window), assumedFrame_(assumedFrame) {
    window->installEventFilter(this);
}

void OuterSize::Set(std::optional<int> outerWidth, int outerHeight, int maxInsideHeight) {
    width_ = outerWidth;
    height_ = outerHeight;
    maxInsideHeight_ = maxInsideHeight;
    fit();
}

// The frame's width (left and right) and height (title bar and bottom) as they are at 1x, in this
// program's pixels: the frame does not grow with QT_SCALE_FACTOR, so the inside is the same at
// every factor and the window is its 1x self, scaled. The screen's own pixels are exact; where
// only Qt's rounded frame is known, it is counted back to them.
QSize OuterSize::frameAllowance() const {
    const QWindow* handle = window_->windowHandle();
    if (!reportedFrame().isNull()) {
        const double f = programOnlyScale();
        if (const std::optional<QMargins> e = ScreenFrameExtents(handle)) {
            const double perScreenPixel = f / handle->devicePixelRatio();
            return QSize(static_cast<int>(std::lround((e->left() + e->right()) * perScreenPixel)),
                         static_cast<int>(std::lround((e->top() + e->bottom()) * perScreenPixel)));
        }
        const QMargins m = reportedFrame();
        return QSize(static_cast<int>(std::lround((m.left() + m.right()) * f)),
                     static_cast<int>(std::lround((m.top() + m.bottom()) * f)));
    }
    return QSize(TwipsToPixels(assumedFrame_.left() + assumedFrame_.right()),
                 TwipsToPixels(assumedFrame_.top() + assumedFrame_.bottom()));
}

QMargins OuterSize::reportedFrame() const {
    const QWindow* handle = window_->windowHandle();
    return handle && window_->isVisible() ? handle->frameMargins() : QMargins();
}

void OuterSize::fit() {
    fittedTo_ = reportedFrame();
    const QSize applied = frameAllowance();
    int inside = TwipsToPixels(height_) - applied.height();
    if (maxInsideHeight_ != INT_MAX) inside = std::min(inside, TwipsToPixels(maxInsideHeight_));
    const int width = width_ ? TwipsToPixels(*width_) - applied.width() : window_->width();
    window_->setFixedSize(width, inside);
}

// The frame becomes known some time after the window is shown, once the window manager has framed
// it; by its first paint at the latest. The fit is queued, since a window must not be resized in
// the middle of painting.
bool OuterSize::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Paint:
        case QEvent::WindowActivate:
            if (watched == window_ && height_ > 0 && reportedFrame() != fittedTo_)
                QMetaObject::invokeMethod(this, &OuterSize::fit, Qt::QueuedConnection);
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace dravesse
