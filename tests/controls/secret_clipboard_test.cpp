#include "controls/secret_clipboard.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QTest>
#include <QWindow>

namespace dravesse {
namespace {

// (That a copied value goes out marked as a secret and is taken away after a while, and that
// another program's text is left alone, the end-to-end runs check on the real X and Wayland
// clipboards.)
// Where only the window with the keyboard may change the clipboard and none has it, the timed
// clear empties the offer in place and takes it away once a window of the program has the
// keyboard; closing takes it away at once, whether the timed clear has come or not.
TEST(SecretClipboard, WithoutTheKeyboardEmptiesTheOfferAndTakesItAwayLater) {
    ASSERT_EQ(QGuiApplication::focusWindow(), nullptr);
    SecretClipboard clipboard;
    clipboard.SetNeedsKeyboard(true);
    clipboard.PutText(QStringLiteral("mine"));
    QPointer<QMimeData> offer = const_cast<QMimeData*>(QGuiApplication::clipboard()->mimeData());
    clipboard.ClearIfStillOurs();
    ASSERT_EQ(QGuiApplication::clipboard()->mimeData(), offer.data());
    EXPECT_TRUE(offer->formats().isEmpty());

    QWindow window;
    window.show();
    window.requestActivate();
    EXPECT_TRUE(QTest::qWaitFor([&] { return offer.isNull(); }));
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
}

TEST(SecretClipboard, ClosingWithoutTheKeyboardTakesTheValueAway) {
    for (const bool timedClearFirst : {false, true}) {
        SCOPED_TRACE(timedClearFirst ? "after the timed clear" : "before the timed clear");
        ASSERT_EQ(QGuiApplication::focusWindow(), nullptr);
        SecretClipboard clipboard;
        clipboard.SetNeedsKeyboard(true);
        clipboard.PutText(QStringLiteral("mine"));
        QPointer<QMimeData> offer =
            const_cast<QMimeData*>(QGuiApplication::clipboard()->mimeData());
        if (timedClearFirst) clipboard.ClearIfStillOurs();
        clipboard.ClearForClosing();
        EXPECT_TRUE(offer.isNull());
        EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
    }
}

}  // namespace
}  // namespace dravesse
