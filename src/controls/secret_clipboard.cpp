#include "controls/secret_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageAuthenticationCode>
#include <QMimeData>
#include <QRandomGenerator>

namespace dravesse {

SecretClipboard::SecretClipboard(QObject* parent) : QObject(parent) {
    key_.resize(32);
    QRandomGenerator::system()->generate(key_.begin(), key_.end());
    timer_.setSingleShot(true);
    timer_.setInterval(kClearAfterMs);
    connect(&timer_, &QTimer::timeout, this, &SecretClipboard::ClearIfStillOurs);
}

QByteArray SecretClipboard::fingerprint(const QString& text) const {
    return QMessageAuthenticationCode::hash(text.toUtf8(), key_, QCryptographicHash::Sha256);
}

namespace {

void putMarked(const QString& text) {
    auto* mime = new QMimeData;
    mime->setText(text);
    mime->setData(SecretClipboard::kHintFormat, QByteArrayLiteral("secret"));
    QGuiApplication::clipboard()->setMimeData(mime);
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
    putMarked(text);
    lastPutMac_ = fingerprint(text);
    timer_.start();
}

// Whether the clipboard is still ours is decided by what it holds, not by Qt's ownsClipboard: that
// follows only what the platform has told Qt so far, and is always false on some platforms. While
// the clipboard is ours, Qt hands back the value put there; otherwise it fetches the other
// program's data (which is the same text when a clipboard manager took the value over).
void SecretClipboard::ClearIfStillOurs() {
    timer_.stop();
    if (lastPutMac_.isEmpty()) return;
    const QMimeData* now = QGuiApplication::clipboard()->mimeData();
    if (now && now->hasText() && fingerprint(now->text()) == lastPutMac_) takeAway();
    lastPutMac_.clear();
}

}  // namespace dravesse
