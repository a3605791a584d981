#include "controls/secret_clipboard.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QSignalSpy>

namespace dravesse {
namespace {

QString clipboardText() {
    return QGuiApplication::clipboard()->text();
}

TEST(SecretClipboard, PutsTheTextMarkedAsSecretAndStartsTheClearTimer) {
    SecretClipboard clipboard;
    clipboard.PutText(QStringLiteral(u"s3cret 口座"));
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_EQ(mime->text(), QStringLiteral(u"s3cret 口座"));
    EXPECT_EQ(mime->data(SecretClipboard::kHintFormat), QByteArray("secret"));
    EXPECT_TRUE(clipboard.ClearTimer().isActive());
    EXPECT_EQ(clipboard.ClearTimer().interval(), 30'000);
    EXPECT_TRUE(clipboard.ClearTimer().isSingleShot());
}

TEST(SecretClipboard, TimedClearTakesOnlyOurOwnValueAway) {
    SecretClipboard clipboard;
    clipboard.PutText(QStringLiteral("mine"));
    clipboard.ClearIfStillOurs();
    EXPECT_EQ(clipboardText(), QString());
    EXPECT_FALSE(clipboard.ClearTimer().isActive());

    clipboard.PutText(QStringLiteral("mine"));
    QGuiApplication::clipboard()->setText(QStringLiteral("copied elsewhere"));
    clipboard.ClearIfStillOurs();
    EXPECT_EQ(clipboardText(), QStringLiteral("copied elsewhere"));
}

TEST(SecretClipboard, TheTimerRunsTheClear) {
    SecretClipboard clipboard;
    clipboard.SetClearDelay(1);
    QSignalSpy fired(&clipboard.ClearTimer(), &QTimer::timeout);
    clipboard.PutText(QStringLiteral("mine"));
    ASSERT_TRUE(fired.wait());
    EXPECT_EQ(clipboardText(), QString());
}

}  // namespace
}  // namespace dravesse
