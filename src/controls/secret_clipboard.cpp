#include "controls/secret_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageAuthenticationCode>
#include <QMimeData>
#include <QRandomGenerator>
#include <QWindow>

namespace dravesse {

SecretClipboard::SecretClipboard(QObject* parent) : QObject(parent) {
    key_.resize(32);
    QRandomGenerator::system()->generate(key_.begin(), key_.end());
    timer_.setSingleShot(true);
    timer_.setInterval(kClearAfterMs);
    connect(&timer_, &QTimer::timeout, this, &SecretClipboard::ClearIfStillOurs);
    // GNOME drops a clipboard change from a client without the keyboard, and when the client's
    // old offer goes away it offers its own saved copy of the text instead.
    needsKeyboard_ = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (qGuiApp)
        connect(qGuiApp, &QGuiApplication::focusWindowChanged, this,
                &SecretClipboard::keyboardMoved);
}

QByteArray SecretClipboard::fingerprint(const QString& text) const {
    return QMessageAuthenticationCode::hash(text.toUtf8(), key_, QCryptographicHash::Sha256);
}

namespace {

QMimeData* putMarked(const QString& text) {
    auto* mime = new QMimeData;
    mime->setText(text);
    mime->setData(SecretClipboard::kHintFormat, QByteArrayLiteral("secret"));
    QGuiApplication::clipboard()->setMimeData(mime);
    return mime;
}

// Clearing alone is not enough everywhere: a Wayland compositor that keeps a copy of the
// selection (Weston does) offers that copy again as soon as its owner clears it. So an empty
// text, itself marked as a secret, takes the value's place first, and only then is the clipboard
// cleared: on X11 it is left without an owner, on Wayland at worst the empty copy is offered.
void takeAway() {
    putMarked(QString());
    QGuiApplication::clipboard()->clear();
}

}  // namespace

void SecretClipboard::PutText(const QString& text) {
    QGuiApplication::clipboard()->clear();
    offered_ = putMarked(text);
    takeAwayWithKeyboard_ = false;
    lastPutMac_ = fingerprint(text);
    timer_.start();
}

// Whether the clipboard is still ours is decided by what it holds, not by Qt's ownsClipboard: that
// follows only what the platform has told Qt so far, and is always false on some platforms. While
// the clipboard is ours, Qt hands back the value put there; otherwise it fetches the other
// program's data (which is the same text when a clipboard manager took the value over).
// Without the keyboard, the offer Qt made stays (dropping it would bring back the compositor's
// saved copy), emptied, so that a paste gets nothing.
void SecretClipboard::ClearIfStillOurs() {
    timer_.stop();
    if (lastPutMac_.isEmpty()) return;
    const QMimeData* now = QGuiApplication::clipboard()->mimeData();
    const bool ours =
        now && (now == offered_ || (now->hasText() && fingerprint(now->text()) == lastPutMac_));
    lastPutMac_.clear();
    if (!ours) return;
    if (offered_) offered_->clear();
    if (needsKeyboard_ && !QGuiApplication::focusWindow())
        takeAwayWithKeyboard_ = true;
    else
        takeAway();
}

void SecretClipboard::keyboardMoved(QWindow* focus) {
    if (!focus || !takeAwayWithKeyboard_) return;
    takeAwayWithKeyboard_ = false;
    if (offered_ && QGuiApplication::clipboard()->mimeData() == offered_) takeAway();
}

}  // namespace dravesse
