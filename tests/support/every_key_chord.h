// Every key a keyboard can send, each alone and with every combination of Ctrl, Shift, Alt and
// Meta, pressed in a box that holds a secret: none may write the clipboard or the X11 selection.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMetaEnum>
#include <QTest>
#include <algorithm>
#include <functional>
#include <vector>

namespace dravesse::test {

struct KeyChord {
    Qt::Key key;
    Qt::KeyboardModifiers mods;
};

inline std::vector<KeyChord> EveryKeyChord() {
    const QMetaEnum keys = QMetaEnum::fromType<Qt::Key>();
    std::vector<KeyChord> chords;
    for (int i = 0; i < keys.keyCount(); ++i) {
        const auto key = static_cast<Qt::Key>(keys.value(i));
        if (key == Qt::Key_unknown) continue;
        for (int m = 0; m < 16; ++m) {
            Qt::KeyboardModifiers mods;
            mods.setFlag(Qt::ControlModifier, m & 1);
            mods.setFlag(Qt::ShiftModifier, m & 2);
            mods.setFlag(Qt::AltModifier, m & 4);
            mods.setFlag(Qt::MetaModifier, m & 8);
            chords.push_back({key, mods});
        }
    }
    return chords;
}

// `prepare` returns the box, focused, holding the secret with all of it selected. After each
// chord the clipboard and the selection hold what they held before, and neither was written.
inline void ExpectNoChordCopies(const std::function<QLineEdit*()>& prepare) {
    // Nothing focused while the values go there (a password box with the focus gives up the
    // selection), and the X server's notices of them are taken before counting starts.
    if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));
    if (clipboard->supportsSelection())
        clipboard->setText(QStringLiteral("selected before"), QClipboard::Selection);
    QTest::qWait(100);
    const QString selected = clipboard->text(QClipboard::Selection);  // the main window keeps none
    int writes = 0;
    const auto counting =
        QObject::connect(clipboard, &QClipboard::changed, [&](QClipboard::Mode) { ++writes; });
    std::vector<QString> copying;  // the chords that wrote, by name
    int pressed = 0;
    for (const KeyChord& c : EveryKeyChord()) {
        QLineEdit* box = prepare();
        ASSERT_NE(box, nullptr);
        // The text a keyboard sends with the key: a character key types its character unless
        // Ctrl, Alt or Meta is held.
        QString text;
        if (c.key < 0x01000000 &&
            !(c.mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
            text = c.mods & Qt::ShiftModifier ? QChar(c.key) : QChar(c.key).toLower();
        QTest::sendKeyEvent(QTest::Click, box, c.key, text, c.mods);
        ++pressed;
        if (writes != 0 || clipboard->text() != QStringLiteral("before")) {
            copying.push_back(QKeySequence(c.key | c.mods).toString());
            clipboard->setText(QStringLiteral("before"));
            writes = 0;
        }
    }
    EXPECT_TRUE(copying.empty()) << copying.size() << " chords wrote, among them "
                                 << QStringList(
                                        copying.begin(),
                                        copying.begin() + std::min<size_t>(copying.size(), 30))
                                        .join(u' ')
                                        .toStdString();
    QObject::disconnect(counting);
    // Input methods are told, and still told after keys, that the text is a secret.
    const Qt::InputMethodHints secret =
        Qt::ImhSensitiveData | Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase;
    QLineEdit* box = prepare();
    QTest::keyClick(box, Qt::Key_A);
    EXPECT_EQ(box->inputMethodHints() & secret, secret);
    EXPECT_EQ(clipboard->text(QClipboard::Selection), selected);
    EXPECT_GT(pressed, 7000);
}

}  // namespace dravesse::test
