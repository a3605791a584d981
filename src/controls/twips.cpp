#include "controls/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace dravesse {

double LogicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

int TwipsToPixels(int twips) {
    return static_cast<int>(std::lround(twips * LogicalDpi() / 1440.0));
}

int PixelsToTwips(int pixels) {
    return static_cast<int>(std::lround(pixels * 1440.0 / LogicalDpi()));
}

void SetTwipsGeometry(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                   TwipsToPixels(height));
}

int TwipsTop(const QWidget* w) {
    return PixelsToTwips(w->y());
}
int TwipsHeight(const QWidget* w) {
    return PixelsToTwips(w->height());
}

void SetTwipsTop(QWidget* w, int top) {
    w->move(w->x(), TwipsToPixels(top));
}

void SetTwipsHeight(QWidget* w, int height) {
    w->resize(w->width(), TwipsToPixels(height));
}

}  // namespace dravesse
