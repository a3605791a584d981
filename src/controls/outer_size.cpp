#include "controls/outer_size.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "controls/twips.h"

namespace dravesse {

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

QMargins OuterSize::currentFrame() const {
    const QWindow* handle = window_->windowHandle();
    if (handle && window_->isVisible() && !handle->frameMargins().isNull())
        return handle->frameMargins();
    return QMargins(TwipsToPixels(assumedFrame_.left()), TwipsToPixels(assumedFrame_.top()),
                    TwipsToPixels(assumedFrame_.right()), TwipsToPixels(assumedFrame_.bottom()));
}

void OuterSize::fit() {
    applied_ = currentFrame();
    int inside = TwipsToPixels(height_) - applied_.top() - applied_.bottom();
    if (maxInsideHeight_ != INT_MAX) inside = std::min(inside, TwipsToPixels(maxInsideHeight_));
    const int width =
        width_ ? TwipsToPixels(*width_) - applied_.left() - applied_.right() : window_->width();
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
            if (watched == window_ && height_ > 0 && currentFrame() != applied_)
                QMetaObject::invokeMethod(this, &OuterSize::fit, Qt::QueuedConnection);
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace dravesse
