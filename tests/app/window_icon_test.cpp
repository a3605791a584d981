#include "app/window_icon.h"

#include <gtest/gtest.h>

#include <QImage>
#include <utility>

namespace dravesse {
namespace {

// The window shows the picture that is installed for the menu, pixel for pixel.
TEST(WindowIcon, IsThePictureInstalledForTheMenu) {
    auto pixels = [](const QImage& image) {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        return std::pair(argb.size(), QByteArray(reinterpret_cast<const char*>(argb.constBits()),
                                                 argb.sizeInBytes()));
    };
    const QImage installed(QStringLiteral(DRAVESSE_ICON_PNG));
    ASSERT_FALSE(installed.isNull());
    EXPECT_EQ(pixels(QImage(kWindowIcon)), pixels(installed));
}

}  // namespace
}  // namespace dravesse
