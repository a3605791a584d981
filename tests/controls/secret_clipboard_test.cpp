#include "controls/secret_clipboard.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>

namespace dravesse {
namespace {

// The value goes out marked as a secret; the timed clear takes away only that value.
TEST(SecretClipboard, PutsAMarkedSecretAndClearsOnlyItsOwnValueLater) {
    QClipboard* system = QGuiApplication::clipboard();
    SecretClipboard clipboard;
    clipboard.PutText(QStringLiteral("mine"));
    system->setText(QStringLiteral("copied elsewhere"));
    clipboard.ClearIfStillOurs();
    EXPECT_EQ(system->text(), QStringLiteral("copied elsewhere"));

    clipboard.SetClearDelay(1);
    clipboard.PutText(QStringLiteral(u"s3cret 口座"));
    ASSERT_NE(system->mimeData(), nullptr);
    EXPECT_EQ(system->mimeData()->text(), QStringLiteral(u"s3cret 口座"));
    EXPECT_EQ(system->mimeData()->data(SecretClipboard::kHintFormat), QByteArray("secret"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return system->text().isEmpty(); }));
}

}  // namespace
}  // namespace dravesse
