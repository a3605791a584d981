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

void SecretClipboard::PutText(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    auto* mime = new QMimeData;
    mime->setText(text);
    mime->setData(kHintFormat, QByteArrayLiteral("secret"));
    clipboard->setMimeData(mime);
    lastPutMac_ = fingerprint(text);
    timer_.start();
}

void SecretClipboard::Clear() {
    timer_.stop();
    lastPutMac_.clear();
    QGuiApplication::clipboard()->clear();
}

void SecretClipboard::ClearIfStillOurs() {
    timer_.stop();
    if (lastPutMac_.isEmpty()) return;
    const QMimeData* now = QGuiApplication::clipboard()->mimeData();
    if (now && now->hasText() && fingerprint(now->text()) == lastPutMac_)
        QGuiApplication::clipboard()->clear();
    lastPutMac_.clear();
}

}  // namespace dravesse
