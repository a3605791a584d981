#include "controls/secret_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageAuthenticationCode>
#include <QMimeData>
#include <QRandomGenerator>
#include <QWindow>

#include "controls/x11_clipboard_text.h"

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

// Whether the clipboard still holds our value. While the program owns the clipboard, Qt hands
// back the very data put there (the clipboard deletes it once replaced), and no one is asked. Qt's
// own "owns the clipboard" is not used: it trails the X server until Qt has read its events, and
// is always false on some platforms. Otherwise another program offers the clipboard: a clipboard
// manager that took our value over offers the same text, and only then is it ours to clear. On X11
// that program is asked on a connection of our own and given 50 ms (a clipboard manager answers
// within a few), so that one that never answers cannot freeze the window (Qt would wait for
// seconds); elsewhere Qt asks: in process on the offscreen platform, through the compositor on
// Wayland.
bool SecretClipboard::holdsOurValue() const {
    const QMimeData* now = QGuiApplication::clipboard()->mimeData();  // not read from anyone yet
    if (now && now == offered_) return true;
    if (QGuiApplication::platformName() == u"xcb") {
        const std::optional<QByteArray> text = X11ClipboardText(kAnswerBound);
        return text && fingerprint(QString::fromUtf8(*text)) == lastPutMac_;
    }
    return now && now->hasText() && fingerprint(now->text()) == lastPutMac_;
}

// Without the keyboard, the offer Qt made stays (dropping it would bring back the compositor's
// saved copy), emptied, so that a paste gets nothing; unless the program is closing, when the
// offer goes anyway.
void SecretClipboard::clear(bool closing) {
    timer_.stop();
    if (lastPutMac_.isEmpty()) return;
    const bool ours = holdsOurValue();
    lastPutMac_.clear();
    if (!ours) return;
    if (offered_) offered_->clear();
    if (needsKeyboard_ && !closing && !QGuiApplication::focusWindow())
        takeAwayWithKeyboard_ = true;
    else
        takeAway();
}

void SecretClipboard::ClearIfStillOurs() {
    clear(false);
}

void SecretClipboard::ClearForClosing() {
    takeAwayWaitingOffer();
    clear(true);
}

void SecretClipboard::keyboardMoved(QWindow* focus) {
    if (focus) takeAwayWaitingOffer();
}

// The emptied offer that waits for the keyboard, if the clipboard still holds it.
void SecretClipboard::takeAwayWaitingOffer() {
    if (!takeAwayWithKeyboard_) return;
    takeAwayWithKeyboard_ = false;
    if (offered_ && QGuiApplication::clipboard()->mimeData() == offered_) takeAway();
}

}  // namespace dravesse
