#include "first_shown.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>

namespace dravesse {

WhenFirstShown::WhenFirstShown(std::function<void()> then, int latestMs) : then_(std::move(then)) {
    QCoreApplication::instance()->installEventFilter(this);
    QTimer::singleShot(latestMs, this, &WhenFirstShown::run);
}

WhenFirstShown::~WhenFirstShown() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool WhenFirstShown::eventFilter(QObject* target, QEvent* event) {
    // The window paints as it takes this event: the work waits for the next turn of the loop.
    if (then_ && event->type() == QEvent::Expose && target->isWindowType() &&
        static_cast<QWindow*>(target)->isExposed())
        QTimer::singleShot(0, this, &WhenFirstShown::run);
    return false;
}

void WhenFirstShown::run() {
    if (!then_) return;
    QCoreApplication::instance()->removeEventFilter(this);
    std::exchange(then_, {})();
}

}  // namespace dravesse
