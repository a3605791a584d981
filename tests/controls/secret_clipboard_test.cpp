#include "controls/secret_clipboard.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>

namespace dravesse {
namespace {

// The value goes out marked as a secret, and is taken away after a while. (That another
// program's text is left alone is tested where the main window closes.)
TEST(SecretClipboard, PutsAMarkedSecretAndClearsOnlyItsOwnValueLater) {
    QClipboard* system = QGuiApplication::clipboard();
    SecretClipboard clipboard;
    clipboard.SetClearDelay(1);
    clipboard.PutText(QStringLiteral(u"s3cret 口座"));
    ASSERT_NE(system->mimeData(), nullptr);
    EXPECT_EQ(system->mimeData()->text(), QStringLiteral(u"s3cret 口座"));
    EXPECT_EQ(system->mimeData()->data(SecretClipboard::kHintFormat), QByteArray("secret"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return system->text().isEmpty(); }));
}

}  // namespace
}  // namespace dravesse
