// Every key a keyboard can send, each alone and with every combination of Ctrl, Shift, Alt and
// Meta, pressed in a box that holds a secret: none may write the clipboard or the X11 selection.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMetaEnum>
#include <QTest>
#include <functional>

namespace dravesse::test {

// `prepare` returns the box, focused, holding the secret with all of it selected. Input methods
// are told, and still told after the keys, that the text is a secret.
inline void ExpectNoChordCopies(const std::function<QLineEdit*()>& prepare) {
    // The X server's notice of the value is taken before counting starts; a write to the
    // clipboard or the selection is counted.
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));
    QTest::qWait(100);
    QStringList copying;  // the chords that wrote
    const auto counting = QObject::connect(clipboard, &QClipboard::changed,
                                           [&] { copying += QStringLiteral("(a chord)"); });
    const Qt::KeyboardModifier kEach[] = {Qt::ControlModifier, Qt::ShiftModifier, Qt::AltModifier,
                                          Qt::MetaModifier};
    const QMetaEnum keys = QMetaEnum::fromType<Qt::Key>();
    for (int i = 0; i < keys.keyCount(); ++i) {
        const auto key = static_cast<Qt::Key>(keys.value(i));
        for (int m = 0; m < 16 && key != Qt::Key_unknown; ++m) {
            Qt::KeyboardModifiers mods;
            for (int b = 0; b < 4; ++b)
                if (m >> b & 1) mods |= kEach[b];
            // A character key types its character unless Ctrl, Alt or Meta is held.
            QString text;
            if (key < 0x01000000 && (m & ~2) == 0) text = m & 2 ? QChar(key) : QChar(key).toLower();
            const qsizetype before = copying.size();
            QTest::sendKeyEvent(QTest::Click, prepare(), key, text, mods);
            if (copying.size() > before) {
                copying.resize(before);
                copying += QKeySequence(key | mods).toString();
            }
        }
    }
    QObject::disconnect(counting);
    EXPECT_TRUE(copying.isEmpty())
        << copying.first(std::min<qsizetype>(copying.size(), 30)).join(u' ').toStdString();
    EXPECT_EQ(clipboard->text(), QStringLiteral("before"));
    const auto secret = Qt::ImhSensitiveData | Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase;
    EXPECT_EQ(prepare()->inputMethodHints() & secret, secret);
}

}  // namespace dravesse::test
